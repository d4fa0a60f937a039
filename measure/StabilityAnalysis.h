// The stability analysis of a series: the deviations asked for at every tau of a tau set, each
// with its number of terms, the dominant noise type at that tau, the equivalent degrees of
// freedom and a chi-squared confidence interval (docs/stability.md).
//
// This is the one entry point for whoever wants the figures: the Measurements window's worker,
// the headless summary, the offline analysis and the remote interface.  Plain function of its
// arguments, O(N) per tau: any thread.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "measure/Deviations.h"
#include "measure/StabilityData.h"

// The probability of a "one sigma" interval, and the other one offered.
inline constexpr double kConfidence68 = 0.682689492137086;
inline constexpr double kConfidence95 = 0.95;

struct TStabilityOptions {
  TDeviationSet Deviations = DeviationBit(dvOadev);
  TTauSet Taus = tsOctave;
  double Confidence = kConfidence68;  // 0: no intervals
};

struct TDeviationPoint {
  double TauS = 0;
  std::size_t M = 0;        // tau / tau0
  double Value = 0;
  std::size_t Terms = 0;
  double Low = 0, High = 0;  // the interval; NaN without one
  double Edf = 0;           // equivalent degrees of freedom; NaN without
  int Noise = 0;            // alpha of the noise type used for the interval
  bool NoiseIdentified = false;  // false: taken from a shorter tau, or white FM assumed
};

struct TStabilityResult {
  double Confidence = 0;
  // For each kind asked for, its points in tau order (taus where it has no term left out);
  // empty for the kinds not asked for.
  std::array<std::vector<TDeviationPoint>, kDeviationKinds> Curves;
};

TStabilityResult AnalyzeStability(const TStabilityData& data, const TStabilityOptions& options);

// The interval [low, high] for a deviation `value` from `edf` degrees of freedom; NaN for both
// without a finite edf.
void ConfidenceInterval(double value, double edf, double confidence, double& low, double& high);
