#include "app/LinkStatusControl.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <algorithm>

#include "app/LinkDecoder.h"
#include "app/OpenFailureText.h"
#include "app/StatusStrip.h"
#include "dispatch/SioPortName.h"
#include "port/SioPort.h"

namespace {

constexpr int kTickMs = 500;

// Green while bytes come, amber when they stopped, red when the line is gone or cannot be
// opened, grey when the port is simply closed.
const char* Colour(TLinkLevel level) {
  switch (level) {
    case llGood: return "#70e070";
    case llStale: return "#ffc030";
    case llLost:
    case llFailed: return "#ff5050";
    case llClosed: break;
  }
  return "#b0b0b0";
}

// The strip has room for a short path only (a by-id name is long): its end tells it apart, and
// the state after it stays in view; the tooltip has the whole text.
std::string Shortened(const std::string& path) {
  constexpr std::size_t kLongest = 32;
  return path.size() <= kLongest ? path : "\u2026" + path.substr(path.size() - (kLongest - 1));
}

}  // namespace

TLinkStatusControl::TLinkStatusControl(QObject* parent, TSioCustomComPort& port, TLinkState& link, TStatusStrip& strip)
    : QObject(parent),
      FPort(port),
      FLink(link),
      FSegment(strip.AddSegment(QStringLiteral("LinkState"))),
      FTick(new QTimer(this)),
      FRetry(new QTimer(this)),
      FReconnector(port, Words(), &Now, [this] { ReconnectorChanged(); }),
      FPortIdentity(port.Identity()) {
  FRetry->setSingleShot(true);
  FRetry->setTimerType(Qt::PreciseTimer);
  // A timer may still fire a little early: whatever is due then is looked at again.
  connect(FRetry, &QTimer::timeout, this, [this] {
    FReconnector.Poll();
    ReconnectorChanged();
  });
  connect(FTick, &QTimer::timeout, this, &TLinkStatusControl::Tick);
  FTick->start(kTickMs);
  FPort.AddPortListener(this, [this](TComponent*, bool opened) {
    if (opened) Opened();
    Refresh();
  });
  if (FPort.PortState() == psOpen) FHealth.Opened(Now());
  Refresh();
}

TLinkStatusControl::~TLinkStatusControl() {
  if (IsLivePort(FPortIdentity)) FPort.RemovePortListener(this);
}

TWords TLinkStatusControl::Words() {
  return TWords([](const char* source) { return QCoreApplication::translate("Words", source).toStdString(); });
}

void TLinkStatusControl::BytesReceived() { FHealth.BytesReceived(Now()); }
void TLinkStatusControl::FrameDecoded() { FHealth.FrameDecoded(Now()); }

void TLinkStatusControl::KeySent(int code) {
  FHealth.KeySent(code, Now());
  Refresh();
}

void TLinkStatusControl::PortChosen() {
  FRetry->stop();
  FReconnector.Abandon();
}

void TLinkStatusControl::ReconnectNow() {
  FReconnector.TryNow();
  Refresh();
}

void TLinkStatusControl::Opened() {
  FHealth.Opened(Now());
  // A key sent on the line before cannot be answered on this one.
  FLink.CommandPending = 0;
}

// The strip carries the reconnector's state; its news is for the logger.
void TLinkStatusControl::ReconnectorChanged() {
  FReconnector.TakeNews();
  const TReconnector::TMs due = FReconnector.DueInMs();
  if (due < 0) {
    FRetry->stop();
  } else {
    FRetry->start(static_cast<int>(std::min<TReconnector::TMs>(due, 60'000)));
  }
  Refresh();
}

void TLinkStatusControl::Tick() {
  if (FLink.CommandPending == 0) {
    FHealth.KeyAnswered();
  } else if (FHealth.TakeOverdueKey(Now())) {
    // The answer will not come (lost on the line, another instrument): frames are decoded
    // again from the next status byte on.
    FLink.CommandPending = 0;
  }
  Refresh();
}

void TLinkStatusControl::Refresh() {
  const TWords words = Words();
  TPortFacts facts;
  facts.ComNumber = FPort.ComNumber();
  facts.Open = FPort.PortState() == psOpen;
  facts.Path = facts.Open ? FPort.DeviceName() : PortDeviceName(FPort.ComNumber());
  facts.LastFailure = FPort.LastOpenFailure().Problem;
  facts.Reconnecting = FReconnector.StateText();
  TPortFacts shown = facts;
  shown.Path = Shortened(facts.Path);
  const TLinkView view = FHealth.View(shown, Now(), words);
  const QString text = QString::fromStdString(view.Text);
  TStatusStrip::SetSegmentText(FSegment, QStringLiteral("<span style=\"color:%1\">%2</span>")
                                             .arg(QLatin1String(Colour(view.Level)), text.toHtmlEscaped()));
  // The whole of it where the strip has no room, and why the last open failed.
  QString tip = QString::fromStdString(FHealth.View(facts, Now(), words).Text);
  if (!facts.Open && FPort.LastOpenFailure().Problem != opNone)
    tip += QStringLiteral("\n") + QString::fromStdString(OpenFailureText(FPort.LastOpenFailure(), facts.ComNumber, auWindow, words));
  FSegment->setToolTip(tip);
}
