#include "app/LinkStatusControl.h"

#include <QLabel>
#include <QTimer>

#include "app/LinkDecoder.h"
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

// The strip has room for a short path only (a by-id name is long): its end tells it apart;
// the tooltip has the whole message of a failure.
std::string Shortened(const std::string& path) {
  constexpr std::size_t kLongest = 40;
  return path.size() <= kLongest ? path : "…" + path.substr(path.size() - (kLongest - 1));
}

}  // namespace

TLinkStatusControl::TLinkStatusControl(QObject* parent, TSioCustomComPort& port, TLinkState& link, TStatusStrip& strip)
    : QObject(parent),
      FPort(port),
      FLink(link),
      FSegment(strip.AddSegment(QStringLiteral("LinkState"))),
      FTick(new QTimer(this)),
      FRetry(new QTimer(this)) {
  FRetry->setSingleShot(true);
  connect(FRetry, &QTimer::timeout, this, &TLinkStatusControl::Retry);
  connect(FTick, &QTimer::timeout, this, &TLinkStatusControl::Tick);
  FTick->start(kTickMs);
  FPort.AddPortListener(this, [this](TComponent*, bool opened) {
    if (opened) Opened();
    Refresh();
  });
  FPort.SetOnLineLost([this](TComponent*, int error) { LineLost(error); });
  if (FPort.PortState() == psOpen) FHealth.Opened(Now());
  Refresh();
}

TLinkHealth::TMs TLinkStatusControl::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void TLinkStatusControl::BytesReceived() { FHealth.BytesReceived(Now()); }
void TLinkStatusControl::FrameDecoded() { FHealth.FrameDecoded(Now()); }

void TLinkStatusControl::KeySent(int code) {
  FHealth.KeySent(code, Now());
  Refresh();
}

void TLinkStatusControl::PortChosen() {
  FRetry->stop();
  FHealth.Abandon();
}

void TLinkStatusControl::Opened() {
  FRetry->stop();
  FSchedule.Reset();
  FHealth.Opened(Now());
  // A key sent on the line before cannot be answered on this one.
  FLink.CommandPending = 0;
}

void TLinkStatusControl::LineLost(int error) {
  FHealth.Lost(LineLostWords(error));
  FSchedule.Reset();
  FRetry->start(static_cast<int>(FSchedule.NextDelayMs()));
  Refresh();
}

// Quiet: a failure is shown in the strip only, never in a box.
void TLinkStatusControl::Retry() {
  if (!FHealth.Reconnecting() || FPort.PortState() == psOpen) return;
  try {
    FPort.SetOpen(true);
  } catch (const std::exception&) {
    FHealth.RetryFailed(OpenProblemWords(FPort.LastOpenFailure().Problem));
  }
  // A close still completing opens the port once it is done (and the listener then stops
  // the retries); until then, and after a failure, the next try is due.
  if (FPort.PortState() != psOpen) FRetry->start(static_cast<int>(FSchedule.NextDelayMs()));
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
  TPortFacts facts;
  facts.ComNumber = FPort.ComNumber();
  facts.Open = FPort.PortState() == psOpen;
  facts.Path = Shortened(facts.Open ? FPort.DeviceName() : PortDeviceName(FPort.ComNumber()));
  facts.LastFailure = FPort.LastOpenFailure().Problem;
  const TLinkView view = FHealth.View(facts, Now());
  const QString text = QString::fromStdString(view.Text).toHtmlEscaped();
  TStatusStrip::SetSegmentText(FSegment,
                               QStringLiteral("<span style=\"color:%1\">%2</span>").arg(QLatin1String(Colour(view.Level)), text));
  FSegment->setToolTip(QString::fromStdString(FPort.LastOpenFailure().Message));
}
