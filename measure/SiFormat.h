// Figures with SI prefixes, as the Measurements window's tables and axes show them ("100 ns",
// "10.000000 MHz", "4.46 Hz").  Qt-free, so the window, its exports and the tests share them.
// Plain functions: any thread.
#pragma once

#include <string>

struct TSiPrefix {
  double Factor = 1;        // 1e-9 .. 1e9
  const char* Symbol = "";  // "n", "µ" (UTF-8), "m", "", "k", "M", "G"
};

// The prefix in which `magnitude` reads 1 to 999...: the largest factor not above it, from n
// to G; seconds ("s") go no higher than the unit itself (a tau of 2000 s stays in seconds).
// 1 for 0 or what is not finite.
TSiPrefix SiPrefixFor(double magnitude, const std::string& unit);

// The value in the prefix of its own magnitude with `significant` digits, and the unit:
// "4.46 Hz", "100 ns", "-1.25 µs".  A value without a unit gets no prefix ("3.920e-07" style
// is ScientificText's).
std::string SiText(double value, const std::string& unit, int significant);
// The value in `prefix` with `decimals` digits after the point, without the unit.
std::string FixedText(double value, const TSiPrefix& prefix, int decimals);
// The decimals that show a step of `resolution` in `prefix` (0 for a whole step).
int DecimalsFor(double resolution, const TSiPrefix& prefix);
// A dimensionless figure with `significant` digits, always in the same form: "3.920e-07".
std::string ScientificText(double value, int significant);
