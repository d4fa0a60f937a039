#include "measure/SeriesAnalysis.h"

#include <cmath>

#include "measure/RunningMoments.h"

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

TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, std::size_t first, const TAnalysisSettings& settings) {
  std::vector<TReadingSegment> segments;
  for (std::size_t i = 0; i < view.Size(); ++i) {
    if (i == 0 || view.Segment(i) != view.Segment(i - 1)) segments.emplace_back();
    segments.back().push_back({view.Seconds(i), view.Value(i)});
  }
  TAnalysisSettings s = settings;
  s.Input.Consecutive = true;
  TSeriesAnalysis a = AnalyzeSegments(segments, s);
  const TSeriesView current = view.From(first);
  TRunningMoments moments;
  for (std::size_t i = 0; i < current.Size(); ++i) moments.Add(current.Value(i));
  a.Count = current.Size();
  a.Mean = moments.Mean();
  if (settings.MaxBins > 0 && a.Count > 0)
    a.Histogram = MakeHistogram(current, moments.Min(), moments.Max(), settings.Quantum, settings.MaxBins);
  return a;
}
