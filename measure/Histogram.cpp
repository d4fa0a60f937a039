#include "measure/Histogram.h"

#include <algorithm>
#include <cmath>

THistogram MakeHistogram(const TSeriesView& view, double min, double max, double quantum, int maxBins) {
  THistogram h;
  const std::size_t n = view.Size();
  if (n == 0 || maxBins < 1 || !(max >= min)) return h;
  const double target = std::clamp(std::ceil(2 * std::cbrt(static_cast<double>(n))), 1.0, static_cast<double>(maxBins));
  const double span = max - min;
  double bins = 1;
  if (quantum > 0) {
    const double steps = std::max(1.0, std::ceil(span / quantum / target));
    h.Width = steps * quantum;
    h.First = min - quantum / 2;
    bins = std::floor((max - h.First) / h.Width) + 1;
  } else if (span > 0) {
    h.Width = span / target;
    h.First = min;
    bins = target;  // the maximum falls on the last edge and counts in the last bin
  } else {
    // Without a step, a series of one value still gets a bin of some width.
    h.Width = std::max(std::fabs(min) * 1e-9, 1e-300);
    h.First = min - h.Width / 2;
  }
  const auto count = static_cast<std::size_t>(std::clamp(bins, 1.0, static_cast<double>(maxBins)));
  h.Counts.assign(count, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const double at = std::floor((view.Value(i) - h.First) / h.Width);
    // Rounding may put the maximum just past the last edge.
    h.Counts[static_cast<std::size_t>(std::clamp(at, 0.0, static_cast<double>(count - 1)))]++;
  }
  return h;
}
