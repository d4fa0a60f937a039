// The table of when the input ring's bytes arrived: one mark per read, looked up by a byte's
// number; bounded, the oldest marks going first.
#include <gtest/gtest.h>

#include "dispatch/SioArrivalTimes.h"

namespace {

TEST(ArrivalTimesTest, EachByteHasTheTimeOfTheReadThatBroughtIt) {
  TSioArrivalTimes times;
  EXPECT_EQ(times.TimeOf(0), 0) << "nothing known yet";
  times.Mark(3, 100);   // bytes 0..2
  times.Mark(3, 150);   // no new byte: ignored
  times.Mark(4, 200);   // byte 3
  times.Mark(10, 300);  // bytes 4..9
  const std::pair<std::uint64_t, std::int64_t> cases[] = {{0, 100}, {2, 100}, {3, 200}, {4, 300}, {9, 300}, {50, 300}};
  for (const auto& [index, ns] : cases) EXPECT_EQ(times.TimeOf(index), ns) << index;
  times.Clear();
  EXPECT_EQ(times.TimeOf(0), 0);
}

TEST(ArrivalTimesTest, AFullTableForgetsItsOldestMarks) {
  TSioArrivalTimes times;
  const std::uint64_t marks = TSioArrivalTimes::kArrivalMarks + 5;
  for (std::uint64_t i = 1; i <= marks; ++i) times.Mark(i, static_cast<std::int64_t>(i) * 10);
  EXPECT_EQ(times.TimeOf(marks - 1), static_cast<std::int64_t>(marks) * 10) << "the newest";
  EXPECT_EQ(times.TimeOf(5), 60) << "the oldest byte still marked";
  EXPECT_EQ(times.TimeOf(0), 60) << "older than the table: its oldest time";
}

}  // namespace
