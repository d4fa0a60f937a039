// The link's state in the strip, and the quiet reconnection after a lost line.
//
// A segment at the left of the bottom strip tells the link in plain words and colour
// (TLinkHealth: connected, no data, line lost — reconnecting, port busy, no permission, ...).
// When the port reports a lost line (OnLineLost, after it has closed itself) the reconnector
// (app/Reconnector.h) opens it again once the device has come back, after 1 s, 2 s, 4 s and
// then every 5 s, until it works or the user chooses another port; "Reconnect now" tries at
// once.  These tries show no message box: the strip carries the state, with the whole message
// in its tooltip; the decoder's state and a running recording are left alone.  A key whose answer (130) has not come after
// 2 s is given up here, so that frames are decoded again; opening the port afresh gives up a
// pending key as well.  GUI thread only.
#pragma once

#include <QObject>

#include <chrono>

#include "app/LinkHealth.h"
#include "app/Reconnector.h"

class QLabel;
class QTimer;
class TSioCustomComPort;
class TStatusStrip;
struct TLinkState;

class TLinkStatusControl : public QObject {
  Q_OBJECT

 public:
  // Adds its segment to `strip` and becomes the port's open/close listener and its OnLineLost.
  // The port must outlive nothing of this object's but its own events: the window destroys
  // the port first.
  TLinkStatusControl(QObject* parent, TSioCustomComPort& port, TLinkState& link, TStatusStrip& strip);
  ~TLinkStatusControl() override;

  // What the window tells it.
  void BytesReceived();
  void FrameDecoded();
  void KeySent(int code);
  // The user chose a port (Com1/Com2, the device chooser): retries of the old one stop.
  void PortChosen();
  // "Reconnect now": a closed port is opened at once (a lost one only on a device that came
  // back); a failure is shown in the strip.
  void ReconnectNow();

  // Shows the current state in the segment (also every half second by itself).
  void Refresh();
  QLabel* Segment() const { return FSegment; }
  const TLinkHealth& Health() const { return FHealth; }
  bool Reconnecting() const { return FReconnector.Reconnecting(); }
  // The words of the window's language for texts made by the Qt-free half.
  static TWords Words();

 private:
  static TLinkHealth::TMs Now() { return TLinkHealth::NowMs(); }
  void Tick();
  void Opened();
  void ReconnectorChanged();

  TSioCustomComPort& FPort;
  TLinkState& FLink;
  QLabel* FSegment;
  QTimer* FTick;
  QTimer* FRetry;
  TLinkHealth FHealth;
  TReconnector FReconnector;
  TPortIdentity FPortIdentity;  // the port may go first (the window destroys it before us)
};
