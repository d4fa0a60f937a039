#include "dispatch/SioArrivalTimes.h"

#include <algorithm>

#include "platform/Clock.h"

void TSioArrivalTimes::Clear() {
  FFirst = 0;
  FCount = 0;
}

void TSioArrivalTimes::Mark(std::uint64_t arrivedEnd, std::int64_t ns) {
  if (FCount > 0 && arrivedEnd <= FMarks[(FFirst + FCount - 1) % kArrivalMarks].End) return;
  if (FCount == kArrivalMarks) {
    // Full: the oldest mark goes.  Its bytes have left the ring (see the header).
    FFirst = (FFirst + 1) % kArrivalMarks;
    --FCount;
  }
  FMarks[(FFirst + FCount) % kArrivalMarks] = {arrivedEnd, ns};
  ++FCount;
}

void TSioArrivalTimes::Mark(std::uint64_t arrivedEnd) {
  std::int64_t endNs = QueryPerformanceCounter();
  for (std::size_t i = 0; i < FWaitingCount; ++i) {
    const TMark& note = FWaiting[i];
    if (note.End >= arrivedEnd) {
      // The read took only part of what the note tells of: its last byte came by then too.
      endNs = std::min(endNs, note.Ns);
      break;
    }
    Mark(note.End, note.Ns);
  }
  FWaitingCount = 0;
  Mark(arrivedEnd, endNs);
}

void TSioArrivalTimes::NoteWaiting(std::uint64_t end, std::int64_t ns) {
  if (FWaitingCount == kGatherNotes) return;
  FWaiting[FWaitingCount++] = {end, ns};
}

std::int64_t TSioArrivalTimes::TimeOf(std::uint64_t index) const {
  if (FCount == 0) return 0;
  // The first mark whose end lies past `index`; the newest when none does (a byte counted
  // before its mark was written cannot be read, but the answer stays sensible).
  std::size_t low = 0, high = FCount - 1;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (FMarks[(FFirst + middle) % kArrivalMarks].End > index) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return FMarks[(FFirst + low) % kArrivalMarks].Ns;
}
