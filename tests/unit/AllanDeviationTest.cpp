// The overlapping Allan deviation and tau0: values worked out by hand, the formula itself on
// random data, white noise of a known deviation, and series that give no figure.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "measure/Deviations.h"
#include "measure/SeriesAnalysis.h"
#include "measure/StabilityInput.h"

namespace {

// A view outlives its store: it holds the points.
TSeriesView View(const std::vector<double>& values, const std::vector<double>& seconds,
               const std::vector<std::uint32_t>& segments = {}) {
  TSeriesStore s;
  for (std::size_t i = 0; i < values.size(); ++i)
    s.Append(values[i], std::llround(seconds[i] * 1e9), segments.empty() ? 1 : segments[i]);
  return s.View();
}

struct TPoint {
  double TauS, Adev;
  std::size_t Terms;
};

// The overlapping Allan deviation of fractional frequencies y at the octave taus.
std::vector<TPoint> OverlappingAdev(const std::vector<double>& y, double tau0) {
  const TStabilityData data{dkFrequency, tau0, y, {}};
  TDeviationCalculator calculator(data);
  std::vector<TPoint> points;
  for (const std::size_t m : AveragingFactors(tsOctave, data.PhasePoints())) {
    const TDeviationEstimate e = calculator.At(m, DeviationBit(dvOadev))[dvOadev];
    points.push_back({static_cast<double>(m) * tau0, e.Value, e.Terms});
  }
  return points;
}

TEST(AllanDeviationTest, FiveValuesByHand) {
  // y = 1 3 2 5 4.  m = 1: differences 2 -1 3 -1, squares 15 over 2*1*4.
  // m = 2: windows (2-1)+(5-3) = 3 and (5-3)+(4-2) = 4, squares 25 over 2*4*2.  m = 4: 2m >= N.
  const std::vector<double> y{1, 3, 2, 5, 4};
  const auto adev = OverlappingAdev(y, 0.5);
  ASSERT_EQ(adev.size(), 2u);
  EXPECT_DOUBLE_EQ(adev[0].TauS, 0.5);
  EXPECT_DOUBLE_EQ(adev[0].Adev, std::sqrt(15.0 / 8));
  EXPECT_EQ(adev[0].Terms, 4u);
  EXPECT_DOUBLE_EQ(adev[1].TauS, 1.0);
  EXPECT_DOUBLE_EQ(adev[1].Adev, 1.25);
  EXPECT_EQ(adev[1].Terms, 2u);
}

TEST(AllanDeviationTest, SeriesOfReadingsUsesFractionalValuesTheMeanSpacingAndEverySegment) {
  // v = 103 (1 + y/103) with y as above shifted by -3: the same differences, divided by 103.
  // A segment has no gap; its times are those of the frames that first showed each gate, up
  // to a frame late: gates 1.05 s apart seen by frames a second apart come 1 1 1 1.2 s apart,
  // whose median (1 s) is the frames' pace and whose mean (1.05 s) the gates'.
  const TSeriesAnalysis a = AnalyzeSeries(View({101, 103, 102, 105, 104}, {0, 1, 2, 3, 4.2}), 0);
  EXPECT_DOUBLE_EQ(a.Mean, 103);
  EXPECT_DOUBLE_EQ(a.Tau0S, 1.05);
  ASSERT_EQ(a.Adev().size(), 2u);
  EXPECT_NEAR(a.Adev()[0].Value, std::sqrt(15.0 / 8) / 103, 1e-15);
  EXPECT_NEAR(a.Adev()[1].Value, 1.25 / 103, 1e-15);
  EXPECT_DOUBLE_EQ(a.Adev()[1].TauS, 2.1);
  // Two segments 8 s apart, each against its own mean (102, 105): the deviations take the
  // differences 2 -1 of the first and -1 2 of the second, none across the gap; the mean is the
  // current segment's.
  const TSeriesAnalysis b = AnalyzeSeries(View({101, 103, 102, 105, 104, 106}, {0, 1, 2, 10, 11, 12}, {1, 1, 1, 3, 3, 3}), 3);
  EXPECT_EQ(b.Count, 3u);
  EXPECT_DOUBLE_EQ(b.Mean, 105);
  EXPECT_DOUBLE_EQ(b.Tau0S, 1.0);
  EXPECT_EQ(b.Facts.Segments, 2u);
  ASSERT_EQ(b.Adev().size(), 1u);
  EXPECT_EQ(b.Adev()[0].Terms, 4u);
  EXPECT_NEAR(b.Adev()[0].Value, std::sqrt((5 / (102.0 * 102) + 5 / (105.0 * 105)) / 8), 1e-15);
}

TEST(AllanDeviationTest, MedianSpacing) {
  struct Case {
    std::vector<double> Seconds;
    double Median;
  };
  const Case cases[] = {
      {{}, 0}, {{4}, 0}, {{0, 0.3}, 0.3}, {{0, 1, 3, 6, 10}, 2.5}, {{0, 1, 2, 10, 11, 12}, 1}, {{0, 0, 0, 1}, 0},
  };
  for (const Case& c : cases) {
    TReadingSegment segment;
    for (const double t : c.Seconds) segment.push_back({t, 1.0});
    EXPECT_NEAR(MedianSpacing(std::span<const TReadingSegment>(&segment, 1)), c.Median, 1e-12) << c.Seconds.size();
  }
}

TEST(AllanDeviationTest, RunningSumsAgreeWithTheFormulaTermByTerm) {
  // A large offset and a drift on top of the noise: the running window must not lose them.
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, 1e-9);
  std::vector<double> y(203);
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = 0.25 + 1e-11 * static_cast<double>(i) + noise(random);
  const auto adev = OverlappingAdev(y, 1.0);
  const std::size_t n = y.size();
  std::size_t expected = 0;
  for (std::size_t m = 1; 2 * m < n; m *= 2, ++expected) {
    long double squares = 0;
    for (std::size_t j = 0; j + 2 * m <= n; ++j) {
      long double window = 0;
      for (std::size_t i = j; i < j + m; ++i) window += static_cast<long double>(y[i + m]) - y[i];
      squares += window * window;
    }
    const auto terms = static_cast<long double>(n - 2 * m + 1);
    const double reference = static_cast<double>(std::sqrt(squares / (2.0L * m * m * terms)));
    ASSERT_LT(expected, adev.size());
    EXPECT_NEAR(adev[expected].Adev, reference, reference * 1e-6) << "m " << m;
    EXPECT_EQ(adev[expected].TauS, static_cast<double>(m));
  }
  EXPECT_EQ(adev.size(), expected) << "m = 1, 2, 4, ... while 2m < N";
}

