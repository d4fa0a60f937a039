// A measurement's published JSON: the CSV row's fields by name, numbers as the CSV writes them,
// empty fields as null, texts escaped.
#include <gtest/gtest.h>

#include "measure/CsvRow.h"
#include "publish/ReadingJson.h"

namespace {

TEST(ReadingJsonTest, ARowBecomesItsFieldsByNameAndAnEmptyFieldNull) {
  const TRowValues row{"2026-12-07T10:15:02.123+01:00", "0.301", "10000.000", "10000.000", "kHz",
                       "10000000", "F", "1000", "132", "", "2", "line", "1"};
  EXPECT_EQ(ReadingJson(row),
            R"({"timestamp":"2026-12-07T10:15:02.123+01:00","elapsed_s":0.301,"reading":"10000.000",)"
            R"("value":10000.000,"unit":"kHz","si_value":10000000,"mode":"F","gate_ms":1000,"status":132,)"
            R"("flags":null,"segment":2,"segment_start":"line","new_measurement":1})");
  const TRowValues error{"t", "1.000", "Error", "", "", "", "", "", "128", "error", "2", "", "0"};
  EXPECT_EQ(ReadingJson(error), R"({"timestamp":"t","elapsed_s":1.000,"reading":"Error","value":null,)"
                                R"("unit":null,"si_value":null,"mode":null,"gate_ms":null,"status":128,)"
                                R"("flags":"error","segment":2,"segment_start":null,"new_measurement":0})");
}

// A number column whose text JSON would refuse as a number keeps it as a string.
TEST(ReadingJsonTest, TextsAreEscapedAndOnlyJsonNumbersGoOutAsNumbers) {
  const TRowValues row{"a\"b\\c", "1e+07", "tab\tnew\n\x01", "-0.5", "\xC2\xB5s", "12x", "A/B", ".5", "007",
                       "", "", "", ""};
  EXPECT_EQ(ReadingJson(row), R"({"timestamp":"a\"b\\c","elapsed_s":1e+07,"reading":"tab\tnew\n\u0001",)"
                              "\"value\":-0.5,\"unit\":\"\xC2\xB5s\","
                              R"("si_value":"12x","mode":"A/B","gate_ms":".5","status":"007",)"
                              R"("flags":null,"segment":null,"segment_start":null,"new_measurement":null})");
  for (const char* yes : {"0", "-0", "0.120", "1E+07", "-2.5e-3"}) EXPECT_TRUE(IsJsonNumber(yes)) << yes;
  for (const char* no : {"", "-", "01", ".5", "5.", "+1", "1e", "1e+", "inf", "nan", "1 ", "1,5"})
    EXPECT_FALSE(IsJsonNumber(no)) << no;
}

}  // namespace
