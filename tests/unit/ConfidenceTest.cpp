// The confidence intervals as a statistician would test them: chi-squared quantiles against
// known values, the degrees of freedom against the published simple approximations, the noise
// type identified for the three common noises, and over many seeded series the 68 % interval
// holding the true deviation in about 68 % of them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <algorithm>

#include "measure/ChiSquared.h"
#include "measure/EquivalentDof.h"
#include "measure/NoiseIdentification.h"
#include "measure/StabilityAnalysis.h"
#include "unit/StabilityFixtures.h"

namespace {

TEST(ConfidenceTest, ChiSquaredQuantilesAndTheirDistribution) {
  struct Case {
    double P, Dof, X;
  };
  const Case cases[] = {
      {0.975, 1, 5.023886187314888}, {0.025, 10, 3.246972780236841}, {0.5, 2, 1.3862943611198906},
      {0.95, 30, 43.77297182574219}, {kConfidence68, 1, 1.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ChiSquaredQuantile(c.P, c.Dof), c.X, c.X * 1e-9) << c.P << " " << c.Dof;
    EXPECT_NEAR(ChiSquaredCdf(c.X, c.Dof), c.P, 1e-11) << c.P << " " << c.Dof;
  }
  for (const double dof : {0.3, 2.5, 37.7, 1e5})
    for (const double p : {1e-6, 0.158655, 0.5, 0.841345, 0.999999})
      EXPECT_NEAR(ChiSquaredCdf(ChiSquaredQuantile(p, dof), dof), p, 1e-10 * std::max(1.0, p * 10)) << dof << " " << p;
}

TEST(ConfidenceTest, DegreesOfFreedomAgreeWithTheSimpleApproximations) {
  // Overlapping Allan variance, N phase points: white PM (N+1)(N-2m)/(2(N-m)); white FM
  // (3(N-1)/(2m) - 2(N-2)/N) 4m^2/(4m^2+5); random-walk FM (N-2)/m ((N-1)^2 - 3m(N-1) + 4m^2)
  // / (N-3)^2 (for a random walk of the readings themselves; the continuous noise has terms
  // correlated by 1/4 at m = 1, so fewer degrees there).  Non-overlapping white FM: neighbouring
  // terms share a reading (correlation -1/2), so 2/3 of the terms.
  const auto simple = [](int alpha, double m, double n) {
    if (alpha == 2) return (n + 1) * (n - 2 * m) / (2 * (n - m));
    if (alpha == 0) return (3 * (n - 1) / (2 * m) - 2 * (n - 2) / n) * 4 * m * m / (4 * m * m + 5);
    return (n - 2) / m * ((n - 1) * (n - 1) - 3 * m * (n - 1) + 4 * m * m) / ((n - 3) * (n - 3));
  };
  for (const int alpha : {2, 0, -2})
    for (const std::size_t m : {1u, 4u, 32u, 256u}) {
      if (alpha == -2 && m == 1) continue;
      const double expected = simple(alpha, static_cast<double>(m), 1025);
      EXPECT_NEAR(EquivalentDof(dvOadev, alpha, m, 1025), expected, expected * 0.15) << alpha << " m " << m;
    }
  EXPECT_NEAR(EquivalentDof(dvAdev, 0, 8, 1025), 127.0 / 1.5, 2);
  // Fewer terms, fewer degrees; the modified and Hadamard estimates have theirs too.
  EXPECT_GT(EquivalentDof(dvMdev, 0, 4, 1025), EquivalentDof(dvMdev, 0, 64, 1025));
  EXPECT_GT(EquivalentDof(dvOhdev, -2, 16, 1025), 1);
  EXPECT_TRUE(std::isnan(EquivalentDof(dvHdev, 0, 400, 1025))) << "no term";
}

TEST(ConfidenceTest, TheCommonNoiseTypesAreIdentified) {
  for (const int alpha : {2, 0, -2})
    for (const std::uint32_t seed : {1u, 2u, 3u})
      for (const std::size_t m : {1u, 8u, 64u}) {
        const TStabilityData data{dkFrequency, 1.0, PowerLawNoise(alpha, 8192, seed), {}};
        const auto estimate = Lag1NoiseAlpha(data, m, 2);
        ASSERT_TRUE(estimate.has_value());
        EXPECT_EQ(NearestNoiseType(*estimate, 2), alpha) << "seed " << seed << " m " << m << ": " << *estimate;
      }
  const TStabilityData few{dkFrequency, 1.0, PowerLawNoise(0, 100, 1), {}};
  EXPECT_FALSE(Lag1NoiseAlpha(few, 4, 2).has_value()) << "25 averaged points tell nothing";
}

// The true deviation of unit-intensity noise, from the weights a term gives the fractional
// frequencies: white FM sums their squares, random-walk FM the squares of their tail sums.
double TrueDeviation(TDeviationKind kind, std::size_t m, int alpha) {
  const bool hadamard = IsHadamard(kind), modified = kind == dvMdev;
  std::vector<double> w((hadamard ? 3 : 2) * m + (modified ? m - 1 : 0), 0.0);
  for (std::size_t j = 0; j < (modified ? m : 1); ++j)
    for (std::size_t k = 0; k < m; ++k) {
      w[j + k] -= hadamard ? -1 : 1;
      w[j + m + k] += hadamard ? -2 : 1;
      if (hadamard) w[j + 2 * m + k] += 1;
    }
  double squares = 0, tail = 0;
  for (std::size_t k = w.size(); k-- > 0;) {
    tail += w[k];
    squares += alpha == -2 ? tail * tail : w[k] * w[k];
  }
  const double md = static_cast<double>(modified ? m * m : 1) * static_cast<double>(m * m);
  return std::sqrt(squares / ((hadamard ? 6 : 2) * md));
}

TEST(ConfidenceTest, TheOneSigmaIntervalHoldsTheTrueValueAboutTwoTimesInThree) {
  // 400 series of 1024 readings for each noise; each estimate's interval either holds the
  // true value or not.  Pooled over taus and estimators, 68.3 % +- about 1.5 % (the taus of a
  // series are correlated); a wrong number of degrees (half or twice) moves it by 15 % or more.
  constexpr int kSeries = 400;
  const std::size_t taus[] = {1, 4, 16, 64};
  const TDeviationKind kinds[] = {dvOadev, dvMdev, dvOhdev};
  for (const int alpha : {0, -2}) {
    int held = 0, total = 0;
    for (int s = 0; s < kSeries; ++s) {
      const TStabilityData data{dkFrequency, 1.0, PowerLawNoise(alpha, 1024, 1000 + s), {}};
      TStabilityOptions options;
      options.Deviations = DeviationBit(dvOadev) | DeviationBit(dvMdev) | DeviationBit(dvOhdev);
      const TStabilityResult r = AnalyzeStability(data, options);
      for (const TDeviationKind kind : kinds)
        for (const TDeviationPoint& p : r.Curves[kind]) {
          if (std::find(std::begin(taus), std::end(taus), p.M) == std::end(taus)) continue;
          const double truth = TrueDeviation(kind, p.M, alpha);
          held += p.Low <= truth && truth <= p.High;
          ++total;
        }
    }
    ASSERT_EQ(total, kSeries * 12);
    EXPECT_NEAR(static_cast<double>(held) / total, kConfidence68, 0.04) << "alpha " << alpha << ": " << held << " of " << total;
  }
}

}  // namespace