TEST(AllanDeviationTest, WhiteNoiseGivesItsDeviationFallingAsOneOverRootTau) {
  // 10 MHz with white frequency noise of 1e-6: sigma(tau0) = 1e-6, sigma(m tau0) = 1e-6/sqrt(m).
  std::mt19937 random(1);
  std::normal_distribution<double> noise(0, 1e-6);
  TSeriesStore s;
  for (int i = 0; i < 100000; ++i) s.Append(1e7 * (1 + noise(random)), 1'000'000'000LL * i / 4);
  const TSeriesAnalysis a = AnalyzeSeries(s.View(), 0);
  EXPECT_DOUBLE_EQ(a.Tau0S, 0.25);
  ASSERT_GE(a.Adev().size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    const double m = std::pow(2.0, static_cast<double>(k));
    // About 1/sqrt(N/m) relative uncertainty: well inside 3 %.
    EXPECT_NEAR(a.Adev()[k].Value * std::sqrt(m), 1e-6, 3e-8) << "m " << m;
    EXPECT_DOUBLE_EQ(a.Adev()[k].TauS, 0.25 * m);
  }
}

TEST(AllanDeviationTest, NoFigureWithoutFractionalValuesOrSpacing) {
  EXPECT_TRUE(AnalyzeSeries(View({0, 0, 0, 0}, {0, 1, 2, 3}), 0).Adev().empty()) << "mean 0: no fractional value";
  EXPECT_TRUE(AnalyzeSeries(View({1, 2, 3, 4}, {0, 0, 0, 0}), 0).Adev().empty()) << "tau0 0";
  EXPECT_TRUE(AnalyzeSeries(View({1, 2}, {0, 1}), 0).Adev().empty()) << "2m < N fails at once";
  EXPECT_EQ(AnalyzeSeries(View({1, 2, 3}, {0, 1, 2}), 0).Adev().size(), 1u);
  EXPECT_EQ(AnalyzeSeries(View({5, 5, 5, 5}, {0, 1, 2, 3}), 0).Adev()[0].Value, 0.0) << "a steady signal";
}

}  // namespace
