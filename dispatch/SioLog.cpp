#include "dispatch/SioLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "dispatch/SioTraceText.h"
#include "common/SioMisc.h"
#include "common/SioStrRes.h"

namespace {

// Ids of the log's texts in the message table.
constexpr std::uint32_t kKindNameBase = 15001;
constexpr std::uint32_t kSubkindNameBase = 15100;
constexpr std::uint32_t kColumnTitles = 15501;
constexpr std::uint32_t kColumnRules = 15502;
constexpr std::uint32_t kModemBitBase = 15601;
constexpr std::uint32_t kTelnetOptionBase = 15700;
constexpr std::uint32_t kLastTelnetOption = 42;

constexpr std::uint8_t kTelnetKind = 10;
constexpr std::uint8_t kUserKind = 19;
constexpr std::uint8_t kModemStatusSubkind = 4;
constexpr std::uint8_t kStatusTypeSubkind = 15;

// The width of the fixed part of a line; data bytes start in the next column.
constexpr std::uint32_t kFixedWidth = 44;
constexpr std::uint32_t kLastColumn = 78;

// The log never raises while it writes: a missing text is empty.
std::string LogText(std::uint32_t id) { return ErrorStrings().FindString(id).value_or(""); }

// Seven digits or more, the last three after a point: 1234 ms reads 0001.234.
std::string TimeText(std::uint32_t ms) {
  char text[16];
  std::snprintf(text, sizeof text, "%04u.%03u", static_cast<unsigned>(ms / 1000),
                static_cast<unsigned>(ms % 1000));
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

const char* StatusTypeText(std::uint8_t type) {
  static constexpr const char* kTypes[] = {"(Not active)",         "(Modem status)",
                                           "(Line status)",        "(Output buffer free)",
                                           "(Output buffer used)", "(Output sent)"};
  return type < std::size(kTypes) ? kTypes[type] : "";
}

}  // namespace

void TDispatchLog::Create(std::uint32_t size, std::uint32_t scratchSize) {
  if (FRing) {
    Reset();
    return;
  }
  // No entry's data can be larger than what the ring holds beside the header.
  const std::uint32_t largestBlock = size > kHeaderSize ? size - kHeaderSize : 0;
  scratchSize = std::min(scratchSize, largestBlock);
  FRing.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>(size, 1)]());
  FScratch.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>(scratchSize, 1)]());
  if (!FRing || !FScratch) {
    Discard();
    return;
  }
  FRingSize = size;
  FScratchSize = scratchSize;
  FHead = FTail = 0;
  FFree = size;
  FOn = true;
}

void TDispatchLog::Reset() {
  FHead = FTail = 0;
  FFree = FRingSize;
}

void TDispatchLog::Discard() {
  FOn = false;
  FRing.reset();
  FScratch.reset();
  FRingSize = FScratchSize = 0;
  FHead = FTail = FFree = 0;
}

void TDispatchLog::Resume() {
  if (FRing) FOn = true;
}

void TDispatchLog::Pause() { FOn = false; }

void TDispatchLog::Put(const std::uint8_t* bytes, std::uint32_t count) noexcept {
  const std::uint32_t first = std::min(count, FRingSize - FHead);
  std::memcpy(&FRing[FHead], bytes, first);
  std::memcpy(&FRing[0], bytes + first, count - first);
  FHead = (FHead + count) % FRingSize;
  FFree -= count;
}

void TDispatchLog::Get(std::uint8_t* bytes, std::uint32_t count) noexcept {
  const std::uint32_t first = std::min(count, FRingSize - FTail);
  if (bytes != nullptr) {
    std::memcpy(bytes, &FRing[FTail], first);
    std::memcpy(bytes + first, &FRing[0], count - first);
  }
  FTail = (FTail + count) % FRingSize;
  FFree += count;
}

bool TDispatchLog::TakeEntry(TEntryHeader& header, bool keepData) noexcept {
  if (!FRing || FFree == FRingSize) return false;
  std::uint8_t raw[kHeaderSize];
  Get(raw, kHeaderSize);
  header.Kind = raw[0];
  header.Subkind = raw[1];
  std::memcpy(&header.Time, raw + 2, 4);
  std::memcpy(&header.Data, raw + 6, 4);
  std::memcpy(&header.Length, raw + 10, 4);
  // Record never stores more than the scratch holds.
  Get(keepData ? FScratch.get() : nullptr, header.Length);
  return true;
}

