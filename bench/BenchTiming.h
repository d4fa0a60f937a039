// Wall-clock timing for the benchmarks that measure one operation at a time: durations in
// milliseconds and a line with their median, 99th percentile and worst.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double Ms(BenchClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * static_cast<double>(ms.size() - 1))]; };
  std::printf("%-52s n=%4zu  median %7.3f ms  p99 %7.3f ms  worst %7.3f ms\n", what, ms.size(), at(0.5),
              at(0.99), ms.back());
}
