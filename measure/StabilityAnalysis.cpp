#include "measure/StabilityAnalysis.h"

#include <cmath>
#include <limits>
#include <optional>

#include "measure/ChiSquared.h"
#include "measure/EquivalentDof.h"
#include "measure/NoiseIdentification.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The noise type of one difference family (Allan: dmax 2, Hadamard: 3) at growing taus: where
// too few averaged points are left to tell, the type found at the last shorter tau holds; with
// none found at all, white FM, the usual case of a counter's readings.
class TNoiseTracker {
 public:
  TNoiseTracker(const TStabilityData& data, int dmax) : FData(data), FDmax(dmax) {}
  void At(std::size_t m) {
    if (const std::optional<double> alpha = Lag1NoiseAlpha(FData, m, FDmax)) {
      FAlpha = NearestNoiseType(*alpha, FDmax);
      FIdentified = true;
    } else {
      FIdentified = false;
    }
  }
  int Alpha() const { return FAlpha; }
  bool Identified() const { return FIdentified; }

 private:
  const TStabilityData& FData;
  int FDmax;
  int FAlpha = 0;
  bool FIdentified = false;
};

// The terms an estimate has when no point is missing.
std::size_t FullTerms(TDeviationKind kind, std::size_t m, std::size_t n) {
  const std::size_t span = (IsHadamard(kind) ? 3 : 2) * m;
  if (n <= span) return 0;
  switch (kind) {
    case dvAdev:
    case dvHdev: return (n - span - 1) / m + 1;
    case dvMdev:
    case dvTdev: return n + 1 >= 3 * m ? n + 1 - 3 * m : 0;
    default: return n - span;
  }
}

}  // namespace

void ConfidenceInterval(double value, double edf, double confidence, double& low, double& high) {
  low = high = kNaN;
  if (!(edf > 0) || !std::isfinite(edf) || !(confidence > 0 && confidence < 1) || !std::isfinite(value)) return;
  const double tail = (1 - confidence) / 2;
  low = value * std::sqrt(edf / ChiSquaredQuantile(1 - tail, edf));
  high = value * std::sqrt(edf / ChiSquaredQuantile(tail, edf));
}

TStabilityResult AnalyzeStability(const TStabilityData& data, const TStabilityOptions& options) {
  TStabilityResult result;
  result.Confidence = options.Confidence;
  if (!(data.Tau0S > 0)) return result;
  const std::size_t n = data.PhasePoints();
  TDeviationCalculator calculator(data);
  TNoiseTracker allan(data, 2), hadamard(data, 3);
  const bool wantsAllan = (options.Deviations & ~(DeviationBit(dvHdev) | DeviationBit(dvOhdev))) != 0;
  const bool wantsHadamard = (options.Deviations & (DeviationBit(dvHdev) | DeviationBit(dvOhdev))) != 0;
  for (const std::size_t m : AveragingFactors(options.Taus, n)) {
    const auto estimates = calculator.At(m, options.Deviations);
    if (options.Confidence > 0) {
      if (wantsAllan) allan.At(m);
      if (wantsHadamard) hadamard.At(m);
    }
    for (std::size_t k = 0; k < kDeviationKinds; ++k) {
      const auto kind = static_cast<TDeviationKind>(k);
      if ((options.Deviations & DeviationBit(kind)) == 0 || estimates[k].Terms == 0) continue;
      const TNoiseTracker& noise = IsHadamard(kind) ? hadamard : allan;
      TDeviationPoint p;
      p.TauS = static_cast<double>(m) * data.Tau0S;
      p.M = m;
      p.Value = estimates[k].Value;
      p.Terms = estimates[k].Terms;
      p.Noise = noise.Alpha();
      p.NoiseIdentified = noise.Identified();
      p.Edf = options.Confidence > 0 ? EquivalentDof(kind, p.Noise, m, n) : kNaN;
      // Terms left out for missing points take their share of the degrees of freedom.
      if (const std::size_t full = FullTerms(kind, m, n); full > p.Terms)
        p.Edf *= static_cast<double>(p.Terms) / static_cast<double>(full);
      ConfidenceInterval(p.Value, p.Edf, options.Confidence, p.Low, p.High);
      result.Curves[k].push_back(p);
    }
  }
  return result;
}
