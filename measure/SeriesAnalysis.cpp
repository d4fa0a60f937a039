#include "measure/SeriesAnalysis.h"

#include <cmath>

#include "measure/RunningMoments.h"

TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, double quantum, int maxBins) {
  TSeriesAnalysis a;
  a.Count = view.Size();
  TRunningMoments moments;
  for (std::size_t i = 0; i < a.Count; ++i) moments.Add(view.Value(i));
  a.Mean = moments.Mean();
  if (a.Count > 1) a.Tau0S = static_cast<double>(view.Ns(a.Count - 1) - view.Ns(0)) / 1e9 / static_cast<double>(a.Count - 1);
  if (a.Mean != 0 && std::isfinite(a.Mean) && a.Tau0S > 0) {
    // v / mean - 1, written as (v - mean) / mean, which rounds once instead of twice.
    std::vector<double> y(a.Count);
    for (std::size_t i = 0; i < a.Count; ++i) y[i] = (view.Value(i) - a.Mean) / a.Mean;
    a.Adev = OverlappingAdev(y, a.Tau0S);
  }
  if (maxBins > 0) a.Histogram = MakeHistogram(view, moments.Min(), moments.Max(), quantum, maxBins);
  return a;
}
