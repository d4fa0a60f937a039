#include "measure/AxisTicks.h"

#include <algorithm>
#include <cmath>

namespace {

// 1, 2 or 5 times a power of ten, the first at or above `raw`.
double RoundStep(double raw) {
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  const double mantissa = raw / decade;
  return (mantissa <= 1 ? 1 : mantissa <= 2 ? 2 : mantissa <= 5 ? 5 : 10) * decade;
}

}  // namespace

TAxisTicks LinearTicks(double min, double max, int count, const std::string& unit, bool prefixed) {
  TAxisTicks t;
  if (!std::isfinite(min) || !std::isfinite(max)) return t;
  if (max < min) std::swap(min, max);
  if (!(max > min)) {
    const double pad = std::max(std::fabs(min) * 1e-9, 1e-12);
    min -= pad;
    max += pad;
  }
  t.Min = min;
  t.Max = max;
  if (prefixed) t.Prefix = SiPrefixFor(std::max(std::fabs(min), std::fabs(max)), unit);
  // The step in the prefix, so its decimals are counted there.
  const double step = RoundStep((max - min) / t.Prefix.Factor / std::max(count, 1));
  t.Step = step * t.Prefix.Factor;
  t.First = std::ceil(min / t.Prefix.Factor / step - 1e-9) * step * t.Prefix.Factor;
  t.Decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  return t;
}

TAxisTicks CountTicks(double most, int count) {
  TAxisTicks t;
  const double step = std::max(1.0, RoundStep(std::max(most, 1.0) / std::max(count, 1)));
  t.Step = step;
  t.Max = std::ceil(std::max(most, 1.0) / step) * step;
  return t;
}

std::string TickLabel(const TAxisTicks& ticks, double value) { return FixedText(value, ticks.Prefix, ticks.Decimals); }

std::string TickFormat(const TAxisTicks& ticks) { return "%." + std::to_string(ticks.Decimals) + "f"; }
