#include "measure/SeriesReduction.h"

#include <algorithm>
#include <cmath>

std::vector<TChartPoint> ReduceToColumns(const TSeriesView& view, double x0, double x1, int columns) {
  std::vector<TChartPoint> points;
  if (view.Empty() || !(x1 > x0) || columns < 1) return points;
  const std::size_t first = view.LowerBound(x0);
  const std::size_t end = view.LowerBound(std::nextafter(x1, x1 + 1));
  points.reserve(2 * static_cast<std::size_t>(columns) + 2);
  const auto point = [&](std::size_t i) { return TChartPoint{view.Seconds(i), view.Value(i)}; };
  if (first > 0) points.push_back(point(first - 1));
  const double perColumn = static_cast<double>(columns) / (x1 - x0);
  const auto columnOf = [&](std::size_t i) {
    return std::min(static_cast<int>((view.Seconds(i) - x0) * perColumn), columns - 1);
  };
  std::size_t i = first;
  while (i < end) {
    const int column = columnOf(i);
    std::size_t low = i, high = i;
    for (++i; i < end && columnOf(i) == column; ++i) {
      if (view.Value(i) < view.Value(low)) low = i;
      if (view.Value(i) > view.Value(high)) high = i;
    }
    points.push_back(point(std::min(low, high)));
    if (low != high) points.push_back(point(std::max(low, high)));
  }
  if (end < view.Size()) points.push_back(point(end));
  return points;
}
