// The dispatch log: time-stamped events of the dispatcher, kept in a byte ring.
//
// Memory is allocated once by Create; recording never allocates.  A full ring drops whole
// oldest entries.  Not thread-safe: the dispatcher calls every operation under MainLock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TTraceTextFile;

// Log kinds and subkinds that the dispatcher records.
enum TLogKind : std::uint8_t {
  lkNone = 0, lkDispatch = 1, lkTrigger = 2, lkError = 3, lkThread = 4, lkTrigAllc = 5,
  lkTrigDisp = 6, lkTrgHdAlc = 7, lkTrgHdDsp = 8, lkTrDatChg = 9, lkTelnet = 10, lkUser = 19
};
enum TLogSubkind : std::uint8_t {
  lsNone = 0, lsReadCom = 1, lsWriteCom = 2, lsLineStatus = 3, lsModemStatus = 4,
  lsTrigAvail = 5, lsTrigTimer = 6, lsTrigData = 7, lsTrigStatus = 8,
  lsStatus = 15, lsAvail = 16, lsWindow = 17, lsProcedure = 18, lsMethod = 19, lsTelnetCommand = 28
};

class TDispatchLog {
 public:
  static constexpr std::uint32_t kMaxSize = 16'000'000;
  static constexpr std::uint32_t kHeaderSize = 14;  // kind, subkind, time, data, length

  // A log that exists is only emptied (On is not changed).  Otherwise allocates a ring of
  // `size` bytes and a scratch block for entry data of `scratchSize` bytes (at most what
  // the ring can hold of one entry's data), and switches recording on.  When memory cannot
  // be had no log exists afterwards and recording stays off.
  void Create(std::uint32_t size, std::uint32_t scratchSize);
  void Reset();
  void Discard();
  void Resume();
  void Pause();
  // Adds one entry; `timeMs` is milliseconds since the line was opened.  Whole oldest
  // entries are dropped to make room.  A ring of kHeaderSize bytes or less stores nothing.
  // Of the block at most ScratchSize() bytes are kept (`data` still tells the full count):
  // reading the entry back always fits the scratch block, and since the scratch is never
  // larger than the ring holds beside one header, header and kept bytes are stored together
  // or not at all, so the written log never shows another entry's bytes as data.
  void Record(std::uint32_t timeMs, std::uint8_t kind, std::uint8_t subkind, std::uint32_t data,
              const std::uint8_t* block, std::uint32_t length) noexcept;
  // Writes the header lines and one line per entry, oldest first, then discards the log.
  // 0, or the negated I/O error code (then the log and its entries remain, paused).
  // An empty or absent log writes no file and returns 0.
  int Write(const std::string& fileName, bool append, bool hex, bool allHex);

  bool On() const { return FOn; }
  bool Exists() const { return FRing != nullptr; }
  std::uint32_t Size() const { return FRingSize; }
  std::uint32_t Free() const { return FFree; }
  std::uint32_t ScratchSize() const { return FScratchSize; }

 private:
  struct TEntryHeader {
    std::uint8_t Kind;
    std::uint8_t Subkind;
    std::uint32_t Time;
    std::uint32_t Data;
    std::uint32_t Length;
  };
  void Put(const std::uint8_t* bytes, std::uint32_t count) noexcept;
  void Get(std::uint8_t* bytes, std::uint32_t count) noexcept;  // null: skip
  // Takes the oldest entry out, its data going to the scratch block when `keepData`.
  bool TakeEntry(TEntryHeader& header, bool keepData) noexcept;
  void WriteEntry(TTraceTextFile& file, const TEntryHeader& header, bool hex, bool allHex);

  std::unique_ptr<std::uint8_t[]> FRing;
  std::unique_ptr<std::uint8_t[]> FScratch;
  std::uint32_t FRingSize = 0;
  std::uint32_t FScratchSize = 0;
  std::uint32_t FHead = 0;
  std::uint32_t FTail = 0;
  std::uint32_t FFree = 0;
  bool FOn = false;
};
