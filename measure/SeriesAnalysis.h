// The figures of a series that need all its points: tau0, the stability analysis (deviations
// with their confidence intervals, measure/StabilityAnalysis.h) and the histogram.  One
// function, called by the window's worker thread (measure/SeriesAnalyzer.h) and by the
// headless logger's summary, so both report the same figures for the same points; the offline
// analysis calls it on the segments of a file.
//
// O(N log N) for N points (O(N) per tau); any thread.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "measure/Histogram.h"
#include "measure/Measurement.h"
#include "measure/SeriesStore.h"
#include "measure/StabilityAnalysis.h"
#include "measure/StabilityInput.h"

struct TAnalysisSettings {
  TMeasureMode Mode = mmNone;  // what a reading means (measure/StabilityInput.h)
  TStabilityOptions Stability;
  TInputOptions Input;
  double Quantum = 0;          // the readings' resolution for the histogram (0: none known)
  int MaxBins = 0;             // 0: no histogram
};

struct TSeriesAnalysis {
  std::size_t Count = 0;  // the points analysed: the series' first Count
  double Mean = 0;
  double Tau0S = 0;       // median spacing of the points' times (or as given); 0 for fewer than two
  TInputFacts Facts;      // what the readings were taken as
  // The deviations asked for; empty curves when no fractional value exists (a frequency-like
  // mean of 0) or tau0 is 0.
  TStabilityResult Stability;
  // The overlapping Allan deviation, which every analysis has (the summary's "adev"), asked
  // for or not; with its intervals when asked for.
  std::vector<TDeviationPoint> Oadev;
  THistogram Histogram;   // empty when maxBins is 0
  const std::vector<TDeviationPoint>& Adev() const { return Oadev; }
};

TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, const TAnalysisSettings& settings = {});
// The same for segments read from a file (no histogram).
TSeriesAnalysis AnalyzeSegments(std::span<const TReadingSegment> segments, const TAnalysisSettings& settings);
