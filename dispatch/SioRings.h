// The dispatcher's two byte rings: the input ring the dispatch worker fills from the device
// and readers take from, and the output ring writers queue into and the output worker drains.
//
// Neither takes a lock: each is guarded by one of its dispatcher's locks (said at each
// class), and every member is called with that lock held unless its comment says otherwise.
// Storage lives from Allocate to Release; a released ring holds nothing and takes nothing.
// The per-byte work is a memcpy (or a look at one byte); the rest is a few index steps.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "dispatch/SioTypes.h"

// The input ring of kInRingSize bytes.  Guarded by InputLock.  The head is moved by the
// dispatch worker alone (Added), so the worker may read it without the lock.
class TInputRing {
 public:
  // Bytes held by a ring of kInRingSize from `tail` up to `head`; a full ring has them equal.
  static std::uint32_t Count(std::uint32_t head, std::uint32_t tail, bool full) {
    if (head == tail) return full ? kInRingSize : 0;
    return tail < head ? head - tail : head + kInRingSize - tail;
  }
  static std::uint32_t Next(std::uint32_t index) { return index + 1 == kInRingSize ? 0 : index + 1; }

  // An empty ring with fresh storage (std::bad_alloc when there is none); Release frees it.
  void Allocate();
  void Release();
  bool Allocated() const { return FBytes != nullptr; }

  std::uint32_t Head() const { return FHead.load(std::memory_order_relaxed); }
  std::uint32_t Tail() const { return FTail; }
  bool Full() const { return FFull; }
  std::uint32_t Count() const { return Count(Head(), FTail, FFull); }
  // Bytes put in since Allocate: whether bytes arrived is told by this count, since a whole
  // ring brings the head back to where it was.
  std::uint64_t Arrived() const { return FArrived; }
  std::uint8_t At(std::uint32_t index) const { return FBytes[index]; }

  // Where the device may put bytes next: the free stretch from the head to the tail or the
  // ring's end, and in `more` what is free after that from the ring's start.  An empty ring
  // offers one byte less than its size, so that filling it never brings the head round to
  // where it started.  Dispatch worker.
  std::uint8_t* FreeStretch(std::uint32_t& length, std::uint32_t& more) const;
  // Where the head is; the next bytes go there.  Dispatch worker.
  std::uint8_t* HeadBytes() const { return FBytes.get() + Head(); }
  // `n` bytes were put at the head.  Dispatch worker.
  void Added(std::uint32_t n);
  // Unread bytes up to the one before a `length`-byte string that ends at `position`
  // (all of them up to `position` for length 0); 0 when the position was read past.
  std::uint32_t CountBefore(std::uint32_t position, std::uint32_t length) const;
  // Copies `count` bytes from `offset` past the tail (they must be held).
  void CopyOut(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t count) const;
  // The tail moves past `count` held bytes.  Returns whether the ring was full (the device
  // may hold bytes the ring could not take).
  bool Consume(std::uint32_t count);
  // Everything held is thrown away.
  void Purge();

 private:
  std::unique_ptr<std::uint8_t[]> FBytes;
  std::atomic<std::uint32_t> FHead{0};
  std::uint32_t FTail = 0;
  bool FFull = false;
  std::uint64_t FArrived = 0;
};

// The output ring of Size() bytes (the port's OutSize).  Guarded by OutputLock.  The output
// worker sends a run of it without the lock (TakeRun, then Advance): the run lies between
// tail and head, which only the worker moves past, and writers add only to the free part.
// Each emptying of the ring starts a new generation, so that a run taken before a purge
// does not move the ring afterwards.
class TOutputRing {
 public:
  // An empty ring of `size` bytes (std::bad_alloc when there is no storage); Release frees
  // it.  Both start a new generation.
  void Allocate(std::uint32_t size);
  void Release();
  bool Allocated() const { return FBytes != nullptr; }

  std::uint32_t Size() const { return FSize; }
  std::uint32_t Head() const { return FHead; }
  std::uint32_t Tail() const { return FTail; }
  bool Full() const { return FFull; }
  std::uint32_t Generation() const { return FGeneration; }
  std::uint32_t Count() const {
    if (FFull) return FSize;
    return FTail <= FHead ? FHead - FTail : FSize + FHead - FTail;
  }
  std::uint32_t Free() const { return FSize - Count(); }

  // Queues `count` bytes (no more than Free()) at the head.
  void Put(const std::uint8_t* bytes, std::uint32_t count);
  // The bytes to send next, contiguous (a wrapped run is rotated to the ring's start first),
  // with the ring's generation; false when the ring is empty.
  bool TakeRun(const std::uint8_t*& data, std::uint32_t& run, std::uint32_t& generation);
  // `n` bytes of a run taken in `generation` were sent; ignored when the ring has been
  // emptied since.
  void Advance(std::uint32_t n, std::uint32_t generation);
  // Everything queued is thrown away; a new generation.
  void Empty();

 private:
  std::unique_ptr<std::uint8_t[]> FBytes;
  std::uint32_t FSize = 0;
  std::uint32_t FHead = 0;
  std::uint32_t FTail = 0;
  bool FFull = false;
  std::uint32_t FGeneration = 0;
};
