// The status area in the free left part of the black bottom strip (Panel2), left of the clock.
//
// It holds a row of segments, short texts in white on black (rich text allowed), in the order
// they were added; a segment is hidden while its text is empty, so with nothing to say the
// strip looks exactly as designed.  Features add a segment each (recording now; the link state
// and publishing later).  When the row is too narrow for all of them, each segment gives up
// room in proportion and ends its text with an ellipsis; its tooltip then shows the whole text
// (and the tooltip the feature set, below it).  A transient message (a refused recording, a
// copied reading) goes away after TransientMs by itself.  GUI thread only.
#pragma once

#include <QLabel>
#include <QWidget>

class QHBoxLayout;

class TStatusStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int TransientMs = 10'000;

  // Placed in `strip` from x 8 up to 8 pixels short of `clock`, on the clock's line.
  TStatusStrip(QWidget* strip, const QWidget* clock);

  // A new segment at the right end of the row, named `name` (its object name).
  QLabel* AddSegment(const QString& name);
  // Sets a segment's text (rich text of coloured spans); empty hides it.  With `transientMs`
  // the text goes again after that long, unless it was replaced meanwhile.
  static void SetSegmentText(QLabel* segment, const QString& text, int transientMs = 0);
  // A short note in a segment of its own ("reading copied"), gone after TransientMs.
  void Note(const QString& text);

 private:
  QHBoxLayout* FRow;
  QLabel* FNote = nullptr;
};

// One segment: draws its rich text on one line, ended by an ellipsis where it has less room
// than it asks for.
class TStripSegment : public QLabel {
  Q_OBJECT

 public:
  explicit TStripSegment(QWidget* parent);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // The text as a reader sees it, without markup.
  QString PlainText() const;
  bool Elided() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
};
