#include "measure/AllanDeviation.h"

#include <algorithm>
#include <cmath>

std::vector<TAdevPoint> OverlappingAdev(std::span<const double> y, double tau0S) {
  std::vector<TAdevPoint> points;
  const std::size_t n = y.size();
  for (std::size_t m = 1; 2 * m < n; m *= 2) {
    const std::size_t terms = n - 2 * m + 1;
    // Zero-based: window j covers y[j..j+m-1] against y[j+m..j+2m-1].
    double window = 0;
    for (std::size_t i = 0; i < m; ++i) window += y[i + m] - y[i];
    double squares = window * window;
    for (std::size_t j = 1; j < terms; ++j) {
      window += y[j + 2 * m - 1] - 2 * y[j + m - 1] + y[j - 1];
      squares += window * window;
    }
    const double md = static_cast<double>(m);
    points.push_back({md * tau0S, std::sqrt(squares / (2 * md * md * static_cast<double>(terms))), terms});
  }
  return points;
}

double MedianSpacingS(const TSeriesView& view) {
  if (view.Size() < 2) return 0;
  std::vector<std::int64_t> spacing(view.Size() - 1);
  for (std::size_t i = 1; i < view.Size(); ++i) spacing[i - 1] = view.Ns(i) - view.Ns(i - 1);
  const std::size_t half = spacing.size() / 2;
  std::nth_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(half), spacing.end());
  double median = static_cast<double>(spacing[half]);
  if (spacing.size() % 2 == 0) {
    // The lower middle is the largest of the half before it.
    median = (median + static_cast<double>(*std::max_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(half)))) / 2;
  }
  return median / 1e9;
}
