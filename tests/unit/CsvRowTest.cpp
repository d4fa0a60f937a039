// The CSV row: its columns, RFC 4180 quoting, and the local time stamp with its UTC offset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "measure/CsvRow.h"

namespace {

TEST(CsvRowTest, HeaderNamesTheColumnsInOrder) {
  EXPECT_EQ(CsvHeader(),
            "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status,flags,segment,segment_start,"
            "new_measurement\r\n");
  EXPECT_EQ(NineColumnCsvHeader(), "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status\r\n");
}

struct QuoteCase {
  std::vector<std::string> Fields;
  const char* Record;
};

TEST(CsvRowTest, QuotesOnlyFieldsThatNeedIt) {
  const QuoteCase cases[] = {
      {{"plain", "10000.000", ""}, "plain,10000.000,\r\n"},
      {{"a,b"}, "\"a,b\"\r\n"},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\"\r\n"},
      {{"two\nlines", "cr\r"}, "\"two\nlines\",\"cr\r\"\r\n"},
      {{"", ""}, ",\r\n"},
      {{"\u00B5s", "A/B"}, "\u00B5s,A/B\r\n"},
  };
  for (const QuoteCase& c : cases) EXPECT_EQ(CsvRecord(c.Fields), c.Record);
}

TEST(CsvRowTest, RowValuesOfAMeasurement) {
  setenv("TZ", "UTC0", 1);
  tzset();
  TMeasurement m;
  m.Time = {1796634902123, 3'234'600'000};
  m.Reading = "1234.5";
  m.Number = "1234.5";
  m.Value = 1234.5;
  m.Unit = duUs;
  m.SiValue = 1234.5e-6;
  m.Mode = mmPeriod;
  m.GateMs = 100;
  m.Status = 130;
  m.NewMeasurement = true;
  m.Segment = 3;
  m.SegmentStart = scGap;
  EXPECT_EQ(RowValues(m, 1'000'000'000),
            (TRowValues{"2026-12-07T09:15:02.123+00:00", "2.235", "1234.5", "1234.5", "\u00B5s", "0.0012345", "T",
                        "100", "130", "", "3", "gap", "1"}));
  m.Flags = rfHeld | rfOverflow;
  m.NewMeasurement = false;
  m.SegmentStart = scNone;
  EXPECT_EQ(RowValues(m, 1'000'000'000)[9], "held overflow");
  EXPECT_EQ(RowValues(m, 1'000'000'000)[11], "");
  EXPECT_EQ(RowValues(m, 1'000'000'000)[12], "0");

  // A blank reading: no number, no SI value; no lamp of the groups, no status byte yet.
  TMeasurement blank;
  blank.Time = {0, 1'000'000'000};
  blank.Unit = duKHz;
  EXPECT_EQ(RowValues(blank, 1'000'000'000),
            (TRowValues{"1970-01-01T00:00:00.000+00:00", "0.000", "", "", "kHz", "", "", "", "", "", "", "", "0"}));
  unsetenv("TZ");
  tzset();
}

struct TimeCase {
  const char* Zone;
  std::int64_t UtcMs;
  const char* Text;
};

TEST(CsvRowTest, TimestampIsLocalWithItsOffset) {
  const TimeCase cases[] = {
      {"UTC0", 0, "1970-01-01T00:00:00.000+00:00"},
      {"UTC0", -1, "1969-12-31T23:59:59.999+00:00"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1796634902123, "2026-12-07T10:15:02.123+01:00"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1782907200000, "2026-07-01T14:00:00.000+02:00"},
      {"EST5", 1796634902123, "2026-12-07T04:15:02.123-05:00"},
      {"IST-5:30", 1796634902123, "2026-12-07T14:45:02.123+05:30"},
      {"NST3:30", 1796634902123, "2026-12-07T05:45:02.123-03:30"},
  };
  for (const TimeCase& c : cases) {
    setenv("TZ", c.Zone, 1);
    tzset();
    EXPECT_EQ(LocalIsoTime(c.UtcMs), c.Text) << c.Zone;
  }
  unsetenv("TZ");
  tzset();
}

}  // namespace
