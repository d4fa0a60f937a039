// Readings made into the series the deviations take: what each mode's reading means, a drift
// fitted and removed across segments of their own offsets, a recording read back by segments
// of one kind, and the plain files written for other programs.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "measure/Deviations.h"
#include "measure/FrequencyDrift.h"
#include "measure/MeasurementFile.h"
#include "measure/SeriesAnalysis.h"
#include "measure/StabilityExport.h"
#include "measure/StabilityInput.h"

namespace {

TStabilityInput Prepare(const std::vector<TReadingSegment>& segments, TReadingMeaning meaning, TInputOptions options = {}) {
  return PrepareStabilityInput(segments, meaning, options);
}

// 10 MHz with white noise of 1e-9, its period, and the same as a time interval that walks.
TReadingSegment Readings(double (*value)(double y, double t), std::size_t n, std::uint32_t seed, double t0 = 0) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, 1e-9);
  TReadingSegment s;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = t0 + static_cast<double>(i);
    s.push_back({t, value(noise(random), t)});
  }
  return s;
}

TEST(StabilityInputTest, EachModeMeansWhatItMeasures) {
  constexpr double f0 = 1e7;
  // The same fractional frequencies read as a frequency, as a period and (summed) as phase
  // give the same deviations; a period's sign is turned, so a drift up in frequency is one
  // down in period and fits as the same drift.
  const auto frequency = Readings([](double y, double t) { return 1e7 * (1 + y + 1e-12 * t); }, 600, 1);
  const auto period = Readings([](double y, double t) { return 1e-7 / (1 + y + 1e-12 * t); }, 600, 1);
  TReadingSegment phase;
  double x = 5e-6;
  for (const TReadingPoint& p : frequency) {
    phase.push_back({p.Seconds, x});
    x += p.Value / f0 - 1;  // seconds of phase per second
  }
  phase.push_back({static_cast<double>(frequency.size()), x});
  const TStabilityInput f = Prepare({frequency}, ReadingMeaning(mmFrequency));
  const TStabilityInput t = Prepare({period}, ReadingMeaning(mmPeriod));
  const TStabilityInput p = Prepare({phase}, ReadingMeaning(mmInterval));
  EXPECT_EQ(ReadingMeaning(mmRatio), rmFrequency);
  EXPECT_EQ(p.Data.Kind, dkPhase);
  EXPECT_NEAR(f.Facts.Nominal, 1e7 * (1 + 300e-12), 1e-3) << "the mean, drift and all";
  EXPECT_TRUE(std::isnan(p.Facts.Nominal)) << "phase has no nominal";
  EXPECT_NEAR(t.Facts.DriftPerS, f.Facts.DriftPerS, 1e-16) << "the same readings, the same drift";
  EXPECT_NEAR(f.Facts.DriftPerS, 1e-12, 3e-13);
  EXPECT_NEAR(p.Facts.DriftPerS, 1e-12, 5e-13) << "phase: the same drift, another fit";
  TDeviationCalculator a(f.Data), b(t.Data), c(p.Data);
  for (const std::size_t m : {1u, 8u, 64u}) {
    const double expected = a.At(m, kAllDeviations)[dvOadev].Value;
    EXPECT_NEAR(b.At(m, kAllDeviations)[dvOadev].Value, expected, expected * 1e-6) << "period, m " << m;
    EXPECT_NEAR(c.At(m, kAllDeviations)[dvOadev].Value, expected, expected * 1e-6) << "phase, m " << m;
  }
}

