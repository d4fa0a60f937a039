// The component base of the serial family and the routines its parts share.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Component.h"

// Counts of the high-resolution counter per millisecond, or 0 when MsClock is to use the
// system millisecond timer.  Set once at start-up (InitTicksPerMillisecond), before the
// message tables are loaded.
extern std::uint32_t TicksPerMillisecond;
// frequency div 1000, plus 1 when frequency mod 1000 exceeds 500; 0 when the frequency
// is 0 or does not fit in 32 bits.
std::uint32_t TicksPerMillisecondFor(std::int64_t frequency);
void InitTicksPerMillisecond();

class TSioBaseComponent : public TComponent {
 public:
  explicit TSioBaseComponent(TComponent* owner);
  // Always "v3.02"; writing is accepted and ignored.
  std::string Version() const { return "v3.02"; }
  void SetVersion(const std::string&) {}
  std::string ClassName() const override { return "TSioBaseComponent"; }
};

// A timer in ticks of 55 ms of MsClock.
struct TickTimer {
  std::int32_t StartTicks = 0;
  std::int32_t ExpireTicks = 0;
};

// Milliseconds from an arbitrary origin, wrapping at 2^32.  Any thread.
std::uint32_t MsClock();
// (counter div ticksPerMillisecond) mod 2^32 (ticksPerMillisecond > 0): MsClock's
// arithmetic for a given counter reading.
std::uint32_t MsClockFor(std::uint64_t counter, std::uint32_t ticksPerMillisecond);
// Whether the tick timer has expired at the current MsClock (allows for a wrapped clock).
bool TimerHasExpired(const TickTimer& timer);
// The same rule for a given tick count N = MsClock div 55 (the testable core).
bool TimerHasExpiredAt(const TickTimer& timer, std::uint32_t nowTicks);
// Takes at most one message off the calling thread's queue and handles it; a quit
// message taken off is posted again with its exit code.
void PumpOneMessage();
bool NamedFileExists(const char* fileName);
inline bool AnyFlagSet(std::uint32_t value, std::uint32_t mask) { return (value & mask) != 0; }
