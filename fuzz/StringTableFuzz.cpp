// The message-table reader over any block of bytes.  A block it takes must serve every entry
// it holds, with that entry's text, and nothing else; a block it refuses is refused with the
// reader's own message.  Seeded with the real tables built from resources/strings.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "common/SioStrRes.h"
#include "fuzz/FuzzRequire.h"
#include "platform/Resources.h"

namespace {

// The resource the reader loads: re-pointed at each input (the registry keeps the table by
// reference and reads it at each lookup).
TNamedResource gFuzzTable[1] = {{"FUZZ_STRING_TABLE", nullptr, 0}};

std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
    return;
  }
  const int extra = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
  static constexpr unsigned kLead[] = {0, 0xC0, 0xE0, 0xF0};
  out += static_cast<char>(kLead[extra] | (cp >> (6 * extra)));
  for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
}

// What an entry's UTF-16LE text must read as: pairs of surrogates joined, a lone one U+FFFD.
std::string ExpectedText(const std::uint8_t* text, std::uint32_t units) {
  std::string out;
  for (std::uint32_t i = 0; i < units; ++i) {
    const std::uint32_t u = text[2 * i] | text[2 * i + 1] << 8;
    const std::uint32_t next = i + 1 < units ? (text[2 * i + 2] | text[2 * i + 3] << 8) : 0;
    if (u >= 0xD800 && u < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
      PutUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
      ++i;
    } else {
      PutUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
  }
  return out;
}

void CheckMissing(TSioStringResource& table, std::uint32_t id) {
  FUZZ_REQUIRE(!table.FindString(id).has_value());
  table.SetRaiseOnMissing(false);
  FUZZ_REQUIRE(table.GetString(id).empty());
  table.SetRaiseOnMissing(true);
  try {
    table.GetString(id);
    FUZZ_REQUIRE(false);
  } catch (const EOrvStringResourceError& e) {
    FUZZ_REQUIRE(e.Message() == "String not found: " + std::to_string(id));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    RegisterNamedResources(gFuzzTable);
    ReaderStrings();  // the reader's own messages, loaded before any fuzzed table
    return true;
  }();
  (void)registered;
  gFuzzTable[0].Data = data;
  gFuzzTable[0].Size = size;

  std::optional<TSioStringResource> table;
  try {
    table.emplace(nullptr, "FUZZ_STRING_TABLE");
  } catch (const EOrvStringResourceError& e) {
    FUZZ_REQUIRE(e.Message() == "Invalid OrvString resource");
    return 0;
  }
  // Taken: the header and every entry lie inside the block, ids ascending.
  FUZZ_REQUIRE(size >= 8 && Get32(data + 4) == table->Count() && 8 + 12 * std::uint64_t{table->Count()} <= size);
  std::set<std::uint32_t> ids;
  for (std::uint32_t e = 0; e < table->Count(); ++e) {
    const std::uint8_t* entry = data + 8 + 12 * std::size_t{e};
    const std::uint32_t id = Get32(entry);
    const std::uint64_t offset = Get32(entry + 4);
    const std::uint64_t units = Get32(entry + 8);
    FUZZ_REQUIRE(offset + 2 * units <= size);
    FUZZ_REQUIRE(ids.empty() || id > *ids.rbegin());
    ids.insert(id);
    const std::optional<std::string> found = table->FindString(id);
    FUZZ_REQUIRE(found.has_value() && *found == ExpectedText(data + offset, static_cast<std::uint32_t>(units)));
    FUZZ_REQUIRE(table->GetString(id) == *found);
  }
  // The gaps beside the first entries (each check raises, so not all of a big table's).
  int gaps = 0;
  for (auto id = ids.begin(); id != ids.end() && gaps < 64; ++id) {
    for (const std::uint32_t near : {*id - 1, *id + 1}) {
      if (ids.count(near) == 0 && gaps++ < 64) CheckMissing(*table, near);
    }
  }
  if (ids.empty()) CheckMissing(*table, 0);
  return 0;
}
