#include "measure/ChiSquared.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kEpsilon = 1e-15;
constexpr int kMaxIterations = 100000;

// Q(a, x) = 1 - P(a, x) by the continued fraction (modified Lentz), for x >= a + 1.
double UpperFraction(double a, double x) {
  constexpr double tiny = 1e-300;
  double b = x + 1 - a;
  double c = 1 / tiny;
  double d = 1 / b;
  double h = d;
  for (int i = 1; i < kMaxIterations; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < tiny) d = tiny;
    c = b + an / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1) < kEpsilon) break;
  }
  return std::exp(-x + a * std::log(x) - LogGamma(a)) * h;
}

// P(a, x) by its series, for x < a + 1.
double LowerSeries(double a, double x) {
  double term = 1 / a;
  double sum = term;
  for (int n = 1; n < kMaxIterations; ++n) {
    term *= x / (a + n);
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * kEpsilon) break;
  }
  return sum * std::exp(-x + a * std::log(x) - LogGamma(a));
}

double NormalQuantile(double p) {
  // Acklam's rational approximation (relative error 1.2e-9), refined by the Newton steps that
  // follow it anyway.
  static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                 1.383577518672690e+02, -3.066479806614716e+01, 2.506628277459239e+00};
  static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                 6.680131188771972e+01, -1.328068155288572e+01};
  static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                 -2.549732539343734e+00, 4.374664141464968e+00, 2.938163982698783e+00};
  static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                 3.754408661907416e+00};
  const double low = 0.02425;
  if (p < low || p > 1 - low) {
    const double q = std::sqrt(-2 * std::log(p < low ? p : 1 - p));
    const double x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
                     ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    return p < low ? x : -x;
  }
  const double q = p - 0.5;
  const double r = q * q;
  return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
         (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}

}  // namespace

double LogGamma(double x) {
  // Lanczos (g = 7, n = 9), with the reflection formula below 1/2.
  static constexpr double g[] = {0.99999999999980993,  676.5203681218851,     -1259.1392167224028,
                                 771.32342877765313,   -176.61502916214059,   12.507343278686905,
                                 -0.13857109526572012, 9.9843695780195716e-6, 1.5056327351493116e-7};
  constexpr double pi = 3.14159265358979323846;
  if (x < 0.5) return std::log(pi / std::fabs(std::sin(pi * x))) - LogGamma(1 - x);
  x -= 1;
  double sum = g[0];
  for (int i = 1; i < 9; ++i) sum += g[i] / (x + i);
  const double t = x + 7.5;
  return 0.5 * std::log(2 * pi) + (x + 0.5) * std::log(t) - t + std::log(sum);
}

double RegularizedGammaP(double a, double x) {
  if (!(a > 0) || !(x >= 0)) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0) return 0;
  return x < a + 1 ? LowerSeries(a, x) : 1 - UpperFraction(a, x);
}

double ChiSquaredCdf(double x, double dof) { return RegularizedGammaP(dof / 2, x / 2); }

double ChiSquaredQuantile(double p, double dof) {
  if (!(p > 0 && p < 1) || !(dof > 0)) return std::numeric_limits<double>::quiet_NaN();
  // Wilson-Hilferty: (X/k)^(1/3) is nearly normal with mean 1 - 2/(9k), variance 2/(9k).
  const double v = 2 / (9 * dof);
  double x = dof * std::pow(std::max(1 - v + NormalQuantile(p) * std::sqrt(v), 1e-3), 3);
  // The root lies in [low, high]; Newton's step is taken while it stays inside, else halving.
  double low = 0, high = std::numeric_limits<double>::infinity();
  const double a = dof / 2;
  for (int i = 0; i < 200; ++i) {
    const double f = ChiSquaredCdf(x, dof) - p;
    if (f < 0) low = x; else high = x;
    // The density of chi-squared(dof) at x.
    const double density = std::exp((a - 1) * std::log(x / 2) - x / 2 - LogGamma(a)) / 2;
    double next = density > 0 ? x - f / density : (low + std::min(high, 2 * x + 1)) / 2;
    if (!(next > low && next < high)) next = std::isfinite(high) ? (low + high) / 2 : 2 * x + 1;
    if (std::fabs(next - x) <= 1e-14 * x) return next;
    x = next;
  }
  return x;
}
