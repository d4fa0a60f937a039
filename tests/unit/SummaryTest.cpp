// Running moments and the run summary: numerically stable figures, series of one kind, JSON.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "measure/RunningMoments.h"
#include "measure/Summary.h"

namespace {

TEST(RunningMomentsTest, KeepsTheSpreadOfLargeValues) {
  // 1e7 Hz with a spread of a millihertz: a naive sum of squares loses it entirely.
  std::vector<double> values;
  for (int i = 0; i < 10000; ++i) values.push_back(1e7 + 1e-3 * ((i * 7919) % 101 - 50) / 50.0);
  TRunningMoments moments;
  for (double v : values) moments.Add(v);
  long double mean = 0;
  for (double v : values) mean += v;
  mean /= values.size();
  long double squares = 0;
  for (double v : values) squares += (v - mean) * (v - mean);
  const double expected = static_cast<double>(std::sqrt(squares / (values.size() - 1)));
  // The case is a real one: the textbook sum of squares gets it badly wrong.
  double sum = 0, sumSquares = 0;
  for (double v : values) {
    sum += v;
    sumSquares += v * v;
  }
  const double naive = std::sqrt(std::max(0.0, (sumSquares - sum * sum / values.size()) / (values.size() - 1)));
  EXPECT_GT(std::fabs(naive - expected), expected * 0.1);
  EXPECT_EQ(moments.Count(), 10000);
  EXPECT_NEAR(moments.Mean(), static_cast<double>(mean), 1e-7);
  EXPECT_NEAR(moments.StdDev(), expected, expected * 1e-6);
  EXPECT_DOUBLE_EQ(moments.Min(), 1e7 - 1e-3);
  EXPECT_DOUBLE_EQ(moments.Max(), 1e7 + 1e-3);
}

// The summary up to what was left out; the stability facts after it are the analysis's.
std::string Head(const std::string& json) { return json.substr(0, json.find(",\"reading\"")); }

TMeasurement Value(double si, TMeasureMode mode = mmFrequency, TDisplayUnit unit = duKHz, int gateMs = 1,
                   std::int64_t ns = 0) {
  TMeasurement m;
  m.Time.MonotonicNs = ns;
  m.SiValue = si;
  m.Mode = mode;
  m.Unit = unit;
  m.GateMs = gateMs;
  m.NewMeasurement = m.Distinct = true;
  m.Segment = 1;
  return m;
}

// What Json gives after the Allan deviation for a series in one segment with nothing left out.
std::string Rest(const char* tau0, int segment = 1) {
  return std::string(R"(,"tau0":)") + tau0 + R"(,"segment":)" + std::to_string(segment) + R"(,"segments":)" +
         std::to_string(segment) + R"(,"segment_start":"","left_out":{"held":0,"overflow":0,"error":0})";
}

TEST(SeriesSummaryTest, StartsAfreshWhenTheKindOfValueChanges) {
  TSeriesSummary s;
  s.Add(Value(1e7));
  s.Add(Value(2e7));
  s.Add(TMeasurement{});  // blank: no value, no new series
  EXPECT_EQ(s.Moments().Count(), 2);
  s.Add(Value(1e7, mmFrequency, duKHz, 10));  // another averaging time
  EXPECT_EQ(s.Moments().Count(), 1);
  s.Add(Value(1e-7, mmPeriod, duUs, 10));  // another mode and unit
  EXPECT_EQ(s.Moments().Count(), 1);
  EXPECT_EQ(s.Unit(), duUs);
}

TEST(SeriesSummaryTest, JsonGivesNullForWhatTheSeriesCannotTell) {
  TSeriesSummary s;
  EXPECT_EQ(Head(s.Json()), R"({"count":0,"unit":"","mean":null,"std":null,"min":null,"max":null,"adev":[])" + Rest("null", 0));
  s.Add(Value(12345000));
  EXPECT_EQ(Head(s.Json()), R"({"count":1,"unit":"Hz","mean":12345000,"std":null,"min":12345000,"max":12345000,"adev":[])" +
                          Rest("null"));
  s.Add(Value(12345002, mmFrequency, duKHz, 1, 2'000'000'000));
  EXPECT_EQ(Head(s.Json()),
            R"({"count":2,"unit":"Hz","mean":12345001,"std":1.4142135623730951,"min":12345000,"max":12345002,"adev":[])" +
                Rest("2"));
  TSeriesSummary periods;
  periods.Add(Value(1.25e-7, mmPeriod, duUs));
  EXPECT_EQ(Head(periods.Json()),
            R"({"count":1,"unit":"s","mean":1.25e-07,"std":null,"min":1.25e-07,"max":1.25e-07,"adev":[])" + Rest("null"));
}

TEST(SeriesSummaryTest, JsonGivesTheAllanDeviationOfTheWholeSeries) {
  // The five readings of AllanDeviationTest, 0.5 s apart: sigma = sqrt(15/8)/103 and 1.25/103.
  TSeriesSummary s;
  const double values[] = {101, 103, 102, 105, 104};
  for (int i = 0; i < 5; ++i) s.Add(Value(values[i], mmFrequency, duKHz, 1, 500'000'000LL * i));
  const std::string json = s.Json();
  ASSERT_NE(json.find(R"({"count":5,"unit":"Hz","mean":103,)"), std::string::npos) << json;
  double tau1 = 0, adev1 = 0, tau2 = 0, adev2 = 0;
  ASSERT_EQ(std::sscanf(json.c_str() + json.find("\"adev\""), "\"adev\":[[%lf,%lf],[%lf,%lf]],", &tau1, &adev1, &tau2, &adev2), 4)
      << json;
  EXPECT_EQ(tau1, 0.5);
  EXPECT_DOUBLE_EQ(adev1, std::sqrt(15.0 / 8) / 103);
  EXPECT_EQ(tau2, 1.0);
  EXPECT_DOUBLE_EQ(adev2, 1.25 / 103);
  EXPECT_NE(json.find("]]" + Rest("0.5")), std::string::npos) << json;
}

TEST(SeriesSummaryTest, WithoutPointsTheMomentsGoOnAndNothingIsKept) {
  TSeriesSummary s;
  s.SetKeepPoints(false);
  for (int i = 0; i < 3; ++i) s.Add(Value(12345000 + 2 * i, mmFrequency, duKHz, 1, i * 1'000'000'000LL));
  EXPECT_EQ(s.Store()->Size(), 0u);
  EXPECT_EQ(Head(s.Json()), R"({"count":3,"unit":"Hz","mean":12345002,"std":2,"min":12345000,"max":12345004,"adev":[])" +
                          Rest("null"));
}

TEST(SeriesSummaryTest, AResetStartsAFreshSeriesOfTheSameKind) {
  TSeriesSummary s;
  for (int i = 0; i < 4; ++i) s.Add(Value(1e7 + i, mmFrequency, duKHz, 1, i * 1'000'000'000LL));
  const auto series = s.SeriesNumber();
  const auto store = s.Store();
  s.Reset();
  EXPECT_NE(s.SeriesNumber(), series);
  EXPECT_EQ(s.Moments().Count(), 0);
  EXPECT_EQ(s.Store()->Size(), 0u);
  EXPECT_EQ(store->Size(), 4u) << "whoever still reads the old series keeps it";
  s.Add(Value(2e7));
  EXPECT_EQ(s.Moments().Count(), 1);
  EXPECT_EQ(Head(s.Json()), R"({"count":1,"unit":"Hz","mean":20000000,"std":null,"min":20000000,"max":20000000,"adev":[])" +
                                Rest("null"));
}

// Statistics never bridge a gap: the moments are of the current segment, whose points follow
// the earlier segments' in the store, and the deviations take the segments measured alike;
// what was left out is counted per series, by reason.
TEST(SeriesSummaryTest, FiguresAreOfTheCurrentSegmentAndLeftOutReadingsAreCounted) {
  TSeriesSummary s;
  for (int i = 0; i < 3; ++i) s.Add(Value(1e7 + 100 * i, mmFrequency, duKHz, 1, i * 1'000'000'000LL));
  TMeasurement held = Value(1e7);
  held.NewMeasurement = false;
  held.Flags = rfHeld;
  s.Add(held);
  held.Distinct = false;  // the same held reading again: not counted twice
  s.Add(held);
  TMeasurement overflow = Value(6e2);
  overflow.Flags = rfOverflow;
  s.Add(overflow);
  TMeasurement error;
  error.Distinct = true;
  error.Flags = rfError;
  s.Add(error);
  for (int i = 0; i < 2; ++i) {
    TMeasurement m = Value(2e7 + 2 * i, mmFrequency, duKHz, 1, (10 + i) * 1'000'000'000LL);
    m.Segment = 4;
    m.SegmentStart = i == 0 ? scOverflow : scNone;
    m.SegmentCause = scOverflow;
    s.Add(m);
  }
  EXPECT_EQ(s.Moments().Count(), 2);
  EXPECT_DOUBLE_EQ(s.Moments().Mean(), 2e7 + 1);
  EXPECT_EQ(s.Segment(), 4u);
  EXPECT_EQ(s.SegmentCause(), scOverflow);
  EXPECT_EQ(s.SegmentFirst(), 3u);
  EXPECT_EQ(s.Store()->Size(), 5u);
  EXPECT_EQ(s.Store()->View().Segment(2), 1u);
  EXPECT_EQ(s.Store()->View().From(s.SegmentFirst()).Segment(0), 4u);
  EXPECT_EQ(s.LeftOut().Held, 1);
  EXPECT_EQ(s.LeftOut().Overflow, 1);
  EXPECT_EQ(s.LeftOut().Error, 1);
  const std::string json = s.Json();
  EXPECT_NE(json.find(R"({"count":2,"unit":"Hz","mean":20000001,)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("tau0":1,"segment":4,"segments":2,"segment_start":"overflow",)"
                      R"("left_out":{"held":1,"overflow":1,"error":1},"reading":"frequency",)"
                      R"("nominal":null,"deviation_segments":2,)"),
            std::string::npos)
      << json;  EXPECT_EQ(s.RunFirst(), 0u) << "the deviations take both segments: they were measured alike";
  // Another display time: gates spaced otherwise, whose segment the deviations take alone.
  for (int i = 0; i < 2; ++i) {
    TMeasurement other = Value(2e7 + i, mmFrequency, duKHz, 1, (20 + 2 * i) * 1'000'000'000LL);
    other.Segment = 5;
    other.Settings = 1u << 12;
    s.Add(other);
  }
  EXPECT_EQ(s.RunFirst(), 5u);
  EXPECT_NE(s.Json().find(R"("tau0":2,"segment":5,"segments":3,)"), std::string::npos) << s.Json();
  EXPECT_NE(s.Json().find(R"("deviation_segments":1,)"), std::string::npos) << s.Json();
}

}  // namespace
