// When a measurement was made: wall-clock time for people, monotonic time for intervals.
#pragma once

#include <cstdint>
#include <string>

struct TTimestamp {
  std::int64_t UtcMs = 0;        // milliseconds since 1970-01-01T00:00:00Z
  std::int64_t MonotonicNs = 0;  // steady clock; only differences mean anything
};

// Both clocks now.  Any thread.
TTimestamp NowTimestamp();

// ISO 8601 local time with milliseconds and the UTC offset, e.g. 2026-12-07T10:15:02.123+01:00,
// in the time zone the process has (TZ).  An offset of zero is written +00:00.
std::string LocalIsoTime(std::int64_t utcMs);
