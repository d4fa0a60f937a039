#include "measure/SeriesReduction.h"

#include <algorithm>
#include <cmath>

std::vector<TChartPoint> ReduceToColumns(const TSeriesView& view, double x0, double x1, int columns) {
  std::vector<TChartPoint> points;
  if (view.Empty() || !(x1 > x0) || columns < 1) return points;
  const std::size_t first = view.LowerBound(x0);
  const std::size_t end = view.LowerBound(std::nextafter(x1, x1 + 1));
  points.reserve(2 * static_cast<std::size_t>(columns) + 2);
  const auto point = [&](std::size_t i) { return TChartPoint{view.Seconds(i), view.Value(i), view.Segment(i)}; };
  if (first > 0) points.push_back(point(first - 1));
  // Columns from the raw times: no conversion to seconds per point.
  const double perColumnNs = static_cast<double>(columns) / ((x1 - x0) * 1e9);
  const double startNs = static_cast<double>(view.Ns(0)) + x0 * 1e9;
  const auto columnOf = [&](std::size_t i) {
    return std::min(static_cast<int>((static_cast<double>(view.Ns(i)) - startNs) * perColumnNs), columns - 1);
  };
  std::size_t i = first;
  int column = first < end ? columnOf(first) : 0;
  while (i < end) {
    std::size_t low = i, high = i;
    double lowValue = view.Value(i), highValue = lowValue;
    int next = column;
    const std::uint32_t segment = view.Segment(i);
    for (++i; i < end && (next = columnOf(i)) == column && view.Segment(i) == segment; ++i) {
      const double v = view.Value(i);
      if (v < lowValue) {
        low = i;
        lowValue = v;
      } else if (v > highValue) {
        high = i;
        highValue = v;
      }
    }
    column = next;
    points.push_back(point(std::min(low, high)));
    if (low != high) points.push_back(point(std::max(low, high)));
  }
  if (end < view.Size()) points.push_back(point(end));
  return points;
}
