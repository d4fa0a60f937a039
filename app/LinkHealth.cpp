#include "app/LinkHealth.h"

#include <algorithm>

#include "platform/SysErrors.h"

namespace {

constexpr TLinkHealth::TMs kShortestPeriodMs = 20;
constexpr TLinkHealth::TMs kLongestPeriodMs = 600'000;

}  // namespace

void TLinkHealth::Opened(TMs now) {
  FLost = false;
  FLastBytes = now;
  FKeyDue = false;
  FGivenUpKey = 0;
}

void TLinkHealth::Lost(const std::string& reason) {
  FLost = true;
  FLostReason = reason;
}

void TLinkHealth::FrameDecoded(TMs now) {
  if (FLastFrame >= 0 && now > FLastFrame) FPeriodMs = std::clamp(now - FLastFrame, kShortestPeriodMs, kLongestPeriodMs);
  FLastFrame = now;
}

void TLinkHealth::KeySent(int code, TMs now) {
  FKeyDue = true;
  FKeyCode = code;
  FKeySentAt = now;
  FGivenUpKey = 0;
}

bool TLinkHealth::TakeOverdueKey(TMs now) {
  if (!FKeyDue || now - FKeySentAt < KeyAnswerMs) return false;
  FKeyDue = false;
  FGivenUpKey = FKeyCode;
  return true;
}

TLinkView TLinkHealth::View(const TPortFacts& port, TMs now) const {
  TLinkView view;
  std::string state;
  if (port.Open) {
    const TMs silent = now - FLastBytes;
    if (silent > StalePeriods * FPeriodMs) {
      view.Level = llStale;
      state = "no data for " + std::to_string(std::max<TMs>(1, silent / 1000)) + " s";
    } else {
      view.Level = llGood;
      state = "connected";
    }
  } else if (FLost) {
    view.Level = llLost;
    state = "line lost \u2014 reconnecting";
    if (!FLostReason.empty()) state += " (" + FLostReason + ")";
  } else if (port.LastFailure != opNone) {
    view.Level = llFailed;
    state = OpenProblemWords(port.LastFailure);
  } else {
    view.Level = llClosed;
    state = "closed";
  }
  view.Text = "COM" + std::to_string(port.ComNumber) + (port.Path.empty() ? "" : " " + port.Path) + " " + state;
  if (FGivenUpKey != 0) view.Text += " \u00b7 no answer to key " + std::to_string(FGivenUpKey);
  return view;
}

std::string OpenProblemWords(TOpenProblem problem) {
  switch (problem) {
    case opMissing:
      return "no device";
    case opNotSerial:
      return "not a serial device";
    case opBusy:
      return "port busy";
    case opNoPermission:
      return "no permission";
    case opOther:
      return "cannot open";
    case opNone:
      break;
  }
  return {};
}

std::string LineLostWords(int error) {
  if (error == -static_cast<int>(ERROR_GEN_FAILURE)) return "device gone";
  if (error == -static_cast<int>(ERROR_GRACEFUL_DISCONNECT)) return "connection closed by the server";
  const std::string text = PlainErrorText(error);
  return text.empty() ? "error " + std::to_string(-error) : text;
}

std::uint32_t TReconnectSchedule::NextDelayMs() {
  static constexpr std::uint32_t kDelays[] = {1000, 2000, 4000, 5000};
  const int step = std::min<int>(FAttempts, static_cast<int>(std::size(kDelays)) - 1);
  ++FAttempts;
  return kDelays[step];
}
