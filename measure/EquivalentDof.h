// The equivalent degrees of freedom of a stability variance estimate, for its chi-squared
// confidence interval: Greenhall and Riley's algorithm ("Uncertainty of stability variances
// based on finite differences", 2003), which covers overlapping and non-overlapping, plain and
// modified Allan and Hadamard variances for every power-law noise type (docs/stability.md).
//
// The plain (unmodified) variances of frequency noises take the phase samples without a
// filter, as a counter's readings give them, so white FM at m = 1 has the -1/2 correlation of
// neighbouring terms exactly (edf 2/3 of the terms, as the simple approximations say).
// Where the algorithm's sum has more than 100 terms it is taken at a coarser stride that keeps
// the ratio r = M / S of terms to stride, as the algorithm itself does for r <= d + 1; its
// tabulated constants for r > d + 1 are the limit of that same sum.  Plain functions: any
// thread.
#pragma once

#include <cstddef>

#include "measure/Deviations.h"

// alpha: the noise type (-4..2); m: the averaging factor; phasePoints: N.  NaN when the
// estimate has no term.
double EquivalentDof(TDeviationKind kind, int alpha, std::size_t m, std::size_t phasePoints);
