#include "measure/SeriesAnalysis.h"

#include "measure/RunningMoments.h"

namespace {

// The overlapping Allan deviation is always worked out: the summary's "adev" gives it.
TStabilityOptions WithOadev(TStabilityOptions options) {
  options.Deviations |= DeviationBit(dvOadev);
  return options;
}

}  // namespace

TSeriesAnalysis AnalyzeSegments(std::span<const TReadingSegment> segments, const TAnalysisSettings& settings) {
  TSeriesAnalysis a;
  TRunningMoments moments;
  for (const TReadingSegment& s : segments)
    for (const TReadingPoint& p : s) moments.Add(p.Value);
  a.Count = static_cast<std::size_t>(moments.Count());
  a.Mean = moments.Mean();
  const TStabilityInput input = PrepareStabilityInput(segments, ReadingMeaning(settings.Mode), settings.Input);
  a.Facts = input.Facts;
  a.Tau0S = input.Facts.Tau0S;
  if (!input.Data.Values.empty()) a.Stability = AnalyzeStability(input.Data, WithOadev(settings.Stability));
  return a;
}

TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, const TAnalysisSettings& settings) {
  TReadingSegment segment(view.Size());
  for (std::size_t i = 0; i < view.Size(); ++i) segment[i] = {view.Seconds(i), view.Value(i)};
  TSeriesAnalysis a = AnalyzeSegments(std::span<const TReadingSegment>(&segment, 1), settings);
  if (settings.MaxBins > 0 && a.Count > 0) {
    TRunningMoments moments;
    for (const TReadingPoint& p : segment) moments.Add(p.Value);
    a.Histogram = MakeHistogram(view, moments.Min(), moments.Max(), settings.Quantum, settings.MaxBins);
  }
  return a;
}
