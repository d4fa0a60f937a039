// Numbers as the program writes and shows them: JSON and CSV figures that read back exactly
// without needless exponents, a mean that keeps the readings' digits, SI prefixes, and axis
// ticks whose labels never repeat and whose counts are round.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "measure/AxisTicks.h"
#include "measure/NumberText.h"
#include "measure/RunningMoments.h"
#include "measure/SiFormat.h"

namespace {

TEST(NumberFormatTest, ShortestTextReadsBackAndAvoidsNeedlessExponents) {
  struct Case {
    double Value;
    const char* Text;
  };
  const Case cases[] = {
      {1e7, "10000000"}, {9999970, "9999970"}, {9999998.689, "9999998.689"}, {0.1, "0.1"}, {-2.5, "-2.5"},
      {0.000125, "0.000125"}, {1.25e-7, "1.25e-07"}, {1e21, "1e+21"}, {0, "0"}, {1.0000000000000002e-06, "1.0000000000000002e-06"},
      {123456789012345680, "123456789012345680"}, {1.5e17, "1.5e+17"}, {0.3, "0.3"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortestText(c.Value), c.Text);
  std::mt19937_64 random(9);
  for (int i = 0; i < 20000; ++i) {
    double v;
    do {
      const std::uint64_t bits = random();
      std::memcpy(&v, &bits, sizeof v);
    } while (!std::isfinite(v));
    const std::string text = ShortestText(v);
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_EQ(back, v) << text;
  }
}

TEST(NumberFormatTest, TheMeanOfReadingsKeepsTheirDigits) {
  // Readings of a 10 MHz source to the millihertz, around 9999998.689: Welford's running mean
  // ends at 9999998.689000005.
  TRunningMoments m;
  const double readings[] = {9999998.688, 9999998.690, 9999998.689, 9999998.687, 9999998.691};
  for (int pass = 0; pass < 1000; ++pass)
    for (const double r : readings) m.Add(r);
  EXPECT_EQ(ShortestText(m.Mean()), "9999998.689");
}

TEST(NumberFormatTest, SiPrefixesAndDigits) {
  struct Case {
    double Value;
    const char* Unit;
    int Digits;
    const char* Text;
  };
  const Case cases[] = {
      {1e-7, "s", 4, "100.0 ns"}, {9.99998e-8, "s", 6, "99.9998 ns"}, {1e7, "Hz", 9, "10.0000000 MHz"},
      {4.46, "Hz", 3, "4.46 Hz"}, {-1.25e-6, "s", 3, "-1.25 \u00B5s"}, {2000, "s", 4, "2000 s"}, {0.3, "s", 3, "300 ms"},
      {999.99999999999, "Hz", 4, "1.000 kHz"}, {3.92e-7, "", 4, "3.920e-07"},
  };
  for (const Case& c : cases) EXPECT_EQ(SiText(c.Value, c.Unit, c.Digits), c.Text);
  EXPECT_EQ(DecimalsFor(1, SiPrefixFor(1e7, "Hz")), 6);
  EXPECT_EQ(DecimalsFor(0.25, TSiPrefix{}), 2);
  EXPECT_EQ(DecimalsFor(20, TSiPrefix{}), 0);
}

TEST(NumberFormatTest, TickLabelsNeverRepeatAndCountsAreRound) {
  struct Range {
    double Min, Max;
    const char* Unit;
  };
  const Range ranges[] = {
      {9999999.995, 10000000.015, "Hz"}, {0.99999e-7, 1.00001e-7, "s"}, {0, 1, ""}, {-3e-9, 5e-9, "s"},
      {12.5, 12.5, "Hz"}, {1e3, 9e5, "Hz"},
  };
  for (const Range& r : ranges) {
    const TAxisTicks t = LinearTicks(r.Min, r.Max, 5, r.Unit);
    std::set<std::string> labels;
    int count = 0;
    for (double v = t.First; v <= t.Max + t.Step * 1e-9; v += t.Step, ++count) {
      EXPECT_TRUE(labels.insert(TickLabel(t, v)).second) << TickLabel(t, v) << " twice for " << r.Min;
      EXPECT_GE(v, t.Min - t.Step * 1e-9);
    }
    EXPECT_GE(count, 2) << r.Min;
    EXPECT_LE(count, 11) << r.Min;
  }
  const TAxisTicks mhz = LinearTicks(9999999.995, 10000000.015, 5, "Hz");
  EXPECT_STREQ(mhz.Prefix.Symbol, "M");
  EXPECT_EQ(TickLabel(mhz, 10000000.005), "10.000000005");
  struct Count {
    double Most, Step, Top;
  };
  for (const Count c : {Count{173, 50, 200}, Count{7, 2, 8}, Count{1, 1, 1}, Count{0, 1, 1}, Count{4321, 1000, 5000}}) {
    const TAxisTicks t = CountTicks(c.Most, 5);
    EXPECT_EQ(t.Step, c.Step) << c.Most;
    EXPECT_EQ(t.Max, c.Top) << c.Most;
  }
}

}  // namespace
