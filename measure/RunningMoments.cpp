#include "measure/RunningMoments.h"

#include <algorithm>
#include <cmath>

void TRunningMoments::Add(double value) {
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
