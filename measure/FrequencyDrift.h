// A linear frequency drift: its least-squares rate, and its removal before the deviations.
//
// Every segment keeps its own offset (its own nominal, its own phase), so the rate is the one
// slope that fits all segments at once (the pooled within-segment fit): frequency data are
// fitted with y = a_s + D t, phase data with x = a_s + b_s t + D t^2 / 2.  Times are centred
// in each segment before they are squared, which keeps the sums of a million points exact
// enough.  Plain functions: any thread.
#pragma once

#include <cstddef>
#include <vector>

#include "measure/StabilityData.h"

// D in fractional frequency per second; NaN when the points cannot tell (fewer than two, or
// three for phase, in every segment).  The segments are the data's (SegmentStarts).
double FitFrequencyDrift(const TStabilityData& data);
// Takes D t (frequency) or D t^2 / 2 (phase), t from each segment's centre, off the values.
void RemoveFrequencyDrift(TStabilityData& data, double perSecond);
