// Whether the reading on the panel is a live measurement, and the look that says so.
//
// The reading (LaRezult) keeps its designed look, red on black, while it shows a live
// measurement.  When it does not - before the first measurement (the design text stays), the
// line lost or the port closed, no frame for three frame periods, ПАМЯТЬ holding the reading,
// an overflowed reading, a segment waiting for its first measurement after a key - the same
// text is drawn in a dark red; the designed look returns with the next live measurement.  A
// segment of the bottom strip says "held", or "overflow: choose a shorter averaging time".
//
// It looks after every frame (a listener of the feed) and four times a second (for a line
// gone silent).  GUI thread only.
#pragma once

#include <QObject>

class QLabel;
class QTimer;
class TMeasurementFeed;
class TSioCustomComPort;
class TStatusStrip;

class TReadingLook : public QObject {
  Q_OBJECT

 public:

  TReadingLook(QObject* parent, QLabel& reading, TMeasurementFeed& feed, const TSioCustomComPort& port,
               TStatusStrip& strip);

  // Looks again (also on every frame and on its timer).
  void Refresh();
  bool Live() const { return FLive; }
  QLabel* Segment() const { return FSegment; }

 private:
  QLabel& FReading;
  TMeasurementFeed& FFeed;
  const TSioCustomComPort& FPort;
  QLabel* FSegment;
  QTimer* FTimer;
  bool FLive = true;  // the designed look; the first Refresh dims it
};
