#include "measure/NoiseIdentification.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The phase every m-th point.  From frequency data: the sums of non-overlapping groups of m,
// accumulated; a group with a missing value gives a missing phase, and the phases after it
// go on as if it had been 0 (they are off by a constant, which no difference sees).
std::vector<double> DecimatedPhase(const TStabilityData& data, std::size_t m) {
  std::vector<double> out;
  const std::vector<double>& v = data.Values;
  if (data.Kind == dkPhase) {
    // A segment starting since the point before makes a missing point first: no difference
    // spans two segments' phases.
    auto next = data.SegmentStarts.begin();
    for (std::size_t i = 0; i < v.size(); i += m) {
      bool started = false;
      for (; next != data.SegmentStarts.end() && *next <= i; ++next) started = started || (*next > 0 && i > 0);
      if (started) out.push_back(kNaN);
      out.push_back(v[i]);
    }
    return out;
  }
  out.reserve(v.size() / m + 1);
  double phase = 0;
  out.push_back(phase);
  for (std::size_t i = 0; i + m <= v.size(); i += m) {
    double sum = 0;
    for (std::size_t k = i; k < i + m; ++k) sum += v[k];  // NaN stays NaN
    if (!std::isnan(sum)) phase += sum;
    out.push_back(std::isnan(sum) ? kNaN : phase);
  }
  return out;
}

// Removes the least-squares polynomial of degree 1 or 2 in the index from the present points.
// The index is centred and scaled to [-1, 1], so the normal equations stay well conditioned.
void Detrend(std::vector<double>& v, int degree) {
  const double half = static_cast<double>(v.size() - 1) / 2;
  if (half <= 0) return;
  double s[5] = {0, 0, 0, 0, 0}, r[3] = {0, 0, 0};  // sums of t^k and of v t^k
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (std::isnan(v[i])) continue;
    const double t = (static_cast<double>(i) - half) / half;
    double power = 1;
    for (int k = 0; k <= 4; ++k, power *= t) {
      s[k] += power;
      if (k <= 2) r[k] += v[i] * power;
    }
  }
  const int n = degree + 1;
  double a[3][4];
  for (int row = 0; row < n; ++row) {
    for (int col = 0; col < n; ++col) a[row][col] = s[row + col];
    a[row][n] = r[row];
  }
  // Gaussian elimination with partial pivoting on the small system.
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int row = col + 1; row < n; ++row)
      if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
    if (a[pivot][col] == 0) return;  // too few points for this degree: leave them
    for (int k = 0; k <= n; ++k) std::swap(a[col][k], a[pivot][k]);
    for (int row = 0; row < n; ++row) {
      if (row == col) continue;
      const double f = a[row][col] / a[col][col];
      for (int k = col; k <= n; ++k) a[row][k] -= f * a[col][k];
    }
  }
  for (std::size_t i = 0; i < v.size(); ++i) {
    const double t = (static_cast<double>(i) - half) / half;
    double fit = 0, power = 1;
    for (int k = 0; k < n; ++k, power *= t) fit += a[k][n] / a[k][k] * power;
    v[i] -= fit;
  }
}

// The lag-1 autocorrelation about the mean of the present points, over the pairs present.
double Lag1Autocorrelation(const std::vector<double>& v) {
  double sum = 0;
  std::size_t n = 0;
  for (const double x : v)
    if (!std::isnan(x)) {
      sum += x;
      ++n;
    }
  if (n < 2) return kNaN;
  const double mean = sum / static_cast<double>(n);
  double variance = 0, lag = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (std::isnan(v[i])) continue;
    variance += (v[i] - mean) * (v[i] - mean);
    if (i + 1 < v.size() && !std::isnan(v[i + 1])) lag += (v[i] - mean) * (v[i + 1] - mean);
  }
  return variance > 0 ? lag / variance : kNaN;
}

std::size_t Present(const std::vector<double>& v) {
  return static_cast<std::size_t>(std::count_if(v.begin(), v.end(), [](double x) { return !std::isnan(x); }));
}

}  // namespace

std::optional<double> Lag1NoiseAlpha(const TStabilityData& data, std::size_t m, int dmax) {
  if (m == 0) return std::nullopt;
  std::vector<double> v = DecimatedPhase(data, m);
  if (Present(v) < kNoiseIdMinPoints) return std::nullopt;
  Detrend(v, 2);
  for (int d = 0;; ++d) {
    const double r1 = Lag1Autocorrelation(v);
    if (std::isnan(r1)) return std::nullopt;
    const double delta = r1 / (1 + r1);
    if (delta < 0.25 || d >= dmax) return -2 * (delta + d) + 2;
    for (std::size_t i = 0; i + 1 < v.size(); ++i) v[i] = v[i + 1] - v[i];
    v.pop_back();
    if (Present(v) < kNoiseIdMinPoints / 2) return std::nullopt;
  }
}

int NearestNoiseType(double alpha, int dmax) {
  return static_cast<int>(std::clamp(std::lround(alpha), dmax >= 3 ? -4L : -2L, 2L));
}

const char* NoiseTypeAbbreviation(int alpha) {
  switch (alpha) {
    case 2: return "WPM";
    case 1: return "FPM";
    case 0: return "WFM";
    case -1: return "FFM";
    case -2: return "RWFM";
    case -3: return "FWFM";
    case -4: return "RRFM";
    default: return "";
  }
}

const char* NoiseTypeName(int alpha) {
  switch (alpha) {
    case 2: return "white PM";
    case 1: return "flicker PM";
    case 0: return "white FM";
    case -1: return "flicker FM";
    case -2: return "random-walk FM";
    case -3: return "flicker walk FM";
    case -4: return "random run FM";
    default: return "";
  }
}
