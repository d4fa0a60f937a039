// Count, mean, standard deviation, minimum and maximum of a series, updated in O(1) per value
// with Welford's update, which keeps the digits a naive sum of squares loses (values like
// 1e7 with a spread of 1e-3).  The mean is the first value plus the compensated sum of the
// differences from it over the count: Welford's running mean rounds at every step and ends
// beside the true one (9999998.689000005 for readings of 9999998.689 and thereabouts).
#pragma once

#include <cstdint>
#include <limits>

class TRunningMoments {
 public:
  void Add(double value);
  void Clear() { *this = TRunningMoments(); }

  std::int64_t Count() const { return FCount; }
  double Mean() const;                          // 0 while empty
  double Min() const { return FMin; }           // +inf while empty
  double Max() const { return FMax; }           // -inf while empty
  double Last() const { return FLast; }         // the value added last; 0 while empty
  double PeakToPeak() const { return FCount > 0 ? FMax - FMin : 0.0; }
  // Sample standard deviation (n - 1); 0 for fewer than two values.
  double StdDev() const;

 private:
  std::int64_t FCount = 0;
  double FMean = 0;   // Welford's, for FM2
  double FFirst = 0;
  double FSum = 0, FCompensation = 0;  // of value - FFirst (Neumaier)
  double FM2 = 0;  // sum of squared differences from the mean
  double FMin = std::numeric_limits<double>::infinity();
  double FMax = -std::numeric_limits<double>::infinity();
  double FLast = 0;
};
