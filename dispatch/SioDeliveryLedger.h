// Who reads what from the input ring during a delivery of bytes, and who delivers.
//
// The handlers of one delivery all see the same bytes, so the ring's tail stays where it is
// until the delivery ends, and each handler reads from the tail plus what it has taken itself.
// Anyone else reading meanwhile (a program polling the port outside its events) takes bytes
// for good: those after everything the handlers have taken so far.  They become the
// delivery's floor, which the rest of the delivery skips as it skips purged bytes, and the
// tail moves past them when it ends.  Bytes are thus never handed out twice, lost or
// reordered, whatever the dispatch worker is doing when such a read comes.
//
// Guarded by InputLock, except Deliverer (any thread) and the handler count (the dispatch
// worker's own).  Only counts: the ring itself is not touched here.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/Messages.h"

class TDeliveryLedger {
 public:
  // Who reads: nobody is being shown bytes, a handler of the delivery, or someone else.
  enum TReader : std::uint8_t { rdPlain, rdHandler, rdOutsider };

  // ---- The dispatch worker's delivery ----
  // A delivery starts; `reading` when it shows bytes (avail and data triggers).
  void Begin(bool reading) {
    FMostTaken = FHandlerTaken = FFloor = 0;
    FReading = reading;
  }
  // Before each handler: it starts at the floor.
  void BeforeHandler() { FHandlerTaken = FFloor; }
  // After each handler (and at the end, for one still running after its send timed out).
  void AfterHandler() { FMostTaken = std::max(FMostTaken, FHandlerTaken); }
  // The bytes the delivery consumed, by which the tail moves when it ends.
  std::uint32_t Consumed() const { return std::max(FMostTaken, FHandlerTaken); }
  void End() {
    FReading = false;
    FHandlerTaken = 0;
  }

  // ---- Readers ----
  bool Reading() const { return FReading; }
  // `isHandler`: the calling thread runs a handler of this delivery (asked only while
  // reading, the only time it matters).
  TReader ReaderFor(bool isHandler) const { return !FReading ? rdPlain : isHandler ? rdHandler : rdOutsider; }
  // Where `reader` starts, counted from the tail.
  std::uint32_t Offset(TReader reader) const {
    switch (reader) {
      case rdHandler: return FHandlerTaken;
      case rdOutsider: return std::max(FMostTaken, FHandlerTaken);
      default: return 0;
    }
  }
  // `count` bytes were read at `offset` by a handler or an outsider (a plain reader moves
  // the tail instead).
  void Took(TReader reader, std::uint32_t offset, std::uint32_t count) {
    if (reader == rdHandler) {
      FHandlerTaken += count;
    } else if (reader == rdOutsider) {
      FFloor = offset + count;
      FMostTaken = FHandlerTaken = FFloor;
    }
  }
  // The `held` bytes of the ring were thrown away during the delivery: they count as taken,
  // for this handler and the ones after it, and the tail moves past them when it ends.
  void Purged(std::uint32_t held) { FFloor = FMostTaken = FHandlerTaken = held; }

  // ---- Who delivers ----
  // The dispatch worker's sender identity while it delivers, else null.  Any thread.
  TSenderId Deliverer() const { return FDeliverer.load(); }
  void SetDeliverer(TSenderId sender) { FDeliverer = sender; }
  // Handlers the last delivery reached: 0 when it told nobody (none registered yet, or
  // every send timed out).  Dispatch worker.
  std::uint32_t Reached() const { return FReached; }
  void ResetReached() { FReached = 0; }
  void CountReached() { ++FReached; }

 private:
  bool FReading = false;
  std::uint32_t FHandlerTaken = 0;  // by the handler that runs now
  std::uint32_t FMostTaken = 0;     // by any handler so far
  std::uint32_t FFloor = 0;         // consumed for good (purged, or read by an outsider)
  std::atomic<TSenderId> FDeliverer{nullptr};
  std::uint32_t FReached = 0;
};
