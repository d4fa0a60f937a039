// The publishing's segment in the window's bottom strip: "MQTT" in green while the broker has
// the session, "MQTT retrying" in amber while it cannot be reached (the reason in the
// tooltip), and the readings dropped so far in red.  The tooltip also names the broker, the
// topics and the counts.
//
// GUI thread only.  It looks at the publisher's counts twice a second rather than being told
// from the network thread, so nothing has to cross threads into Qt.  Made as a child of the
// window; the publishing must outlive the window (app/PanelPublishing.h).
#pragma once

#include <QObject>

class QLabel;
class QTimer;
class TPanelPublishing;
class TStatusStrip;

class TPublishStrip : public QObject {
  Q_OBJECT

 public:
  TPublishStrip(QObject* window, TStatusStrip& strip, const TPanelPublishing& publishing);

  // Shows the publisher's state now (the timer calls it).
  void Refresh();
  QLabel* Segment() const { return FSegment; }

 private:
  const TPanelPublishing& FPublishing;
  QLabel* FSegment;
  QTimer* FTimer;
};
