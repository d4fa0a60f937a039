#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Resources.h"
#include "common/SioStrRes.h"

namespace {

struct TTableEntry {
  std::uint32_t Id;
  std::u16string Text;
};

void Put32(std::vector<std::uint8_t>& block, std::size_t at, std::uint32_t value) {
  for (std::size_t k = 0; k < 4; ++k) block.at(at + k) = static_cast<std::uint8_t>(value >> (8 * k));
}

// Entries are written in the order given (tests of ordering rely on that).
std::vector<std::uint8_t> MakeTable(const std::vector<TTableEntry>& entries) {
  std::vector<std::uint8_t> block(8 + 12 * entries.size());
  block[0] = 'S', block[1] = 'T', block[2] = 'R', block[3] = '0';
  Put32(block, 4, static_cast<std::uint32_t>(entries.size()));
  for (std::size_t e = 0; e < entries.size(); ++e) {
    Put32(block, 8 + 12 * e, entries[e].Id);
    Put32(block, 8 + 12 * e + 4, static_cast<std::uint32_t>(block.size()));
    Put32(block, 8 + 12 * e + 8, static_cast<std::uint32_t>(entries[e].Text.size()));
    for (const char16_t unit : entries[e].Text) {
      block.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      block.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return block;
}

// Registers `bytes` under `name` for the rest of the process; returns the name.
std::string RegisterBlock(const std::string& name, std::vector<std::uint8_t> bytes) {
  struct TKept {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
    TNamedResource Resource[1];
  };
  static std::deque<TKept> kept;
  TKept& k = kept.emplace_back(TKept{name, std::move(bytes), {}});
  k.Resource[0] = TNamedResource{k.Name.c_str(), k.Bytes.data(), k.Bytes.size()};
  RegisterNamedResources(k.Resource);
  return name;
}

struct TLookupCase {
  std::uint32_t Id;
  const char* Text;
};

TEST(SioStringResource, MessageTableLookupsAtBothEndsAndBeyond) {
  const TLookupCase cases[] = {
      {0, "OK"},
      {1, ""},
      {2, "File not found"},
      {162, "General failure"},
      {163, ""},
      {2007, "ie_NOpen - device not open"},
      {3007, "Buffer is empty"},
      {15001, "No event"},
      {15020, "User"},
      {15129, "Sent Term"},
      {15501, "Time      Type      SubType       Data      OtherData"},
      {15502, "--------  --------  ------------  --------  ---------"},
      {15601, "DCTS "},
      {15608, "DCD "},
      {15700, "Binary Transmission"},
      {15742, "Character Set"},
      {15743, ""},
      {20000, ""},
      {0xFFFFFFFFu, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorStrings().GetString(c.Id), c.Text) << "id " << c.Id;
  }
}

TEST(SioStringResource, ReaderTableHoldsItsFiveMessagesIn326Bytes) {
  ReaderStrings();
  const auto block = FindNamedResource("SIOSTRRES_STRINGS");
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(block->size(), 326u);
  EXPECT_EQ(ReaderStrings().Count(), 5u);
  EXPECT_EQ(ReaderStrings().GetString(1), "String not found: %d");
  EXPECT_EQ(ReaderStrings().GetString(5), "Invalid OrvString resource");
}

TEST(SioStringResource, BisectionFindsEveryIdAndNoOther) {
  std::vector<TTableEntry> entries;
  for (std::uint32_t id = 1; id < 200; id += 2) {
    entries.push_back({id, std::u16string(u"t") + static_cast<char16_t>(u'0' + id % 10)});
  }
  const auto name = RegisterBlock("TEST_ODD_IDS", MakeTable(entries));
  const TSioStringResource table(nullptr, name);
  for (std::uint32_t id = 0; id <= 201; ++id) {
    const std::string expected = id % 2 == 1 && id < 200 ? "t" + std::to_string(id % 10) : "";
    EXPECT_EQ(table.GetString(id), expected) << "id " << id;
  }
}

TEST(SioStringResource, SingleAndEmptyTables) {
  const TSioStringResource one(nullptr, RegisterBlock("TEST_ONE", MakeTable({{10, u"ten"}})));
  EXPECT_EQ(one.GetString(9), "");
  EXPECT_EQ(one.GetString(10), "ten");
  EXPECT_EQ(one.GetString(11), "");
  const TSioStringResource none(nullptr, RegisterBlock("TEST_EMPTY", MakeTable({})));
  EXPECT_EQ(none.Count(), 0u);
  EXPECT_EQ(none.GetString(0), "");
}

TEST(SioStringResource, TextsConvertToUtf8) {
  std::vector<std::uint8_t> block = MakeTable({
      {1, u"Частотомер"},
      {2, u"smile \U0001F600"},
      {3, std::u16string{u'a', static_cast<char16_t>(0xD800), u'b'}},
      {4, std::u16string{static_cast<char16_t>(0xDC00)}},
      {5, u""},
  });
  const TSioStringResource table(nullptr, RegisterBlock("TEST_UTF", block));
  EXPECT_EQ(table.GetString(1), "Частотомер");
  EXPECT_EQ(table.GetString(2), "smile \xF0\x9F\x98\x80");
  EXPECT_EQ(table.GetString(3), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(table.GetString(4), "\xEF\xBF\xBD");
  EXPECT_EQ(table.GetString(5), "");
}

TEST(SioStringResource, TextAtAnOddOffsetIsRead) {
  std::vector<std::uint8_t> block = MakeTable({{7, u"x"}});
  block.insert(block.begin() + 20, 0xEE);  // one pad byte before the text
  Put32(block, 12, 21);
  const TSioStringResource table(nullptr, RegisterBlock("TEST_ODD_OFFSET", block));
  EXPECT_EQ(table.GetString(7), "x");
}

TEST(SioStringResource, MissingIdRaisesOnlyWhenAsked) {
  TSioStringResource table(nullptr, RegisterBlock("TEST_RAISE", MakeTable({{1, u"one"}})));
  EXPECT_FALSE(table.RaiseOnMissing());
  EXPECT_EQ(table.GetString(77), "");
  table.SetRaiseOnMissing(true);
  EXPECT_EQ(table.GetString(1), "one");
  EXPECT_FALSE(table.FindString(77).has_value());
  try {
    table.GetString(77);
    FAIL() << "no exception";
  } catch (const EOrvStringResourceError& e) {
    EXPECT_EQ(e.Message(), "String not found: 77");
  }
}

struct TBadTableCase {
  const char* Name;
  std::function<void(std::vector<std::uint8_t>&)> Spoil;
};

TEST(SioStringResource, MalformedTablesAreRejectedWhenLoaded) {
  const std::vector<TTableEntry> good = {{1, u"one"}, {2, u"two"}, {3, u"three"}};
  const TBadTableCase cases[] = {
      {"TEST_BAD_MAGIC", [](auto& b) { b[3] = '1'; }},
      {"TEST_LOWER_MAGIC", [](auto& b) { b[0] = 's'; }},
      {"TEST_TOO_SHORT", [](auto& b) { b.resize(3); }},
      {"TEST_NO_COUNT", [](auto& b) { b.resize(6); }},
      {"TEST_COUNT_TOO_BIG", [](auto& b) { Put32(b, 4, 4); }},
      {"TEST_COUNT_HUGE", [](auto& b) { Put32(b, 4, 0xFFFFFFFFu); }},
      {"TEST_OFFSET_PAST_END", [](auto& b) { Put32(b, 8 + 12 + 4, static_cast<std::uint32_t>(b.size())); }},
      {"TEST_LENGTH_PAST_END", [](auto& b) { Put32(b, 8 + 24 + 8, 6); }},
      {"TEST_OFFSET_WRAPS", [](auto& b) { Put32(b, 8 + 4, 0xFFFFFFFEu); }},
      {"TEST_LENGTH_WRAPS", [](auto& b) { Put32(b, 8 + 8, 0x80000000u); }},
      {"TEST_UNSORTED", [](auto& b) { Put32(b, 8, 5); }},
      {"TEST_DUPLICATE_ID", [](auto& b) { Put32(b, 8 + 12, 1); }},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> block = MakeTable(good);
    c.Spoil(block);
    try {
      TSioStringResource table(nullptr, RegisterBlock(c.Name, block));
      ADD_FAILURE() << c.Name << " was accepted";
    } catch (const EOrvStringResourceError& e) {
      EXPECT_EQ(e.Message(), "Invalid OrvString resource") << c.Name;
    }
  }
  // The unspoilt table, and one whose last text ends exactly at the end of the block.
  const TSioStringResource table(nullptr, RegisterBlock("TEST_GOOD", MakeTable(good)));
  EXPECT_EQ(table.GetString(3), "three");
}

TEST(SioStringResource, UnknownResourceNameIsReported) {
  try {
    TSioStringResource table(nullptr, "NO_SUCH_TABLE");
    FAIL() << "no exception";
  } catch (const EOrvStringResourceError& e) {
    EXPECT_EQ(e.Message(), "String resource not found: NO_SUCH_TABLE");
  }
}

}  // namespace
