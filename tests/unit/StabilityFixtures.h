// Series the stability tests share: the reference 1000-point set with its published figures,
// and seeded power-law noise.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "measure/Deviations.h"

// n_0 = 1234567890, n_{k+1} = 16807 n_k mod (2^31 - 1), y_k = n_k / (2^31 - 1) for k = 0..999:
// the set whose figures are published (starting at n_0: from n_1 on, ADEV(1) is 2.923406e-01).
inline std::vector<double> ReferenceSet() {
  std::vector<double> y;
  std::uint64_t n = 1234567890;
  for (int k = 0; k < 1000; ++k) {
    y.push_back(static_cast<double>(n) / 2147483647.0);
    n = 16807 * n % 2147483647;
  }
  return y;
}

struct TPublished {
  TDeviationKind Kind;
  std::size_t M;
  const char* Value;  // as printed, %.6e
};
inline constexpr TPublished kPublished[] = {
    {dvAdev, 1, "2.922319e-01"}, {dvOadev, 10, "9.159953e-02"}, {dvMdev, 10, "6.172376e-02"},
    {dvTdev, 10, "3.563623e-01"}, {dvHdev, 10, "1.052754e-01"}, {dvOhdev, 10, "9.581083e-02"},
};

// Fractional frequencies of the power-law noise alpha (2 white PM, 0 white FM, -2 random-walk
// FM), unit intensity, n values.
inline std::vector<double> PowerLawNoise(int alpha, std::size_t n, std::uint32_t seed) {
  std::mt19937_64 random(seed);
  std::normal_distribution<double> white(0, 1);
  std::vector<double> y(n);
  double previous = white(random), sum = 0;
  for (double& v : y) {
    const double w = white(random);
    switch (alpha) {
      case 2: v = w - previous; previous = w; break;  // differences of white phase
      case -2: v = sum += w; break;
      default: v = w;
    }
  }
  return y;
}
