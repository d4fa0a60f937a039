// What the stability deviations work on: a series of fractional frequencies y_k (each the mean
// over one tau0) or of phases x_k (seconds), taken every tau0, with NaN where a point is
// missing (a lost gate, a reading left out, the gap between two segments).
//
// Both kinds are kept as they come rather than turned into one: the sums of the deviations
// need phase differences x_{i+m} - x_i, which frequency data give as sums of m values (small
// numbers) and phase data as one difference, while phase built from frequency by summation
// grows with the series and would cost digits in every difference.  A missing frequency value
// leaves every phase after it unknown by a constant, a missing phase point only itself: the
// window differences below know which terms exist either way.  Plain data: any thread.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

enum TDataKind : unsigned char { dkFrequency, dkPhase };

struct TStabilityData {
  TDataKind Kind = dkFrequency;
  double Tau0S = 0;
  std::vector<double> Values;  // y (dimensionless) or x (seconds); NaN: missing
  // Where each segment begins (ascending, the first 0; empty: one segment).  Phase restarts
  // with its own offset in each segment, so no phase difference spans the start of one; a
  // frequency series has a missing value before each start, which does the same.
  std::vector<std::size_t> SegmentStarts;
  // The phase points the values stand for: one more than frequency values.
  std::size_t PhasePoints() const { return Values.empty() ? 0 : Kind == dkFrequency ? Values.size() + 1 : Values.size(); }
};

// x_{i+m} - x_i for i = 0 .. PhasePoints() - m - 1, NaN where a point it needs is missing or
// a segment starts after x_i and at or before x_{i+m}.  Frequency data: tau0 times the sum of
// y_i .. y_{i+m-1}.  O(N) whatever m.
void WindowDifferences(const TStabilityData& data, std::size_t m, std::vector<double>& out);

// scale * (v_i + ... + v_{i+m-1}) for every i with all m values present, NaN otherwise; out has
// v.size() - m + 1 entries.  A running sum, made afresh every max(m, 1024) steps so that its
// rounding cannot pile up over a long series.  O(N) whatever m.
void WindowSums(std::span<const double> v, std::size_t m, double scale, std::vector<double>& out);

// Phase from frequency, for files that other programs read: x_0 = 0, x_{k+1} = x_k + y_k tau0
// (N + 1 points).  Across a missing y_k the phase goes on as if the frequency had been nominal
// (y = 0) and x_{k+1} is NaN, so a reader sees where the gap was; the phases after it are off
// by the unknown phase the gap took.
std::vector<double> FrequencyToPhase(std::span<const double> y, double tau0S);
