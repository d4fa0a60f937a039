#include "measure/Deviations.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kNames[kDeviationKinds] = {"adev", "oadev", "mdev", "tdev", "hdev", "ohdev"};

// The mean square of the terms that exist, over every `stride`-th term.
TDeviationEstimate MeanSquare(const std::vector<double>& terms, std::size_t count, std::size_t stride) {
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t i = 0; i < count; i += stride) {
    if (std::isnan(terms[i])) continue;
    sum += terms[i] * terms[i];
    ++n;
  }
  return {n > 0 ? sum / static_cast<double>(n) : kNaN, n};
}

TDeviationEstimate Scaled(TDeviationEstimate e, double divisor) {
  return {e.Terms > 0 ? std::sqrt(e.Value / divisor) : kNaN, e.Terms};
}

}  // namespace

const char* DeviationName(TDeviationKind kind) { return kNames[kind]; }

std::optional<TDeviationKind> DeviationFromName(std::string_view name) {
  for (std::size_t k = 0; k < kDeviationKinds; ++k)
    if (name == kNames[k]) return static_cast<TDeviationKind>(k);
  return std::nullopt;
}

std::optional<TDeviationSet> ParseDeviationList(std::string_view list) {
  TDeviationSet set = 0;
  for (;;) {
    const auto comma = list.find(',');
    const auto kind = DeviationFromName(list.substr(0, comma));
    if (!kind) return std::nullopt;
    set |= DeviationBit(*kind);
    if (comma == std::string_view::npos) return set;
    list.remove_prefix(comma + 1);
  }
}

std::optional<TTauSet> TauSetFromName(std::string_view name) {
  if (name == "octave") return tsOctave;
  if (name == "decade") return tsDecade;
  if (name == "all") return tsAll;
  return std::nullopt;
}

std::vector<std::size_t> AveragingFactors(TTauSet set, std::size_t phasePoints) {
  std::vector<std::size_t> factors;
  if (phasePoints < 4) return factors;
  const std::size_t last = (phasePoints - 2) / 2;
  static constexpr std::size_t kDecadeSteps[] = {1, 2, 5};
  for (std::size_t m = 1, step = 0, decade = 1; m <= last;) {
    factors.push_back(m);
    switch (set) {
      case tsOctave: m *= 2; break;
      case tsAll: ++m; break;
      case tsDecade:
        if (++step == 3) {
          step = 0;
          decade *= 10;
        }
        m = kDecadeSteps[step] * decade;
        break;
    }
  }
  return factors;
}

std::array<TDeviationEstimate, kDeviationKinds> TDeviationCalculator::At(std::size_t m, TDeviationSet kinds) {
  std::array<TDeviationEstimate, kDeviationKinds> result;
  result.fill({kNaN, 0});
  const std::size_t n = FData.PhasePoints();
  if (m == 0 || n < 2 * m + 1) return result;
  const double tau = static_cast<double>(m) * FData.Tau0S;
  const double md = static_cast<double>(m);
  WindowDifferences(FData, m, FWindow);
  const auto wants = [&](TDeviationKind k) { return (kinds & DeviationBit(k)) != 0; };

  // x_{i+2m} - 2x_{i+m} + x_i for i = 0 .. n-2m-1.
  FSecond.resize(n - 2 * m);
  for (std::size_t i = 0; i < FSecond.size(); ++i) FSecond[i] = FWindow[i + m] - FWindow[i];
  if (wants(dvOadev)) result[dvOadev] = Scaled(MeanSquare(FSecond, FSecond.size(), 1), 2 * tau * tau);
  if (wants(dvAdev)) result[dvAdev] = Scaled(MeanSquare(FSecond, FSecond.size(), m), 2 * tau * tau);
  if ((wants(dvMdev) || wants(dvTdev)) && n >= 3 * m) {
    WindowSums(FSecond, m, 1.0, FInner);
    const TDeviationEstimate mdev = Scaled(MeanSquare(FInner, FInner.size(), 1), 2 * md * md * tau * tau);
    if (wants(dvMdev)) result[dvMdev] = mdev;
    if (wants(dvTdev)) result[dvTdev] = {tau * mdev.Value / std::sqrt(3.0), mdev.Terms};
  }
  if ((wants(dvHdev) || wants(dvOhdev)) && n >= 3 * m + 1) {
    // x_{i+3m} - 3x_{i+2m} + 3x_{i+m} - x_i, the difference of two second differences; FSecond
    // is not needed after this, so it takes the third differences in place.
    const std::size_t count = n - 3 * m;
    for (std::size_t i = 0; i < count; ++i) FSecond[i] = FSecond[i + m] - FSecond[i];
    if (wants(dvOhdev)) result[dvOhdev] = Scaled(MeanSquare(FSecond, count, 1), 6 * tau * tau);
    if (wants(dvHdev)) result[dvHdev] = Scaled(MeanSquare(FSecond, count, m), 6 * tau * tau);
  }
  return result;
}
