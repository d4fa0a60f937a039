#include "common/SioMisc.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/Clock.h"
#include "platform/Messages.h"

std::uint32_t TicksPerMillisecond = 0;

namespace {

// MsClock div 55 runs from 0 to 78090314 and then starts again at 0: a timer set before
// the wrap is compared as if the count had gone on, so after the wrap the current tick
// count is advanced by the number of distinct tick values.
constexpr std::int64_t kTicksPerClockWrap = (std::int64_t{1} << 32) / 55 + 1;

std::once_flag ticksOnce;

}  // namespace

std::uint32_t TicksPerMillisecondFor(std::int64_t frequency) {
  if (frequency <= 0 || frequency > 0xFFFFFFFFll) return 0;
  const auto f = static_cast<std::uint32_t>(frequency);
  return f / 1000 + (f % 1000 > 500 ? 1 : 0);
}

void InitTicksPerMillisecond() {
  // Set once only: every MsClock reading must come from the same source, or times taken
  // before and after a change could not be compared.
  std::call_once(ticksOnce, [] {
    std::int64_t frequency = 0;
    if (QueryPerformanceFrequency(frequency)) TicksPerMillisecond = TicksPerMillisecondFor(frequency);
  });
}

TSioBaseComponent::TSioBaseComponent(TComponent* owner) : TComponent(owner) {}

std::uint32_t MsClockFor(std::uint64_t counter, std::uint32_t ticksPerMillisecond) {
  // (counter div T) mod 2^32 with two 32-bit divisions: the remainder of the high half
  // is carried into the division of the low half, so the quotient of that step fits.
  const auto high = static_cast<std::uint32_t>(counter >> 32);
  const auto low = static_cast<std::uint32_t>(counter);
  const std::uint32_t carry = high % ticksPerMillisecond;
  return static_cast<std::uint32_t>(((static_cast<std::uint64_t>(carry) << 32) | low) /
                                    ticksPerMillisecond);
}

std::uint32_t MsClock() {
  InitTicksPerMillisecond();
  if (TicksPerMillisecond == 0) return SystemMsTimer();
  return MsClockFor(static_cast<std::uint64_t>(QueryPerformanceCounter()), TicksPerMillisecond);
}

bool TimerHasExpiredAt(const TickTimer& timer, std::uint32_t nowTicks) {
  const auto now = static_cast<std::int32_t>(nowTicks);
  if (now > timer.ExpireTicks) return true;
  if (now >= timer.StartTicks) return false;
  return now + kTicksPerClockWrap > timer.ExpireTicks;
}

bool TimerHasExpired(const TickTimer& timer) { return TimerHasExpiredAt(timer, MsClock() / 55); }

void PumpOneMessage() {
  TMsg msg;
  if (!PeekMessage(msg, true)) return;
  if (msg.Message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(msg.WParam));
    return;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
}

bool NamedFileExists(const char* fileName) {
  if (fileName == nullptr || *fileName == '\0') return false;
  std::error_code error;
  const auto status = std::filesystem::status(fileName, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}
