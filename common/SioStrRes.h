// The string table reader: looks message texts up by id in a STR0 table embedded in the
// program as a named resource.
//
// STR0 block (all integers little-endian, offsets from the start of the block):
//   0         4 bytes   magic "STR0"
//   4         4 bytes   entry count N
//   8         12 x N    entries: id, byte offset of the text, text length in UTF-16 units
//   8 + 12N   rest      UTF-16LE texts without terminators, in entry order
// Entries are sorted by ascending id; lookups bisect.
//
// Thread safety: a loaded table is immutable, so GetString may run on any number of
// threads at once.  ErrorStrings() and ReaderStrings() are created on first use, safely
// from any thread, and live until the process ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/SysUtils.h"

// Raised by the reader for a missing or malformed table, or, with RaiseOnMissing set, for
// a missing id.
class EOrvStringResourceError : public Exception {
 public:
  using Exception::Exception;
};

class TSioStringResource {
 public:
  // Loads the table named `resourceName`.  `instance` names the module whose resources
  // are searched first; this program has a single store, so it may be nullptr.
  // Raises EOrvStringResourceError "String resource not found: <name>" when there is no
  // such resource, and "Invalid OrvString resource" when the block is not a STR0 table or
  // its count, entries or order do not fit the block.
  TSioStringResource(const void* instance, std::string_view resourceName);
  TSioStringResource(const TSioStringResource&) = delete;
  TSioStringResource& operator=(const TSioStringResource&) = delete;

  // The text of `id` in the program's 8-bit code page (UTF-8), or "" when the table has
  // no such id (with RaiseOnMissing: raises "String not found: <id>").
  std::string GetString(std::uint32_t id) const;
  // The text of `id`, or none; never raises.
  std::optional<std::string> FindString(std::uint32_t id) const;

  bool RaiseOnMissing() const { return FRaiseOnMissing.load(std::memory_order_relaxed); }
  void SetRaiseOnMissing(bool value) { FRaiseOnMissing.store(value, std::memory_order_relaxed); }

  const std::string& ResourceName() const { return FResourceName; }
  std::uint32_t Count() const { return FCount; }

 private:
  std::string FResourceName;
  std::span<const std::uint8_t> FBlock;
  std::uint32_t FCount = 0;
  std::atomic<bool> FRaiseOnMissing{false};
};

// The process-wide readers over "SIO_ERROR_STRINGS_ENGLISH" (the message table) and
// "SIOSTRRES_STRINGS" (the reader's own five messages).  ReaderStrings is always created
// before ErrorStrings and so destroyed after it.
TSioStringResource& ErrorStrings();
TSioStringResource& ReaderStrings();

// Registers the embedded message tables with the named resources (idempotent).  The
// readers call it before their first lookup.
void RegisterSioStringTables();
