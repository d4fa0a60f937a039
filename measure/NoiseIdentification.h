// Which power-law noise dominates a series at an averaging factor m: the exponent alpha of
// S_y(f) ~ f^alpha (2 white PM, 1 flicker PM, 0 white FM, -1 flicker FM, -2 random-walk FM,
// -3 flicker walk FM, -4 random run FM), by the lag-1 autocorrelation of the data averaged to
// m tau0 (Riley and Greenhall, 2004; docs/stability.md).
//
// The phase is taken every m-th point (from frequency data: the sums of non-overlapping groups
// of m, accumulated) and freed of a quadratic trend (frequency offset and drift); it is
// differenced until its lag-1 autocorrelation r1 gives delta = r1 / (1 + r1) < 0.25 (at most
// dmax times), and then alpha = -2 (delta + d) + 2.  Working on phase tells the phase noises
// apart as well as the frequency noises (white PM is white phase, r1 = 0 at once), where
// averaged frequency would need its first differences to be told.  Missing points leave out
// the groups and the pairs that need them.  Plain functions: any thread.
#pragma once

#include <cstddef>
#include <optional>

#include "measure/StabilityData.h"

// Fewer averaged points than this identify nothing reliably.
inline constexpr std::size_t kNoiseIdMinPoints = 30;

// The estimated alpha (not rounded); none when too few averaged points exist.  dmax: 2 for the
// Allan deviations, 3 for the Hadamard ones (which stay finite for alpha down to -4).
std::optional<double> Lag1NoiseAlpha(const TStabilityData& data, std::size_t m, int dmax);

// The nearest noise type to an estimate, within what the deviations can tell: -2..2 for the
// Allan family, -4..2 for the Hadamard one.
int NearestNoiseType(double alpha, int dmax);

// "white PM", "flicker PM", "white FM", "flicker FM", "random-walk FM", "flicker walk FM",
// "random run FM".
const char* NoiseTypeName(int alpha);
// The abbreviations of the field, for narrow tables: "WPM", "FPM", "WFM", "FFM", "RWFM",
// "FWFM", "RRFM".
const char* NoiseTypeAbbreviation(int alpha);
