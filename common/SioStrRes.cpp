#include "common/SioStrRes.h"

#include <mutex>

#include "platform/Resources.h"

namespace {

constexpr std::string_view kErrorTableName = "SIO_ERROR_STRINGS_ENGLISH";
constexpr std::string_view kReaderTableName = "SIOSTRRES_STRINGS";

constexpr std::uint32_t kTextStringNotFound = 1;
constexpr std::uint32_t kTextResourceNotFound = 3;
constexpr std::uint32_t kTextInvalidResource = 5;

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

std::uint32_t Get32(std::span<const std::uint8_t> block, std::size_t at) {
  return static_cast<std::uint32_t>(block[at]) | static_cast<std::uint32_t>(block[at + 1]) << 8 |
         static_cast<std::uint32_t>(block[at + 2]) << 16 |
         static_cast<std::uint32_t>(block[at + 3]) << 24;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The program's 8-bit code page is UTF-8.  Texts are read byte-wise: offsets in a table
// need not be even, so the units are never accessed as char16_t in place.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// The reader's own messages when its table cannot serve them: while the reader table
// itself is being loaded, or when it lacks the id.
std::string BuiltInReaderText(std::uint32_t id) {
  switch (id) {
    case 1: return "String not found: %d";
    case 2: return "Cannot lock resource";
    case 3: return "String resource not found: %s";
    case 4: return "Unable to open string resource: %s";
    case 5: return "Invalid OrvString resource";
    default: return "";
  }
}

// Substitutes the first %s or %d of a reader message; the format comes from a table, so
// it is never handed to a printf-style formatter.
std::string FormatOne(const std::string& format, const std::string& argument) {
  std::string out;
  bool substituted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char next = format[i + 1];
      if (next == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if (!substituted && (next == 's' || next == 'd')) {
        out += argument;
        substituted = true;
        ++i;
        continue;
      }
    }
    out.push_back(format[i]);
  }
  return out;
}

std::string ReaderText(std::string_view loading, std::uint32_t id) {
  if (loading != kReaderTableName) {
    if (auto text = ReaderStrings().FindString(id); text && !text->empty()) return *text;
  }
  return BuiltInReaderText(id);
}

[[noreturn]] void Raise(std::string_view loading, std::uint32_t id, const std::string& argument) {
  throw EOrvStringResourceError(FormatOne(ReaderText(loading, id), argument));
}

void EnsureTablesRegistered() {
  static std::once_flag once;
  std::call_once(once, RegisterSioStringTables);
}

}  // namespace

TSioStringResource::TSioStringResource(const void* /*instance*/, std::string_view resourceName)
    : FResourceName(resourceName) {
  EnsureTablesRegistered();
  const auto found = FindNamedResource(resourceName);
  if (!found) Raise(resourceName, kTextResourceNotFound, FResourceName);
  const std::span<const std::uint8_t> block = *found;

  // A block is checked whole before it is used, so no later lookup can read outside it:
  // magic, a count whose entries fit, texts that fit, ids strictly ascending.
  auto invalid = [&]() { Raise(resourceName, kTextInvalidResource, FResourceName); };
  if (block.size() < kHeaderSize || block[0] != 'S' || block[1] != 'T' || block[2] != 'R' ||
      block[3] != '0') {
    invalid();
  }
  const std::uint64_t count = Get32(block, 4);
  if (kHeaderSize + kEntrySize * count > block.size()) invalid();
  for (std::uint64_t e = 0; e < count; ++e) {
    const std::size_t at = kHeaderSize + kEntrySize * static_cast<std::size_t>(e);
    const std::uint64_t offset = Get32(block, at + 4);
    const std::uint64_t length = Get32(block, at + 8);
    if (offset + 2 * length > block.size()) invalid();
    if (e > 0 && Get32(block, at) <= Get32(block, at - kEntrySize)) invalid();
  }
  FBlock = block;
  FCount = static_cast<std::uint32_t>(count);
}

std::optional<std::string> TSioStringResource::FindString(std::uint32_t id) const {
  if (FCount == 0) return std::nullopt;
  std::uint32_t low = 0;
  std::uint32_t high = FCount - 1;
  while (low <= high) {
    const std::uint32_t middle = low + (high - low) / 2;
    const std::size_t at = kHeaderSize + kEntrySize * middle;
    const std::uint32_t entryId = Get32(FBlock, at);
    if (entryId == id) {
      const std::size_t offset = Get32(FBlock, at + 4);
      const std::size_t length = Get32(FBlock, at + 8);
      return Utf16LeToUtf8(FBlock.subspan(offset, 2 * length));
    }
    if (entryId < id) {
      low = middle + 1;
    } else {
      if (middle == 0) break;
      high = middle - 1;
    }
  }
  return std::nullopt;
}

std::string TSioStringResource::GetString(std::uint32_t id) const {
  if (auto text = FindString(id)) return std::move(*text);
  if (RaiseOnMissing()) Raise(FResourceName, kTextStringNotFound, std::to_string(id));
  return {};
}

TSioStringResource& ReaderStrings() {
  static TSioStringResource reader(nullptr, kReaderTableName);
  return reader;
}

TSioStringResource& ErrorStrings() {
  ReaderStrings();
  static TSioStringResource errors(nullptr, kErrorTableName);
  return errors;
}
