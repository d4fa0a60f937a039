#include "measure/EquivalentDof.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kMaxSumTerms = 100;

// The structure function of the phase of power-law noise alpha, up to a factor.
double Sw(double t, int alpha) {
  const double a = std::fabs(t);
  const double lg = a > 0 ? std::log(a) : 0;
  switch (alpha) {
    case 2: return -a;
    case 1: return t * t * lg;
    case 0: return a * a * a;
    case -1: return -t * t * t * t * lg;
    case -2: return -a * a * a * a * a;
    case -3: return t * t * t * t * t * t * lg;
    default: return a * a * a * a * a * a * a;
  }
}

// The phase averaged by a filter 1/F wide; F infinite: the limit, which is Sw of alpha + 2.
double Sx(double t, double f, int alpha) {
  if (std::isinf(f)) return Sw(t, alpha + 2);
  return f * f * (2 * Sw(t, alpha) - Sw(t - 1 / f, alpha) - Sw(t + 1 / f, alpha));
}

// The covariance of the d-th differences at lag t (in units of tau).
double Sz(double t, double f, int alpha, int d) {
  static constexpr double kBinomial[4][4] = {{0, 0, 0, 0}, {2, -1, 0, 0}, {6, -4, 1, 0}, {20, -15, 6, -1}};
  double sum = kBinomial[d][0] * Sx(t, f, alpha);
  for (int k = 1; k <= d; ++k) sum += kBinomial[d][k] * (Sx(t - k, f, alpha) + Sx(t + k, f, alpha));
  return sum;
}

// sz(0)^2 + (1 - J/M) sz(J/S)^2 + 2 sum_{j=1}^{J-1} (1 - j/M) sz(j/S)^2; `every` > 1 skips
// the lags where sz is known to vanish.
double BasicSum(double j, double m, double s, double f, int alpha, int d, std::size_t every = 1) {
  const auto sq = [&](double lag) {
    const double z = Sz(lag / s, f, alpha, d);
    return z * z;
  };
  double sum = sq(0) + (1 - j / m) * sq(j);
  const auto last = static_cast<std::size_t>(j);
  for (std::size_t i = every; i < last; i += every) sum += 2 * (1 - static_cast<double>(i) / m) * sq(static_cast<double>(i));
  return sum;
}

}  // namespace

double EquivalentDof(TDeviationKind kind, int alpha, std::size_t m, std::size_t phasePoints) {
  const int d = IsHadamard(kind) ? 3 : 2;
  const bool modified = kind == dvMdev || kind == dvTdev;
  const bool overlapping = kind != dvAdev && kind != dvHdev;
  const double md = static_cast<double>(m);
  const double n = static_cast<double>(phasePoints);
  alpha = std::clamp(alpha, -4, 2);
  if (alpha + 2 * d <= 1 || m == 0) return std::numeric_limits<double>::quiet_NaN();
  const double f = modified ? 1 : md;  // the filter's factor
  const double s = overlapping ? md : 1;  // the stride's factor
  const double length = md / f + md * d;  // phase samples one term spans, less one
  const double terms = 1 + std::floor(s * (n - length) / md);
  if (terms < 1) return std::numeric_limits<double>::quiet_NaN();
  const double j = std::min(terms, (d + 1) * s);
  const double r = terms / s;

  if (!modified && alpha == 2) {
    // White PM, plain variance: the covariance vanishes between lags that are not whole taus.
    if (std::ceil(r) > d) {
      double a0 = 1;  // C(4d, 2d) / C(2d, d)^2
      for (int k = 1; k <= 2 * d; ++k) a0 *= static_cast<double>(2 * d + k) / k;
      for (int k = 1; k <= d; ++k) a0 /= std::pow(static_cast<double>(d + k) / k, 2);
      return 1 / ((a0 - d / 2.0 / r) / terms);
    }
    const double z0 = Sz(0, f, alpha, d);
    return z0 * z0 * terms / BasicSum(j, terms, s, f, alpha, d, static_cast<std::size_t>(s));
  }
  // The plain variances take phase samples as they are: for frequency noises (alpha <= 0) the
  // phase is continuous and needs no filter (a counter's readings are averages of the
  // frequency over tau0, whose sums are exact samples of the phase); only phase noises need
  // the measurement's bandwidth, a filter tau0 wide.
  const double filter = modified ? 1 : alpha <= 0 ? kInfinity : f;
  const double z0 = Sz(0, filter, alpha, d);
  if (j <= kMaxSumTerms) return z0 * z0 * terms / BasicSum(j, terms, s, filter, alpha, d);
  // A coarser stride with the same r; a filter as wide as the stride scales with it.
  const double scale = kMaxSumTerms / j;
  const double s2 = s * scale, m2 = terms * scale;
  const double filter2 = filter == md ? s2 : filter;
  return z0 * z0 * m2 / BasicSum(kMaxSumTerms, m2, s2, filter2, alpha, d);
}
