// Where a chart's axis puts its ticks and what their labels say: a round step (1, 2 or 5
// times a power of ten, in the axis's SI prefix), labels with just the decimals that step
// needs, so no two labels read the same ("10.00000001 MHz" beside "10.00000002 MHz", never
// "10000000.01" twice), and for a histogram's counts whole round steps (0, 50, 100, 150,
// never 43, 86, 129).  Plain functions: any thread.
#pragma once

#include <string>

#include "measure/SiFormat.h"

struct TAxisTicks {
  double Min = 0, Max = 1;  // the range, in the unit (not the prefix)
  double First = 0;         // the first tick at or above Min
  double Step = 1;          // between ticks, in the unit
  int Decimals = 0;         // in the prefix
  TSiPrefix Prefix;
};

// About `count` ticks over [min, max]; the prefix from the larger end's magnitude (none when
// not `prefixed`).  A range of no width is widened around its value.
TAxisTicks LinearTicks(double min, double max, int count, const std::string& unit, bool prefixed = true);
// The count axis of a histogram whose highest bar is `most`: from 0 to a whole number of round
// whole steps at or above it, about `count` ticks.
TAxisTicks CountTicks(double most, int count);
// The label of a tick (in the prefix, without the unit).
std::string TickLabel(const TAxisTicks& ticks, double value);
// printf's format for the labels, for an axis that formats its own: "%.3f".
std::string TickFormat(const TAxisTicks& ticks);
