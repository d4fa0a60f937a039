#include "measure/StabilityInput.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "measure/FrequencyDrift.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The value as the deviations take it, against the segment's nominal.
double Converted(double v, TReadingMeaning meaning, double nominal, bool fractional) {
  if (fractional) return v;
  switch (meaning) {
    case rmFrequency: return (v - nominal) / nominal;  // v / nominal - 1, rounded once
    case rmPeriod: return (nominal - v) / nominal;
    case rmPhase: return v - nominal;
  }
  return v;
}

// Of the readings not left out; NaN when there are none.
double Mean(const TReadingSegment& s) {
  // About the first value, so a 10 MHz reading keeps its millihertz.
  double first = std::numeric_limits<double>::quiet_NaN(), sum = 0;
  std::size_t n = 0;
  for (const TReadingPoint& p : s) {
    if (std::isnan(p.Value)) continue;
    if (n++ == 0) first = p.Value;
    sum += p.Value - first;
  }
  return first + sum / static_cast<double>(n);
}

}  // namespace

TReadingMeaning ReadingMeaning(TMeasureMode mode) {
  switch (mode) {
    case mmPeriod: return rmPeriod;
    case mmInterval: return rmPhase;
    default: return rmFrequency;
  }
}

const char* ReadingMeaningName(TReadingMeaning meaning) {
  switch (meaning) {
    case rmPeriod: return "period";
    case rmPhase: return "phase";
    default: return "frequency";
  }
}

double MeanSpacing(std::span<const TReadingSegment> segments) {
  double span = 0;
  std::size_t steps = 0;
  for (const TReadingSegment& s : segments) {
    if (s.size() < 2) continue;
    span += s.back().Seconds - s.front().Seconds;
    steps += s.size() - 1;
  }
  return steps > 0 ? span / static_cast<double>(steps) : 0;
}

double MedianSpacing(std::span<const TReadingSegment> segments) {
  std::vector<double> spacing;
  for (const TReadingSegment& s : segments)
    for (std::size_t i = 1; i < s.size(); ++i) spacing.push_back(s[i].Seconds - s[i - 1].Seconds);
  if (spacing.empty()) return 0;
  const std::size_t half = spacing.size() / 2;
  std::nth_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(half), spacing.end());
  double median = spacing[half];
  if (spacing.size() % 2 == 0)
    median = (median + *std::max_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(half))) / 2;
  return median;
}

TStabilityInput PrepareStabilityInput(std::span<const TReadingSegment> segments, TReadingMeaning meaning,
                                      const TInputOptions& options) {
  TStabilityInput in;
  TInputFacts& facts = in.Facts;
  facts.Meaning = meaning;
  in.Data.Kind = meaning == rmPhase ? dkPhase : dkFrequency;
  facts.DriftPerS = kNaN;
  std::size_t readings = 0, used = 0;
  for (const TReadingSegment& s : segments)
    for (const TReadingPoint& p : s) readings += !std::isnan(p.Value);
  facts.Readings = readings;
  const double tau0 = options.Tau0S.value_or(options.Consecutive ? MeanSpacing(segments) : MedianSpacing(segments));
  if (!(tau0 > 0) || !std::isfinite(tau0)) return in;
  if (meaning != rmPhase && !options.Fractional && options.Nominal && !(*options.Nominal != 0 && std::isfinite(*options.Nominal)))
    return in;
  // Gaps are kept as long as they were, within a budget of twice the readings, so a recording
  // with a day-long hole does not take a day of points; past it a gap is one point.
  std::size_t gapBudget = 2 * readings;
  std::vector<double>& v = in.Data.Values;
  facts.Nominal = options.Nominal.value_or(kNaN);
  for (const TReadingSegment& s : segments) {
    if (s.empty() || std::isnan(Mean(s))) continue;
    const double nominal = options.Nominal && meaning != rmPhase ? *options.Nominal : Mean(s);
    // A frequency of mean 0 has no fractional value.
    if (meaning != rmPhase && !options.Fractional && !(nominal != 0 && std::isfinite(nominal))) {
      in.Data.Values.clear();
      in.Data.SegmentStarts.clear();
      return in;
    }
    if (used == 0 && !options.Nominal) facts.Nominal = nominal;
    else if (!options.Nominal) facts.Nominal = kNaN;
    if (!v.empty()) v.push_back(kNaN);  // the break between segments
    in.Data.SegmentStarts.push_back(v.size());
    std::size_t gapBefore = 0;  // missing points put right before the last reading
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (i > 0 && !options.Consecutive) {
        const double steps = std::round((s[i].Seconds - s[i - 1].Seconds) / tau0);
        if (steps < 1 && gapBefore > 0) {
          // A spacing of less than half a step after a long one: the reading before came late,
          // not after a lost one, so one point of its gap was none.
          v.erase(v.end() - 2);
          ++gapBudget;
          gapBefore = 0;
        } else {
          std::size_t missing = steps > 1 ? static_cast<std::size_t>(std::min(steps - 1, 1e12)) : 0;
          missing = std::min(missing, std::max<std::size_t>(gapBudget, 1));
          gapBudget -= std::min(gapBudget, missing);
          v.insert(v.end(), missing, kNaN);
          gapBefore = missing;
        }
      }
      v.push_back(Converted(s[i].Value, meaning, nominal, options.Fractional));
    }
    ++used;
  }
  in.Data.Tau0S = tau0;
  facts.Tau0S = tau0;
  facts.Segments = used;
  facts.Missing = v.size() - readings;
  if (used == 0) v.clear();
  if (meaning == rmPhase) facts.Nominal = kNaN;  // phase has none
  facts.DriftPerS = FitFrequencyDrift(in.Data);
  if (options.RemoveDrift && std::isfinite(facts.DriftPerS)) {
    RemoveFrequencyDrift(in.Data, facts.DriftPerS);
    facts.DriftRemoved = true;
  }
  return in;
}