void TDispatchLog::Record(std::uint32_t timeMs, std::uint8_t kind, std::uint8_t subkind,
                          std::uint32_t data, const std::uint8_t* block,
                          std::uint32_t length) noexcept {
  if (!FRing || FRingSize <= kHeaderSize) return;
  // The scratch is never larger than the ring holds beside one header, so a cut block
  // always fits, and no block is ever left out after its header.
  const std::uint32_t stored = block != nullptr ? std::min(length, FScratchSize) : 0;
  const std::uint32_t needed = kHeaderSize + stored;
  TEntryHeader dropped;
  while (FFree < needed && TakeEntry(dropped, false)) {
  }
  std::uint8_t raw[kHeaderSize];
  raw[0] = kind;
  raw[1] = subkind;
  std::memcpy(raw + 2, &timeMs, 4);
  std::memcpy(raw + 6, &data, 4);
  std::memcpy(raw + 10, &stored, 4);
  Put(raw, kHeaderSize);
  if (stored != 0) Put(block, stored);
}

void TDispatchLog::WriteEntry(TTraceTextFile& file, const TEntryHeader& header, bool hex,
                              bool allHex) {
  const std::string kindName = LogText(kKindNameBase + header.Kind);
  const std::string subkindName = header.Subkind == 0 ? "" : LogText(kSubkindNameBase + header.Subkind);
  char fixed[96];
  const int n = std::snprintf(fixed, sizeof fixed, "%8s  %-8s  %-12s  %08X  ",
                              TimeText(header.Time).c_str(), kindName.c_str(),
                              subkindName.c_str(), static_cast<unsigned>(header.Data));
  file.Put(fixed, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof fixed) - 1)));

  if (header.Length == 0) {
    if (header.Kind == kTelnetKind) {
      file.Put("[");
      if (header.Data <= kLastTelnetOption) file.Put(LogText(kTelnetOptionBase + header.Data));
      file.Put("]");
    }
  } else if (header.Subkind == kStatusTypeSubkind && (header.Kind == 5 || header.Kind == 6)) {
    file.Put(StatusTypeText(FScratch[0]));
  } else {
    std::uint32_t column = kFixedWidth + 1;
    char text[8];
    for (std::uint32_t i = 0; i < header.Length; ++i) {
      const std::uint8_t value = FScratch[i];
      int width;
      if (allHex && header.Kind == kUserKind) {
        text[0] = static_cast<char>(value);
        width = 1;
      } else {
        width = RenderTraceByte(value, hex, allHex, text);
      }
      column += static_cast<std::uint32_t>(width);
      if (column > kLastColumn) {
        file.LineEnd();
        file.Put(std::string(kFixedWidth, ' '));
        column = kFixedWidth + 1 + static_cast<std::uint32_t>(width);
      }
      file.Put(text, static_cast<std::size_t>(width));
    }
    if (header.Subkind == kModemStatusSubkind) {
      std::string names;
      for (std::uint32_t bit = 0; bit < 8; ++bit) {
        if ((header.Data >> bit) & 1) names += LogText(kModemBitBase + bit);
      }
      file.Put("(");
      file.Put(Trimmed(names));
      file.Put(")");
    }
  }
  file.LineEnd();
}

int TDispatchLog::Write(const std::string& fileName, bool append, bool hex, bool allHex) {
  if (!FRing || FFree == FRingSize) {
    Discard();
    return 0;
  }
  FOn = false;
  TTraceTextFile file;
  if (const int opened = file.Open(fileName, append); opened != 0) return opened;

  file.Put("SIO " + TSioBaseComponent(nullptr).Version());
  file.LineEnd();
  file.Put("Compiler : " + CompilerText());
  file.LineEnd();
  file.Put("Operating System : " + PlatformText());
  file.LineEnd();
  file.Put(LogText(kColumnTitles));
  file.LineEnd();
  file.Put(LogText(kColumnRules));
  file.LineEnd();

  TEntryHeader header;
  while (TakeEntry(header, true)) WriteEntry(file, header, hex, allHex);
  const int result = file.Close();
  Discard();
  return result;
}