TEST(StabilityInputTest, ADriftIsFittedAcrossSegmentsAndRemoved) {
  // Two segments at different frequencies (another input), the same drift of 1e-10 per second
  // on white noise of 1e-12: one slope fits both, and once it is gone the deviations at long
  // taus are the noise's.
  const double drift = 1e-10;
  TReadingSegment first, second;
  std::mt19937 random(4);
  std::normal_distribution<double> noise(0, 1e-12);
  for (int i = 0; i < 2000; ++i) {
    const double t = i;
    (i < 1000 ? first : second).push_back({t, (i < 1000 ? 1e7 : 5e6) * (1 + drift * t + noise(random))});
  }
  for (const TReadingMeaning meaning : {rmFrequency, rmPhase}) {
    std::vector<TReadingSegment> segments{first, second};
    if (meaning == rmPhase) {
      // The same drift as phase: x = D t^2 / 2 plus white phase.
      for (TReadingSegment& s : segments)
        for (TReadingPoint& p : s) p.Value = 1e-3 + drift * p.Seconds * p.Seconds / 2 + noise(random);
    }
    TInputOptions remove;
    remove.RemoveDrift = true;
    const TStabilityInput kept = Prepare(segments, meaning), removed = Prepare(segments, meaning, remove);
    EXPECT_EQ(kept.Facts.Segments, 2u);
    EXPECT_EQ(kept.Data.SegmentStarts, (std::vector<std::size_t>{0, 1001}));
    EXPECT_NEAR(kept.Facts.DriftPerS, drift, drift * 1e-3) << ReadingMeaningName(meaning);
    EXPECT_FALSE(kept.Facts.DriftRemoved);
    EXPECT_TRUE(removed.Facts.DriftRemoved);
    EXPECT_NEAR(FitFrequencyDrift(removed.Data), 0, drift * 1e-6);
    TDeviationCalculator before(kept.Data), after(removed.Data);
    const double withDrift = before.At(256, DeviationBit(dvOadev))[dvOadev].Value;
    const double withoutDrift = after.At(256, DeviationBit(dvOadev))[dvOadev].Value;
    EXPECT_GT(withDrift, 10 * withoutDrift) << ReadingMeaningName(meaning);
  }
}

