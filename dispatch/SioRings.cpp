// The input and output rings.
#include "dispatch/SioRings.h"

#include <algorithm>
#include <cstring>

// ---- Input ring ----------------------------------------------------------------------------

void TInputRing::Allocate() {
  FBytes = std::make_unique<std::uint8_t[]>(kInRingSize);
  FHead.store(0, std::memory_order_relaxed);
  FTail = 0;
  FFull = false;
  FArrived = 0;
}

void TInputRing::Release() {
  FBytes.reset();
  FHead.store(0, std::memory_order_relaxed);
  FTail = 0;
  FFull = false;
}

std::uint8_t* TInputRing::FreeStretch(std::uint32_t& length, std::uint32_t& more) const {
  const std::uint32_t head = Head();
  std::uint32_t free = 0;
  if (FFull) {
    length = 0;
  } else if (head == FTail) {
    // One byte short of the ring's size: a fill that brought the head all the way round to
    // where it started would look, to anyone comparing positions, as if nothing had arrived.
    free = kInRingSize - 1;
    length = std::min(kInRingSize - head, free);
  } else if (FTail > head) {
    free = length = FTail - head;
  } else {
    free = FTail + kInRingSize - head;
    length = kInRingSize - head;
  }
  more = free - length;
  return FBytes.get() + head;
}

void TInputRing::Added(std::uint32_t n) {
  if (n == 0) return;
  std::uint32_t head = Head() + n;
  if (head >= kInRingSize) head -= kInRingSize;
  FHead.store(head, std::memory_order_relaxed);
  FFull = head == FTail;
  FArrived += n;
}

std::uint32_t TInputRing::CountBefore(std::uint32_t position, std::uint32_t length) const {
  const std::uint32_t x = position >= length ? position - length : position + kInRingSize - length;
  const std::uint32_t distance = Count(x, FTail, false);
  // A position the application has already read past holds no unread bytes before it (the
  // plain ring distance would wrap to nearly a whole ring).
  return distance >= Count() ? 0 : distance + 1;
}

void TInputRing::CopyOut(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t count) const {
  const std::uint32_t start = (FTail + offset) % kInRingSize;
  const std::uint32_t first = std::min(count, kInRingSize - start);
  std::memcpy(buffer, FBytes.get() + start, first);
  std::memcpy(buffer + first, FBytes.get(), count - first);
}

bool TInputRing::Consume(std::uint32_t count) {
  if (count == 0) return false;
  const bool wasFull = FFull;
  FTail = (FTail + count) % kInRingSize;
  FFull = false;
  return wasFull;
}

void TInputRing::Purge() {
  FTail = Head();
  FFull = false;
}

// ---- Output ring ---------------------------------------------------------------------------

void TOutputRing::Allocate(std::uint32_t size) {
  FBytes = std::make_unique<std::uint8_t[]>(size);
  FSize = size;
  Empty();
}

void TOutputRing::Release() {
  FBytes.reset();
  Empty();
}

void TOutputRing::Put(const std::uint8_t* bytes, std::uint32_t count) {
  if (count == 0) return;
  const std::uint32_t room = FSize - FHead;
  if (count > room) {
    std::memcpy(FBytes.get() + FHead, bytes, room);
    std::memcpy(FBytes.get(), bytes + room, count - room);
    FHead = count - room;
  } else {
    std::memcpy(FBytes.get() + FHead, bytes, count);
    FHead = count == room ? 0 : FHead + count;
  }
  FFull = FHead == FTail;
}

bool TOutputRing::TakeRun(const std::uint8_t*& data, std::uint32_t& run, std::uint32_t& generation) {
  if (!FBytes || Count() == 0) return false;
  if (FTail < FHead) {
    run = FHead - FTail;
  } else if (FHead == 0) {
    run = FSize - FTail;
  } else {
    // The queued bytes wrap (or fill the ring from a tail that is not 0): rotated to the
    // start so that one write sends them all.  The free gap ends up after them.
    std::rotate(FBytes.get(), FBytes.get() + FTail, FBytes.get() + FSize);
    run = (FSize - FTail) + FHead;
    FHead = run == FSize ? 0 : run;
    FTail = 0;
  }
  data = FBytes.get() + FTail;
  generation = FGeneration;
  return true;
}

void TOutputRing::Advance(std::uint32_t n, std::uint32_t generation) {
  if (n == 0 || generation != FGeneration) return;
  FTail += n;
  if (FTail >= FSize) FTail = 0;
  if (FTail == FHead) FHead = FTail = 0;
  FFull = false;
}

void TOutputRing::Empty() {
  FHead = FTail = 0;
  FFull = false;
  ++FGeneration;
}
