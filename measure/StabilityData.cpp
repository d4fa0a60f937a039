#include "measure/StabilityData.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kResyncSteps = 1024;

}  // namespace

void WindowSums(std::span<const double> v, std::size_t m, double scale, std::vector<double>& out) {
  out.clear();
  if (m == 0 || v.size() < m) return;
  const std::size_t count = v.size() - m + 1;
  out.resize(count);
  const std::size_t resync = std::max(m, kResyncSteps);
  double sum = 0;       // of the present values in the window
  std::size_t gaps = 0;  // missing values in the window
  for (std::size_t i = 0; i < count; ++i) {
    if (i % resync == 0) {
      sum = 0;
      gaps = 0;
      for (std::size_t k = i; k < i + m; ++k) {
        if (std::isnan(v[k])) ++gaps; else sum += v[k];
      }
    } else {
      const double leaving = v[i - 1];
      const double entering = v[i + m - 1];
      if (std::isnan(leaving)) --gaps; else sum -= leaving;
      if (std::isnan(entering)) ++gaps; else sum += entering;
    }
    out[i] = gaps == 0 ? scale * sum : kNaN;
  }
}

void WindowDifferences(const TStabilityData& data, std::size_t m, std::vector<double>& out) {
  if (data.Kind == dkFrequency) {
    WindowSums(data.Values, m, data.Tau0S, out);
    return;
  }
  out.clear();
  const std::vector<double>& x = data.Values;
  if (m == 0 || x.size() <= m) return;
  out.resize(x.size() - m);
  // The first segment start after i; none past the end.
  auto next = data.SegmentStarts.begin();
  for (std::size_t i = 0; i < out.size(); ++i) {
    while (next != data.SegmentStarts.end() && *next <= i) ++next;
    const bool spansStart = next != data.SegmentStarts.end() && *next <= i + m;
    out[i] = spansStart ? kNaN : x[i + m] - x[i];
  }
}

std::vector<double> FrequencyToPhase(std::span<const double> y, double tau0S) {
  std::vector<double> x(y.size() + 1);
  double phase = 0;
  for (std::size_t k = 0; k < y.size(); ++k) {
    const bool missing = std::isnan(y[k]);
    if (!missing) phase += y[k] * tau0S;
    x[k + 1] = missing ? kNaN : phase;
  }
  return x;
}
