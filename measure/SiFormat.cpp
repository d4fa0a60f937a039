#include "measure/SiFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Translatable.h"

namespace {

// The window shows the prefixes in the reader's symbols (context "Units").
constexpr TSiPrefix kPrefixes[] = {{1e-9, QT_TRANSLATE_NOOP("Units", "n")}, {1e-6, QT_TRANSLATE_NOOP("Units", "\u00B5")},
                                   {1e-3, QT_TRANSLATE_NOOP("Units", "m")}, {1, ""},
                                   {1e3, QT_TRANSLATE_NOOP("Units", "k")},  {1e6, QT_TRANSLATE_NOOP("Units", "M")},
                                   {1e9, QT_TRANSLATE_NOOP("Units", "G")}};

}  // namespace

TSiPrefix SiPrefixFor(double magnitude, const std::string& unit) {
  magnitude = std::fabs(magnitude);
  if (!(magnitude > 0) || !std::isfinite(magnitude)) return {};
  const double highest = unit == "s" ? 1 : 1e9;
  TSiPrefix chosen = kPrefixes[0];
  for (const TSiPrefix& p : kPrefixes) {
    // A hair below a power of a thousand still reads as one of it (999.9999999 kHz is 1 MHz
    // once rounded to the digits shown).
    if (p.Factor <= highest && magnitude >= p.Factor * (1 - 1e-12)) chosen = p;
  }
  return chosen;
}

std::string FixedText(double value, const TSiPrefix& prefix, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals < 0 ? 0 : decimals, value / prefix.Factor);
  // No "-0" for a value that rounds to zero.
  if (text[0] == '-' && std::strtod(text, nullptr) == 0) return text + 1;
  return text;
}

int DecimalsFor(double resolution, const TSiPrefix& prefix) {
  const double scaled = std::fabs(resolution) / prefix.Factor;
  if (!(scaled > 0) || !std::isfinite(scaled)) return 0;
  // The digits a step needs: 0.25 needs two, 0.5 one, 2 none; a little slack for rounding.
  for (int decimals = 0; decimals < 15; ++decimals) {
    const double units = scaled * std::pow(10.0, decimals);
    if (std::fabs(units - std::round(units)) < 1e-6 * units) return decimals;
  }
  return 15;
}

std::string SiText(double value, const std::string& unit, int significant) {
  if (unit.empty()) return ScientificText(value, significant);
  const TSiPrefix prefix = SiPrefixFor(value, unit);
  const double scaled = std::fabs(value) / prefix.Factor;
  const int integerDigits = scaled >= 1 ? static_cast<int>(std::floor(std::log10(scaled))) + 1 : 1;
  return FixedText(value, prefix, significant - integerDigits) + " " + prefix.Symbol + unit;
}

std::string ScientificText(double value, int significant) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", significant > 1 ? significant - 1 : 0, value);
  return text;
}