TEST(StabilityInputTest, ARecordingIsReadBackBySegmentsOfOneKind) {
  const TMeasurementFile file = ParseMeasurementText(
      "# frontpanel 1.0\r\n"
      "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status\r\n"
      "t,0.000,\"10000.001\",10000.001,kHz,10000001,F,1000,132\r\n"
      "t,1.000,10000.002,10000.002,kHz,10000002,F,1000,132\r\n"
      "t,2.000,Error,,,,F,1000,132\r\n"
      "t,3.000,0.100,0.100,\xC2\xB5s,1e-07,T,1000,132\r\n"
      "t,4.000,10000.004,10000.004,kHz,10000004,F,1000,132\r\n"
      "\r\n"
      "t,5.000,10000.005,10000.005,kHz,10000005,F,1000,132\r\n");
  EXPECT_TRUE(file.Error.empty());
  EXPECT_FALSE(file.Plain);
  EXPECT_EQ(file.Mode, mmFrequency);
  EXPECT_EQ(file.Unit, duKHz);
  EXPECT_EQ(file.GateMs, 1000);
  EXPECT_EQ(file.Rows, 6u);
  EXPECT_EQ(file.LeftOut, 2u) << "the error and the period";
  ASSERT_EQ(file.Segments.size(), 2u) << "another kind between them ends a segment";
  EXPECT_EQ(file.Segments[0].size(), 2u);
  EXPECT_EQ(file.Segments[1][1].Seconds, 5.0);
  EXPECT_EQ(file.Segments[1][1].Value, 10000005.0);

  // With the measurement stream's columns: segments without gaps, a flagged reading a missing
  // point of its segment, repeated frames skipped, tau0 the mean spacing of the gates.
  const TMeasurementFile stream = ParseMeasurementText(
      "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status,flags,segment,segment_start,new_measurement\r\n"
      "t,0.000,,,kHz,10000001,F,1000,132,,1,start,1\r\n"
      "t,0.300,,,kHz,10000001,F,1000,132,,1,,0\r\n"
      "t,1.000,,,kHz,10000002,F,1000,132,,1,,1\r\n"
      "t,2.300,,,kHz,10000099,F,1000,132,overflow,1,,1\r\n"
      "t,3.000,,,kHz,10000004,F,1000,132,,1,,1\r\n"
      "t,3.300,,,kHz,10000004,F,1000,132,held,1,,0\r\n"
      "t,3.600,,,kHz,10000004,F,1000,132,held,1,,0\r\n"
      "t,4.000,Error,,,,F,1000,132,error,1,,0\r\n"
      "t,9.000,,,kHz,10000005,F,1000,132,,2,line,1\r\n"
      "t,10.400,,,kHz,10000006,F,1000,132,,2,,1\r\n");
  EXPECT_TRUE(stream.Consecutive);
  EXPECT_EQ(stream.Rows, 6u);
  EXPECT_EQ(stream.LeftOut, 1u);
  ASSERT_EQ(stream.Segments.size(), 2u);
  ASSERT_EQ(stream.Segments[0].size(), 4u);
  EXPECT_TRUE(std::isnan(stream.Segments[0][2].Value));
  // Left out as the summary counts them: a hold once however many frames showed it.
  EXPECT_EQ(stream.Flagged.Held, 1);
  EXPECT_EQ(stream.Flagged.Overflow, 1);
  EXPECT_EQ(stream.Flagged.Error, 1);
  EXPECT_EQ(stream.LastSegment, 2u);
  EXPECT_EQ(stream.LastSegmentStart, scLine);
  TInputOptions consecutive;
  consecutive.Consecutive = true;
  const TStabilityInput in = Prepare(stream.Segments, rmFrequency, consecutive);
  EXPECT_DOUBLE_EQ(in.Facts.Tau0S, (3.0 + 1.4) / 4) << "the mean spacing: 2.3 s is a gate shown late, not a gap";
  EXPECT_EQ(in.Data.Values.size(), 7u);
  EXPECT_EQ(in.Facts.Readings, 5u);
  EXPECT_EQ(in.Facts.Missing, 2u) << "the overflow and the break between the segments";

  const TMeasurementFile plain = ParseMeasurementText("0.5\n0.25\n\nnan\n-1e-3\n");
  EXPECT_TRUE(plain.Plain);
  ASSERT_EQ(plain.Segments.size(), 1u);
  ASSERT_EQ(plain.Segments[0].size(), 3u);
  EXPECT_EQ(plain.Segments[0][2].Seconds, 3.0) << "a line that is no number is a missing point";
  EXPECT_EQ(plain.LeftOut, 1u);
  EXPECT_FALSE(ReadMeasurementFile("/nonexistent/readings.csv").Error.empty());
}

TEST(StabilityInputTest, PlainFilesForOtherProgramsMarkTheirGaps) {
  const TStabilityData frequency{dkFrequency, 2.0, {0.5, std::nan(""), 0.25, 1.5e-9}, {}};
  EXPECT_EQ(FrequencyLines(frequency), "0.5\nnan\n0.25\n1.5e-09\n");
  EXPECT_EQ(PhaseLines(frequency), "0\n1\nnan\n1.5\n1.500000003\n") << "x_{k+1} = x_k + y_k tau0, the gap as nominal";
  const TStabilityData phase{dkPhase, 2.0, {0, 0.25, 1}, {}};
  EXPECT_EQ(PhaseLines(phase), "0\n0.25\n1\n");
  EXPECT_EQ(FrequencyLines(phase), "0.125\n0.375\n");
  // Read back as fractional frequencies, the file gives the series it came from.
  const TMeasurementFile back = ParseMeasurementText(FrequencyLines(frequency));
  ASSERT_EQ(back.Segments.size(), 1u);
  EXPECT_EQ(back.Segments[0].size(), 3u);
  EXPECT_EQ(back.Segments[0][2].Value, 1.5e-9);
}

}  // namespace
