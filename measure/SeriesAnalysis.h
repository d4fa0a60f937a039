// The figures of a series that need all its points: tau0, the stability analysis (deviations
// with their confidence intervals, measure/StabilityAnalysis.h) and the histogram.  One
// function, called by the window's worker thread (measure/SeriesAnalyzer.h) and by the
// headless logger's summary, so both report the same figures for the same points; the offline
// analysis calls it on the segments of a file.
//
// What each figure is of (docs/stability.md): the histogram, Count and Mean are of the current
// segment, as the summary's moments are; the deviations take every segment of the view with
// gap-aware sums (no term spans the start of a segment), since a segment's points follow one
// another without a gap but the segments do not.
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
  std::size_t Count = 0;  // the points of the current segment
  double Mean = 0;        // their mean
  // The deviations' basic interval: the segments' mean spacing (their spans over their steps),
  // or as given; 0 without two points in one segment.  A segment has no gap, and its times come
  // from frames that show each gate's result up to a frame period late: the mean is the gate
  // spacing where a median would be the frame's.
  double Tau0S = 0;
  TInputFacts Facts;      // what the readings were taken as
  // The deviations asked for; empty curves when no fractional value exists (a frequency-like
  // mean of 0) or tau0 is 0.
  TStabilityResult Stability;
  // The overlapping Allan deviation, which every analysis has (the summary's "adev"), asked
  // for or not; with its intervals when asked for.
  std::vector<TDeviationPoint> Oadev;
  THistogram Histogram;   // of the current segment; empty when MaxBins is 0
  const std::vector<TDeviationPoint>& Adev() const { return Oadev; }
};

// The view's points in segments (where TSeriesView::Segment changes), the current segment
// from point `first` of the view on.  The points of a segment are consecutive gates.
TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, std::size_t first, const TAnalysisSettings& settings = {});
// Deviations and facts of segments read from a file (no histogram; Count and Mean of all).
TSeriesAnalysis AnalyzeSegments(std::span<const TReadingSegment> segments, const TAnalysisSettings& settings);
