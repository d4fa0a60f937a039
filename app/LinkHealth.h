// The health of the instrument link, in plain words for the strip and the logger.
//
// Plain logic over times the caller passes in (milliseconds of a monotonic clock), so it is
// tested without waiting: what the window knows of its port (open or not, why the last open
// failed, a loss being retried) and of the line (when bytes and frames last came, an
// unanswered key) becomes one short text with a level the window shows in colour.
//
//   COM2 /dev/ttyUSB0 connected                       good
//   COM2 /dev/ttyUSB0 no data for 7 s                 stale: nothing for 3 display periods
//   COM2 /dev/ttyUSB0 line lost — reconnecting (…)    lost: the reconnector's state
//   COM2 /dev/ttyUSB0 port busy | no permission | …   failed: the last open failed
//   … · no answer to key 5                            a key given up after KeyAnswerMs
//
// The display period is the instrument's frame interval as seen: the time between the last
// two decoded frames (1 s until two have come).  Main thread only; no Qt, no port.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/Words.h"
#include "port/SioOpenFailure.h"

enum TLinkLevel : std::uint8_t { llClosed, llGood, llStale, llLost, llFailed };

struct TLinkView {
  TLinkLevel Level = llClosed;
  std::string Text;
};

// What the owner knows of its port when it asks for the view.
struct TPortFacts {
  unsigned ComNumber = 0;
  std::string Path;
  bool Open = false;
  TOpenProblem LastFailure = opNone;  // why the last open failed (opNone: it worked)
  std::string Reconnecting;           // the reconnector's state while a lost line is retried
};

// How long a line may be silent before it counts as stale: three display periods, and never
// less than half a second, which frames faster than the instrument's own (a simulator's
// --period-ms) and a loaded machine's late wake-ups easily reach without the line being idle.
constexpr std::int64_t SilenceLimitMs(std::int64_t periodMs) { return std::max<std::int64_t>(3 * periodMs, 500); }

class TLinkHealth {
 public:
  using TMs = std::int64_t;
  // Milliseconds of the monotonic clock (steady_clock), the times every caller passes in.
  static TMs NowMs();
  static constexpr TMs KeyAnswerMs = 2000;       // a key unanswered this long is given up
  static constexpr TMs DefaultPeriodMs = 1000;   // display period until two frames came

  // The port opened (again): the line counts from now, a pending key is over.
  void Opened(TMs now);

  void BytesReceived(TMs now) { FLastBytes = now; }
  void FrameDecoded(TMs now);
  TMs PeriodMs() const { return FPeriodMs; }

  // A key was sent; its answer is due within KeyAnswerMs.
  void KeySent(int code, TMs now);
  void KeyAnswered() { FKeyDue = false; }
  // True once when the key sent last is overdue at `now`: the caller gives it up (and the
  // strip says so until the next key or open).
  bool TakeOverdueKey(TMs now);

  // Whether an open line has been silent longer than SilenceLimitMs at `now`, and for how many
  // whole seconds (at least 1).
  bool Stale(TMs now, TMs* silentS = nullptr) const;
  // The first moment at which the line counts as stale if no bytes come meanwhile.
  TMs SilentUntilMs() const { return FLastBytes + SilenceLimitMs(FPeriodMs) + 1; }

  TLinkView View(const TPortFacts& port, TMs now, const TWords& words = {}) const;

 private:
  TMs FLastBytes = 0;
  TMs FLastFrame = -1;
  TMs FPeriodMs = DefaultPeriodMs;
  bool FKeyDue = false;
  int FKeyCode = 0;
  TMs FKeySentAt = 0;
  int FGivenUpKey = 0;  // the key the strip tells of; 0: none
};

