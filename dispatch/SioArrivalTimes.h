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
//
// Bytes the event worker let gather in the device (a receive latency, see SioDescriptorWaits.h)
// are read well after they came.  The event worker then leaves notes of when it saw them
// ("bytes before `end` had arrived by `ns`", with `end` counted as the marks are), and the
// read's mark takes them: its bytes get the times the notes give, and only bytes that came
// after the last note get the time of the read.  Notes go with the first read after them
// (a note past what that read took gives its time to the read's last byte), and a purge of
// the device's input forgets them, since the bytes they tell of are gone.
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
  // The bytes a device read brought, read now: the gathered notes first (see above), the rest
  // at this time.
  void Mark(std::uint64_t arrivedEnd);
  // The event worker's note of bytes still in the device: those before `end` had arrived by
  // `ns`.  Notes come in order; ones beyond kGatherNotes are dropped (their bytes get a later
  // note's time or the read's).
  void NoteWaiting(std::uint64_t end, std::int64_t ns);
  // The device's input was purged: the notes tell of nothing any more.
  void ForgetWaiting() { FWaitingCount = 0; }
  static constexpr std::size_t kGatherNotes = 32;
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
  std::array<TMark, kGatherNotes> FWaiting{};
  std::size_t FWaitingCount = 0;
};
