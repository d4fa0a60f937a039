#include "app/Reconnector.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "app/OpenFailureText.h"
#include "platform/SysErrors.h"
#include "port/SioPort.h"

namespace {

constexpr TReconnector::TMs kDelaysMs[] = {1000, 2000, 4000, 5000};

// What the logger says while the device rule holds a try back.
std::string AwaitingText(TReturn awaiting, const std::string& where, const TDeviceReturn& device, const TWords& w) {
  switch (awaiting) {
    case drAwaitLink:
      return w(QT_TRANSLATE_NOOP("Words",
                                 "%1 still leads to %2, the pseudo-terminal that went away, which another program may "
                                 "have now; waiting for the link to be made again"),
               {where, device.Device()});
    case drAwaitDevice:
      return w(QT_TRANSLATE_NOOP("Words", "%1: waiting for the device to come back"), {where});
    case drPtyGone:
      return w(QT_TRANSLATE_NOOP("Words",
                                 "%1 was a pseudo-terminal, which does not come back once its far end has closed (its "
                                 "number goes to the next program that asks for one); not reconnecting: give the new "
                                 "path"),
               {where});
    case drBack:
      break;
  }
  return {};
}

}  // namespace

TReconnector::TReconnector(TSioCustomComPort& port, TWords words, TClock clock, std::function<void()> changed)
    : FPort(port), FPortIdentity(port.Identity()), FWords(std::move(words)), FClock(std::move(clock)), FChanged(std::move(changed)) {
  FPort.AddPortListener(this, [this](TComponent*, bool opened) {
    if (opened) Opened();
  });
  FPort.SetOnLineLost([this](TComponent*, int error) { LineLost(error); });
  if (FPort.PortState() == psOpen) Opened();
}

TReconnector::~TReconnector() {
  // The window destroys its port before the controls that own a reconnector.
  if (!IsLivePort(FPortIdentity)) return;
  FPort.RemovePortListener(this);
  FPort.SetOnLineLost(nullptr);
}

std::string TReconnector::Where() const { return "COM" + std::to_string(FPort.ComNumber()) + " " + FPort.DeviceName(); }

void TReconnector::Say(const std::string& news) { FNews.push_back(news); }

std::vector<std::string> TReconnector::TakeNews() { return std::exchange(FNews, {}); }

TReconnector::TMs TReconnector::NextDelay() {
  const int step = std::min<int>(FAttempts, static_cast<int>(std::size(kDelaysMs)) - 1);
  ++FAttempts;
  return kDelaysMs[step];
}

void TReconnector::Schedule(TMs delay) { FDueAt = FClock() + delay; }

void TReconnector::Opened() {
  FOpenedAt = FClock();
  FDevice = TDeviceReturn::Note(FPort.DeviceName());
  if (FLost && !FDropping) Say(FWords(QT_TRANSLATE_NOOP("Words", "reconnected to %1"), {Where()}));
  FLost = false;
  FAwaiting = drBack;
  FRetryReason.clear();
  FRetryMessage.clear();
  // While connections keep dropping, the next due moment is the one at which this one counts
  // as lasting.
  FDueAt = FDropping ? FOpenedAt + StableMs : -1;
  if (FChanged) FChanged();
}

void TReconnector::LineLost(int error) {
  const TMs now = FClock();
  const TMs lasted = now - FOpenedAt;
  FLost = true;
  FLostReason = LineLostWords(error, FWords);
  FRetryReason.clear();
  FRetryMessage.clear();
  FAwaiting = drBack;
  if (FAttempts == 0 || lasted >= StableMs) {
    FAttempts = 0;
    FDropping = false;
    Say(FWords(QT_TRANSLATE_NOOP("Words", "line lost on %1: %2; reconnecting"), {Where(), FLostReason}));
  } else if (!FDropping) {
    // Opened by a try and gone again soon: the backoff goes on, and this is said once.
    FDropping = true;
    Say(FWords(QT_TRANSLATE_NOOP("Words",
                                 "line lost again on %1 %2 s after it opened (%3); reconnecting without further word "
                                 "until a connection lasts %4 s"),
               {Where(), std::to_string(std::max<TMs>(0, lasted) / 1000), FLostReason, std::to_string(StableMs / 1000)}));
  }
  Schedule(NextDelay());
  if (FChanged) FChanged();
}

void TReconnector::Abandon() {
  FLost = false;
  FDropping = false;
  FAttempts = 0;
  FAwaiting = drBack;
  FDueAt = -1;
}

