#include "app/LinkHealth.h"

#include <algorithm>
#include <chrono>

#include "app/Reconnector.h"

namespace {

constexpr TLinkHealth::TMs kShortestPeriodMs = 20;
constexpr TLinkHealth::TMs kLongestPeriodMs = 600'000;

}  // namespace

TLinkHealth::TMs TLinkHealth::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void TLinkHealth::Opened(TMs now) {
  FLastBytes = now;
  FKeyDue = false;
  FGivenUpKey = 0;
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

bool TLinkHealth::Stale(TMs now, TMs* silentS) const {
  const TMs silent = now - FLastBytes;
  if (silentS != nullptr) *silentS = std::max<TMs>(1, silent / 1000);
  return silent > SilenceLimitMs(FPeriodMs);
}

TLinkView TLinkHealth::View(const TPortFacts& port, TMs now, const TWords& w) const {
  TLinkView view;
  std::string state;
  TMs silentS = 0;
  if (port.Open) {
    if (Stale(now, &silentS)) {
      view.Level = llStale;
      state = w(QT_TRANSLATE_NOOP("Words", "no data for %1 s"), {std::to_string(silentS)});
    } else {
      view.Level = llGood;
      state = w(QT_TRANSLATE_NOOP("Words", "connected"));
    }
  } else if (!port.Reconnecting.empty()) {
    view.Level = llLost;
    state = port.Reconnecting;
  } else if (port.LastFailure != opNone) {
    view.Level = llFailed;
    state = OpenProblemWords(port.LastFailure, w);
  } else {
    view.Level = llClosed;
    state = w(QT_TRANSLATE_NOOP("Words", "closed"));
  }
  view.Text = "COM" + std::to_string(port.ComNumber) + (port.Path.empty() ? "" : " " + port.Path) + " " + state;
  if (FGivenUpKey != 0)
    view.Text += w(QT_TRANSLATE_NOOP("Words", " \u00b7 no answer to key %1"), {std::to_string(FGivenUpKey)});
  return view;
}
