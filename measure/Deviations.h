// The frequency-stability deviations of a series (measure/StabilityData.h) at tau = m tau0,
// each in O(N) for one m, on phase differences (never on accumulated phase):
//
//   OADEV^2 = sum_{i} (x_{i+2m} - 2x_{i+m} + x_i)^2 / (2 tau^2 n), i = 0 .. N-2m-1
//   ADEV^2  the same over every m-th i (non-overlapping)
//   MDEV^2  = sum_{j} [sum_{i=j}^{j+m-1} (x_{i+2m} - 2x_{i+m} + x_i)]^2 / (2 m^2 tau^2 n),
//             j = 0 .. N-3m
//   TDEV    = tau MDEV / sqrt(3)
//   OHDEV^2 = sum_{i} (x_{i+3m} - 3x_{i+2m} + 3x_{i+m} - x_i)^2 / (6 tau^2 n), i = 0 .. N-3m-1
//   HDEV^2  the same over every m-th i
//
// with N phase points and n the number of terms that exist: a term that needs a missing point
// is left out, so no sum ever bridges a gap.  The second difference is the difference of two
// window differences x_{i+m} - x_i, the third of three; MDEV's inner sum is a running window
// over second differences (measure/StabilityData.h).  Plain functions and a calculator that
// keeps its buffers between taus: any thread, one calculator per thread.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/StabilityData.h"

enum TDeviationKind : unsigned char { dvAdev, dvOadev, dvMdev, dvTdev, dvHdev, dvOhdev };
inline constexpr std::size_t kDeviationKinds = 6;
using TDeviationSet = unsigned;  // bit (1 << kind) for each kind
inline constexpr TDeviationSet DeviationBit(TDeviationKind kind) { return 1u << kind; }
inline constexpr TDeviationSet kAllDeviations = (1u << kDeviationKinds) - 1;

// "adev", "oadev", "mdev", "tdev", "hdev", "ohdev": the names in files and on the command line.
const char* DeviationName(TDeviationKind kind);
std::optional<TDeviationKind> DeviationFromName(std::string_view name);
// "adev,mdev" -> the set; nullopt for an unknown name or an empty list.
std::optional<TDeviationSet> ParseDeviationList(std::string_view list);
// Hadamard deviations (HDEV, OHDEV) difference three times, the others twice.
inline bool IsHadamard(TDeviationKind kind) { return kind == dvHdev || kind == dvOhdev; }

struct TDeviationEstimate {
  double Value = 0;        // NaN when no term exists
  std::size_t Terms = 0;
};

// Which averaging factors m a tau set takes: 1, 2, 4, ... (octave); 1, 2, 5, 10, 20, 50, ...
// (decade); every m (all).  Up to the largest m that leaves OADEV two terms.
enum TTauSet : unsigned char { tsOctave, tsDecade, tsAll };
std::optional<TTauSet> TauSetFromName(std::string_view name);
std::vector<std::size_t> AveragingFactors(TTauSet set, std::size_t phasePoints);

class TDeviationCalculator {
 public:
  explicit TDeviationCalculator(const TStabilityData& data) : FData(data) {}
  // The deviations of `kinds` at m; the others are left at NaN with no terms.
  std::array<TDeviationEstimate, kDeviationKinds> At(std::size_t m, TDeviationSet kinds);

 private:
  const TStabilityData& FData;
  std::vector<double> FWindow;  // x_{i+m} - x_i
  std::vector<double> FSecond;  // second differences
  std::vector<double> FInner;   // MDEV's inner sums
};
