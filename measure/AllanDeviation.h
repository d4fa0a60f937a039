// The overlapping Allan deviation of a series of fractional values y_i (i = 1..N), at
// tau = m * tau0 for m = 1, 2, 4, 8, ... while 2m < N:
//
//   sigma^2(m tau0) = sum_{j=1}^{N-2m+1} ( sum_{i=j}^{j+m-1} (y_{i+m} - y_i) )^2 / (2 m^2 (N - 2m + 1))
//
// Each tau costs O(N): the inner sum over a window of m is carried from one j to the next as a
// running sum (adding y_{j+2m-1} - 2 y_{j+m-1} + y_{j-1}), which keeps only numbers of the size
// of the differences themselves, so neither a large offset nor a drift in y costs digits.
// Plain functions of their arguments: any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "measure/SeriesStore.h"

struct TAdevPoint {
  double TauS = 0;         // m * tau0, seconds
  double Adev = 0;         // sigma(tau)
  std::size_t Terms = 0;   // N - 2m + 1, the squared sums averaged
};

// The points for y (fractional values) with the basic interval tau0S; none for N < 3.
std::vector<TAdevPoint> OverlappingAdev(std::span<const double> y, double tau0S);

// The median of the spacings between successive points' times, in seconds: the basic interval
// tau0 of a series whose measurements come at a steady rate but now and then late or lost.  0
// for fewer than two points.
double MedianSpacingS(const TSeriesView& view);
