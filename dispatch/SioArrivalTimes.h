// When the bytes of the input ring arrived: a bounded table of marks written where the bytes
// are read from the device, so that a reader who takes them late (a busy or stopped main
// thread) still learns when they came.
//
// Bytes are numbered by arrival since the line opened (the dispatcher's count of the bytes
// FillInRing put into the input ring, TInputRing::Arrived()).  After each FillInRing that brought bytes,
// the dispatch worker adds one mark: "bytes before `arrivedEnd` had arrived at `ns`" (the
// monotonic clock, CLOCK_MONOTONIC in ns, read right after the device read).  A reader asks
// for the time of byte number i: the time of the first mark whose end lies past i.
//
// The table holds kArrivalMarks marks, one per read that brought bytes; a ring of kInRingSize
// bytes cannot hold bytes of more reads than that, so every byte still in the ring has its
// mark.  A byte older than the oldest mark (none is, while the ring's bound holds) gets the
// oldest mark's time, the earliest the table can still tell.  No allocation, no lock of its
// own: the dispatcher writes and reads it under InputLock.  Cost: one entry per read, a
// binary search of at most 13 steps per lookup.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "dispatch/SioTypes.h"

class TSioArrivalTimes {
 public:
  static constexpr std::size_t kArrivalMarks = kInRingSize;

  // Forgets every mark (the line opened: the count starts again at 0).
  void Clear();
  // Bytes [previous end, arrivedEnd) arrived at `ns`.  arrivedEnd must grow from call to call;
  // a call with no new bytes is ignored.
  void Mark(std::uint64_t arrivedEnd, std::int64_t ns);
  // The same, now.
  void Mark(std::uint64_t arrivedEnd);
  // When byte number `index` arrived; 0 when the table has no mark yet.
  std::int64_t TimeOf(std::uint64_t index) const;

 private:
  struct TMark {
    std::uint64_t End = 0;
    std::int64_t Ns = 0;
  };
  std::array<TMark, kArrivalMarks> FMarks{};
  std::size_t FFirst = 0;  // the oldest mark
  std::size_t FCount = 0;
};
