#include "dispatch/SioArrivalTimes.h"

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

void TSioArrivalTimes::Mark(std::uint64_t arrivedEnd) { Mark(arrivedEnd, QueryPerformanceCounter()); }

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
