// The chi-squared distribution with a real number of degrees of freedom: its distribution
// function and its quantiles, for the confidence intervals of the stability deviations
// (measure/StabilityAnalysis.h).  Written here rather than taken from a library: the program
// needs nothing else of one.
//
// The distribution function is the regularized lower incomplete gamma function P(k/2, x/2),
// by its power series below a + 1 and by Lentz's continued fraction above; the quantile is
// found from the Wilson-Hilferty approximation by safeguarded Newton steps.  Relative accuracy
// about 1e-12 for 0.01 <= dof <= 1e7.  Plain functions: any thread (no global state; the
// C library's lgamma writes signgam, so the logarithm of the gamma function is our own).
#pragma once

// ln Gamma(x) for x > 0.
double LogGamma(double x);
// P(a, x) = gamma(a, x) / Gamma(a), a > 0, x >= 0.
double RegularizedGammaP(double a, double x);
// Pr(X <= x) for X ~ chi-squared(dof).
double ChiSquaredCdf(double x, double dof);
// The x with ChiSquaredCdf(x, dof) = p, 0 < p < 1, dof > 0.
double ChiSquaredQuantile(double p, double dof);
