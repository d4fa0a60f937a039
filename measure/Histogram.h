// The histogram of a series: equal bins from just below its minimum to its maximum.
//
// About 2 * N^(1/3) bins (the Rice rule), at most maxBins.  Readings of a counter are
// multiples of the display's resolution: given that step (quantum > 0), a bin holds a whole
// number of steps and its edges lie half a step off them, so no bin stays empty only because
// no reading can fall into it.  Plain functions: any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "measure/SeriesStore.h"

struct THistogram {
  double First = 0;  // lower edge of the first bin
  double Width = 0;  // of every bin; 0 while empty
  std::vector<std::int64_t> Counts;
};

// Of points [0, view.Size()), whose smallest and largest value are min and max.
THistogram MakeHistogram(const TSeriesView& view, double min, double max, double quantum, int maxBins);
