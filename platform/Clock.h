// Clocks: a high-resolution counter with its frequency, and the system millisecond timer.
#pragma once

#include <cstdint>

// Counts per second of QueryPerformanceCounter; false when no counter is available.
bool QueryPerformanceFrequency(std::int64_t& frequency);
// Monotonic counter (CLOCK_MONOTONIC in nanoseconds).
std::int64_t QueryPerformanceCounter();
// Milliseconds since an arbitrary origin (system start), wrapping at 2^32.
std::uint32_t SystemMsTimer();
