// The status area in the free left part of the black bottom strip (Panel2), left of the clock.
//
// It holds a row of segments, short texts in white on black (rich text allowed), in the order
// they were added; a segment is hidden while its text is empty, so with nothing to say the
// strip looks exactly as designed.  Features add a segment each (recording now; the link state
// and publishing later).  GUI thread only.
#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;

class TStatusStrip : public QWidget {
  Q_OBJECT

 public:
  // Placed in `strip` from x 8 up to 8 pixels short of `clock`, on the clock's line.
  TStatusStrip(QWidget* strip, const QWidget* clock);

  // A new segment at the right end of the row, named `name` (its object name).
  QLabel* AddSegment(const QString& name);
  // Sets a segment's text; empty hides it.
  static void SetSegmentText(QLabel* segment, const QString& text);

 private:
  QHBoxLayout* FRow;
};
