#include "measure/RunningMoments.h"

#include <algorithm>
#include <cmath>

void TRunningMoments::Add(double value) {
  if (FCount == 0) FFirst = value;
  const double d = value - FFirst;
  const double t = FSum + d;
  FCompensation += std::fabs(FSum) >= std::fabs(d) ? (FSum - t) + d : (d - t) + FSum;
  FSum = t;
  ++FCount;
  const double delta = value - FMean;
  FMean += delta / static_cast<double>(FCount);
  FM2 += delta * (value - FMean);
  FMin = std::min(FMin, value);
  FMax = std::max(FMax, value);
  FLast = value;
}

double TRunningMoments::StdDev() const {
  return FCount < 2 ? 0.0 : std::sqrt(FM2 / static_cast<double>(FCount - 1));
}

double TRunningMoments::Mean() const {
  return FCount == 0 ? 0.0 : FFirst + (FSum + FCompensation) / static_cast<double>(FCount);
}
