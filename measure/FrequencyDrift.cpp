#include "measure/FrequencyDrift.h"

#include <cmath>
#include <limits>

namespace {

struct TSegmentFit {
  double Centre = 0;  // mean time of the present points, s
  double Slope = 0;   // of phase against time (phase data), to be taken off before squaring
  double QuadMean = 0, QuadSlope = 0;
  double Num = 0, Den = 0;
};

// Visits the present points of [begin, end) with their time from the segment's first point.
template <typename F>
void ForPresent(const TStabilityData& data, std::size_t begin, std::size_t end, F f) {
  for (std::size_t i = begin; i < end; ++i)
    if (!std::isnan(data.Values[i])) f(static_cast<double>(i - begin) * data.Tau0S, data.Values[i]);
}

TSegmentFit FitSegment(const TStabilityData& data, std::size_t begin, std::size_t end) {
  TSegmentFit fit;
  double n = 0, sumT = 0;
  ForPresent(data, begin, end, [&](double t, double) {
    n += 1;
    sumT += t;
  });
  if (n < (data.Kind == dkPhase ? 3 : 2)) return fit;
  fit.Centre = sumT / n;
  double suu = 0, sv = 0, svu = 0, squ = 0;
  ForPresent(data, begin, end, [&](double t, double v) {
    const double u = t - fit.Centre;
    suu += u * u;
    sv += v;
    svu += v * u;
    squ += u * u * u;
  });
  if (!(suu > 0)) return fit;
  const double mean = sv / n;
  if (data.Kind == dkFrequency) {
    fit.Num = svu;
    fit.Den = suu;
    return fit;
  }
  // Phase: u^2 and x, each freed of its own fit on (1, u), then regressed on each other.
  const double xSlope = svu / suu;
  fit.QuadMean = suu / n;
  fit.QuadSlope = squ / suu;
  ForPresent(data, begin, end, [&](double t, double v) {
    const double u = t - fit.Centre;
    const double rq = u * u - fit.QuadMean - fit.QuadSlope * u;
    const double rx = v - mean - xSlope * u;
    fit.Num += rq * rx;
    fit.Den += rq * rq;
  });
  return fit;
}

template <typename F>
void ForSegments(const TStabilityData& data, F f) {
  const std::vector<std::size_t>& starts = data.SegmentStarts;
  if (starts.empty()) f(0, data.Values.size());
  for (std::size_t s = 0; s < starts.size(); ++s) f(starts[s], s + 1 < starts.size() ? starts[s + 1] : data.Values.size());
}

}  // namespace

double FitFrequencyDrift(const TStabilityData& data) {
  double num = 0, den = 0;
  ForSegments(data, [&](std::size_t begin, std::size_t end) {
    const TSegmentFit fit = FitSegment(data, begin, end);
    num += fit.Num;
    den += fit.Den;
  });
  if (!(den > 0)) return std::numeric_limits<double>::quiet_NaN();
  // Phase: the fitted coefficient is D / 2.
  return data.Kind == dkPhase ? 2 * num / den : num / den;
}

void RemoveFrequencyDrift(TStabilityData& data, double perSecond) {
  if (!std::isfinite(perSecond)) return;
  ForSegments(data, [&](std::size_t begin, std::size_t end) {
    const TSegmentFit fit = FitSegment(data, begin, end);
    for (std::size_t i = begin; i < end; ++i) {
      const double u = static_cast<double>(i - begin) * data.Tau0S - fit.Centre;
      data.Values[i] -= data.Kind == dkPhase ? perSecond * u * u / 2 : perSecond * u;
    }
  });
}
