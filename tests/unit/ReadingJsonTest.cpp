// A measurement's published JSON: the CSV row's fields by name, numbers as the CSV writes them,
// empty fields as null, and strings a JSON parser reads back as they were.
#include <gtest/gtest.h>

#include "measure/CsvRow.h"
#include "publish/ReadingJson.h"
#include "support/FlatJson.h"

namespace {

TEST(ReadingJsonTest, ARowBecomesItsFieldsByName) {
  const TRowValues row{"2026-12-07T10:15:02.123+01:00", "0.301", "10000.000", "10000.000", "kHz",
                       "10000000", "F", "1000", "132"};
  EXPECT_EQ(ReadingJson(row),
            "{\"timestamp\":\"2026-12-07T10:15:02.123+01:00\",\"elapsed_s\":0.301,\"reading\":\"10000.000\","
            "\"value\":10000.000,\"unit\":\"kHz\",\"si_value\":10000000,\"mode\":\"F\",\"gate_ms\":1000,"
            "\"status\":132}");

  const TRowValues error{"2026-12-07T10:15:02.123+01:00", "1.000", "Error", "", "", "", "", "", "128"};
  EXPECT_EQ(ReadingJson(error),
            "{\"timestamp\":\"2026-12-07T10:15:02.123+01:00\",\"elapsed_s\":1.000,\"reading\":\"Error\","
            "\"value\":null,\"unit\":null,\"si_value\":null,\"mode\":null,\"gate_ms\":null,\"status\":128}");
}

// Whatever the texts hold, the message parses and gives each field back unchanged.
TEST(ReadingJsonTest, TextsReadBackAsTheyWere) {
  const TRowValues row{"a\"b\\c", "1e+07", "tab\there\nnew\x01", "-0.5", "\xC2\xB5s", "12x", "A/B", ".5", "007"};
  const auto fields = ParseFlatJson(ReadingJson(row));
  ASSERT_TRUE(fields.has_value()) << ReadingJson(row);
  ASSERT_EQ(fields->size(), kRowColumnCount);
  for (std::size_t i = 0; i < kRowColumnCount; ++i) {
    EXPECT_EQ((*fields)[i].Name, kRowColumns[i].Name);
    EXPECT_EQ((*fields)[i].Text, row[i]) << kRowColumns[i].Name;
  }
  // A number column keeps a text that is no JSON number as a string.
  EXPECT_EQ((*fields)[1].Kind, TJsonField::jkNumber);
  EXPECT_EQ((*fields)[3].Kind, TJsonField::jkNumber);
  for (const std::size_t notANumber : {5, 7, 8}) EXPECT_EQ((*fields)[notANumber].Kind, TJsonField::jkString);
}

TEST(ReadingJsonTest, JsonNumbersAreTheGrammarsOnly) {
  for (const char* yes : {"0", "-0", "12", "0.120", "10000.000", "1e5", "1E+07", "-2.5e-3"}) EXPECT_TRUE(IsJsonNumber(yes)) << yes;
  for (const char* no : {"", "-", "01", ".5", "5.", "+1", "1e", "1e+", "inf", "nan", "0x10", "1 ", " 1", "1,5"})
    EXPECT_FALSE(IsJsonNumber(no)) << no;
}

}  // namespace
