// What a chart of a series draws: at most two points per pixel column, the column's lowest and
// highest value, so a million points draw as fast as a thousand and no peak is lost.
//
// Plain function: any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "measure/SeriesStore.h"

struct TChartPoint {
  double X = 0;  // seconds since the series' first point
  double Y = 0;  // the value
  std::uint32_t Segment = 0;  // a line through the points breaks where this changes
};

// The points of `view` with X in [x0, x1] (x1 > x0), split into `columns` equal columns: each
// column's minimum and maximum (of each segment in it), in the order they came.  The nearest point on either side
// outside the range is added as well, so a line drawn through the result runs to the edges.
// The result's X never decreases.
std::vector<TChartPoint> ReduceToColumns(const TSeriesView& view, double x0, double x1, int columns);
