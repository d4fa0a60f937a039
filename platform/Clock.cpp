#include "platform/Clock.h"

#include <ctime>

namespace {
std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
}  // namespace

bool QueryPerformanceFrequency(std::int64_t& frequency) {
  frequency = 1000000000;
  return true;
}

std::int64_t QueryPerformanceCounter() { return MonotonicNs(); }

std::uint32_t SystemMsTimer() { return static_cast<std::uint32_t>(MonotonicNs() / 1000000); }
