// The byte trace: each byte handed to the line ('T') and taken from it ('R'), in order.
//
// Memory is allocated once by Create; recording never allocates.  A full queue overwrites
// its oldest entries.  Not thread-safe: the dispatcher calls every operation under MainLock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TTraceQueue {
 public:
  static constexpr std::uint32_t kMaxCapacity = 4'000'000;

  // A queue that exists is only emptied and switched on (its capacity stays).  Otherwise
  // allocates `capacity` entries (0 allocates nothing) and switches recording on.
  // Returns 0, or -1002 when capacity exceeds kMaxCapacity (nothing changes).
  int Create(std::uint32_t capacity);
  void Reset();    // empty; state and capacity unchanged
  void Discard();  // off, memory freed
  void Resume();   // on, if a queue exists
  void Pause();    // off, queue kept
  // Adds one entry (kind 'T', 'R' or another character for a special kind).
  void Record(char kind, std::uint8_t value) noexcept;
  // Writes the entries oldest first as text to `fileName` (appending when `append` and the
  // file exists), then discards the trace.  0, or the negated I/O error code.  No entries:
  // no file, 0.
  int Write(const std::string& fileName, bool append, bool hex, bool allHex);

  bool On() const { return FOn; }
  bool Exists() const { return FQueue != nullptr; }
  std::uint32_t Capacity() const { return FCapacity; }
  std::uint32_t Count() const { return FWrapped ? FCapacity : FNext; }

 private:
  std::unique_ptr<std::uint8_t[]> FQueue;  // 2 bytes an entry: kind, value
  std::uint32_t FCapacity = 0;
  std::uint32_t FNext = 0;
  bool FWrapped = false;
  bool FOn = false;
};
