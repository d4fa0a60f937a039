#include "measure/SeriesAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "measure/RunningMoments.h"

namespace {

// The median spacing of the points' times, taken in whole nanoseconds so that readings 0.1 s
// apart give tau0 = 0.1 exactly.  0 for fewer than two points.
double MedianSpacingS(const TSeriesView& view) {
  if (view.Size() < 2) return 0;
  std::vector<std::int64_t> spacing(view.Size() - 1);
  for (std::size_t i = 1; i < view.Size(); ++i) spacing[i - 1] = view.Ns(i) - view.Ns(i - 1);
  const std::size_t half = spacing.size() / 2;
  std::nth_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(half), spacing.end());
  double median = static_cast<double>(spacing[half]);
  if (spacing.size() % 2 == 0) {
    // The lower middle is the largest of the half before it.
    median = (median + static_cast<double>(*std::max_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(half)))) / 2;
  }
  return median / 1e9;
}

}  // namespace

TSeriesAnalysis AnalyzeSegments(std::span<const TReadingSegment> segments, const TAnalysisSettings& settings) {
  TSeriesAnalysis a;
  TRunningMoments moments;
  for (const TReadingSegment& s : segments)
    for (const TReadingPoint& p : s)
      if (!std::isnan(p.Value)) moments.Add(p.Value);
  a.Count = static_cast<std::size_t>(moments.Count());
  a.Mean = moments.Mean();
  const TStabilityInput input = PrepareStabilityInput(segments, ReadingMeaning(settings.Mode), settings.Input);
  a.Facts = input.Facts;
  a.Tau0S = input.Facts.Tau0S;
  if (input.Data.Values.empty()) return a;
  a.Stability = AnalyzeStability(input.Data, settings.Stability);
  if (settings.Stability.Deviations & DeviationBit(dvOadev)) {
    a.Oadev = a.Stability.Curves[dvOadev];
  } else {
    // The summary's "adev" without the work of intervals nobody asked for.
    a.Oadev = AnalyzeStability(input.Data, {DeviationBit(dvOadev), settings.Stability.Taus, 0}).Curves[dvOadev];
  }
  return a;
}

TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, const TAnalysisSettings& settings) {
  TReadingSegment segment(view.Size());
  for (std::size_t i = 0; i < view.Size(); ++i) segment[i] = {view.Seconds(i), view.Value(i)};
  TAnalysisSettings s = settings;
  if (!s.Input.Tau0S && view.Size() > 1) s.Input.Tau0S = MedianSpacingS(view);
  TSeriesAnalysis a = AnalyzeSegments(std::span<const TReadingSegment>(&segment, 1), s);
  if (settings.MaxBins > 0 && a.Count > 0) {
    TRunningMoments moments;
    for (const TReadingPoint& p : segment) moments.Add(p.Value);
    a.Histogram = MakeHistogram(view, moments.Min(), moments.Max(), settings.Quantum, settings.MaxBins);
  }
  return a;
}
