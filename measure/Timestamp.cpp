#include "measure/Timestamp.h"

#include <chrono>
#include <cstdio>
#include <ctime>

TTimestamp NowTimestamp() {
  using namespace std::chrono;
  TTimestamp t;
  t.UtcMs = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  t.MonotonicNs = duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
  return t;
}

std::string LocalIsoTime(std::int64_t utcMs) {
  // Floor division, so times before 1970 keep a millisecond part of 0..999.
  std::int64_t seconds = utcMs / 1000;
  std::int64_t ms = utcMs % 1000;
  if (ms < 0) {
    ms += 1000;
    --seconds;
  }
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  // Offsets stay within a day; the bound only keeps the text's length evident.
  const int offsetMin = static_cast<int>(local.tm_gmtoff / 60 % (24 * 60));
  const int absMin = offsetMin < 0 ? -offsetMin : offsetMin;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms),
                offsetMin < 0 ? '-' : '+', absMin / 60, absMin % 60);
  return text;
}
