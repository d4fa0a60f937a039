// The figures of a series that need all its points: tau0, the Allan deviation table and the
// histogram.  One function, called by the window's worker thread (measure/SeriesAnalyzer.h)
// and by the headless logger's summary, so both report the same figures for the same points.
//
// O(N log N) for N points (O(N) per tau); any thread.
#pragma once

#include <cstddef>
#include <vector>

#include "measure/AllanDeviation.h"
#include "measure/Histogram.h"
#include "measure/SeriesStore.h"

struct TSeriesAnalysis {
  std::size_t Count = 0;  // the points analysed: the series' first Count
  double Mean = 0;
  // The mean spacing of the points' times (the span over the count less one); 0 for fewer than
  // two.  A segment has no gap, and its times come from frames that show each gate's result up
  // to a frame period late: the mean is the gate spacing where a median would be the frame's.
  double Tau0S = 0;
  // Of the fractional values y_i = v_i / mean - 1; none when the mean is 0 (no fractional
  // value exists) or tau0 is 0.
  std::vector<TAdevPoint> Adev;
  THistogram Histogram;   // empty when maxBins is 0
};

// quantum: the readings' resolution for the histogram (0: none known).
TSeriesAnalysis AnalyzeSeries(const TSeriesView& view, double quantum = 0, int maxBins = 0);