void TReconnector::TryNow() {
  if (FPort.PortState() != psClosed) return;
  if (!FLost) {
    // A port closed after a failed open: the user's try is an open like any other, but a loss
    // that followed is retried from the first delay.
    FDevice = TDeviceReturn();
    FAttempts = 0;
    FLost = true;
    FLostReason.clear();
  }
  FAttempts = 0;
  FDueAt = FClock();
  Poll();
}

TReconnector::TMs TReconnector::DueInMs() const {
  if (FDueAt < 0) return -1;
  return std::max<TMs>(0, FDueAt - FClock());
}

void TReconnector::Poll() {
  if (FDueAt < 0 || FClock() < FDueAt) return;
  if (!FLost) {
    // A connection that followed dropping ones has lasted.
    FDueAt = -1;
    if (FDropping && FPort.PortState() == psOpen) {
      FDropping = false;
      FAttempts = 0;
      Say(FWords(QT_TRANSLATE_NOOP("Words", "%1 has stayed connected for %2 s"), {Where(), std::to_string(StableMs / 1000)}));
      if (FChanged) FChanged();
    }
    return;
  }
  Try();
}

void TReconnector::Try() {
  if (FPort.PortState() == psOpen) return;
  const TReturn back = FDevice.Check();
  if (back != drBack) {
    // Not back yet: looked for again soon, without using up a step of the backoff.
    if (back != FAwaiting) {
      FAwaiting = back;
      Say(AwaitingText(back, Where(), FDevice, FWords));
    }
    // A pseudo-terminal named by its own path is not looked for: nothing can bring it back.
    if (back == drPtyGone) {
      FDueAt = -1;
    } else {
      Schedule(LookMs);
    }
    if (FChanged) FChanged();
    return;
  }
  FAwaiting = drBack;
  std::string failure;
  try {
    FPort.SetOpen(true);
  } catch (const std::exception&) {
    failure = OpenFailureText(FPort.LastOpenFailure(), FPort.ComNumber(), auLog, FWords);
    FRetryReason = OpenProblemWords(FPort.LastOpenFailure().Problem, FWords);
  }
  if (!failure.empty() && failure != FRetryMessage) {
    FRetryMessage = failure;
    Say(FWords(QT_TRANSLATE_NOOP("Words", "still reconnecting: %1"), {failure}));
  }
  // A close still completing opens the port once it is done (Opened then ends the loss); until
  // then, and after a failure, the next try is due.
  if (FPort.PortState() != psOpen) Schedule(NextDelay());
  if (FChanged) FChanged();
}

std::string TReconnector::StateText() const {
  if (!FLost) return {};
  std::string reasons = FLostReason;
  if (!FRetryReason.empty()) reasons += (reasons.empty() ? "" : "; ") + FRetryReason;
  switch (FAwaiting) {
    case drAwaitLink:
      return FWords(QT_TRANSLATE_NOOP("Words", "line lost \u2014 waiting for the link to be made again (%1)"), {reasons});
    case drAwaitDevice:
      return FWords(QT_TRANSLATE_NOOP("Words", "line lost \u2014 waiting for the device to come back (%1)"), {reasons});
    case drPtyGone:
      return FWords(QT_TRANSLATE_NOOP("Words", "line lost (%1) \u2014 a pseudo-terminal does not come back: choose the device again"),
                    {reasons});
    case drBack:
      break;
  }
  if (reasons.empty()) return FWords(QT_TRANSLATE_NOOP("Words", "reconnecting"));
  return FWords(QT_TRANSLATE_NOOP("Words", "line lost \u2014 reconnecting (%1)"), {reasons});
}

std::string OpenProblemWords(TOpenProblem problem, const TWords& words) {
  switch (problem) {
    case opMissing: return words(QT_TRANSLATE_NOOP("Words", "no device"));
    case opNotSerial: return words(QT_TRANSLATE_NOOP("Words", "not a serial device"));
    case opBusy: return words(QT_TRANSLATE_NOOP("Words", "port busy"));
    case opNoPermission: return words(QT_TRANSLATE_NOOP("Words", "no permission"));
    case opOther: return words(QT_TRANSLATE_NOOP("Words", "cannot open"));
    case opNone: break;
  }
  return {};
}

std::string LineLostWords(int error, const TWords& words) {
  if (error == -static_cast<int>(ERROR_GEN_FAILURE)) return words(QT_TRANSLATE_NOOP("Words", "device gone"));
  if (error == -static_cast<int>(ERROR_GRACEFUL_DISCONNECT))
    return words(QT_TRANSLATE_NOOP("Words", "connection closed by the server"));
  const std::string text = PlainErrorText(error);
  return text.empty() ? words(QT_TRANSLATE_NOOP("Words", "error %1"), {std::to_string(-error)}) : text;
}
