// The JSON object that sums up a series: the headless logger's --summary and the offline
// analysis's --json write the same keys, so a script reads either.
//
//   {"count":N,"unit":"Hz","mean":..,"std":..,"min":..,"max":..,"adev":[[tau_s,value],...],
//    "tau0":..,"segment":K,"segments":S,"segment_start":"keys",
//    "left_out":{"held":..,"overflow":..,"error":..},
//    "reading":"frequency","nominal":..,"deviation_segments":S,"missing":N,"drift_per_s":..,
//    "drift_per_day":..,"drift_removed":false,"confidence":0.6827,
//    "deviations":{"oadev":[{"tau_s":..,"m":..,"value":..,"low":..,"high":..,"terms":..,
//                            "edf":..,"noise":"white FM"},...],...}}
//
// count, mean, std, min and max are of the scope's moments (the current segment in the
// summary); "adev" (the overlapping Allan deviation), tau0 (the deviations' basic interval)
// and the keys after left_out are of the analysis, over its deviation_segments segments with
// "missing" points between and inside them; "deviations" has one array per deviation asked
// for.  A figure that cannot be given is null.  Numbers in the shortest form that reads back as
// the same double (measure/NumberText.h).  One line.
#pragma once

#include <cstdint>
#include <string>

#include "measure/Measurement.h"
#include "measure/RunningMoments.h"
#include "measure/SeriesAnalysis.h"

// What the summary's first figures are of.
struct TSummaryScope {
  TRunningMoments Moments;
  TDisplayUnit Unit = duNone;
  std::uint64_t Segment = 0;   // the segment the moments are of; 0 for none
  std::uint64_t Segments = 0;  // segments of the series
  TSegmentCause SegmentStart = scNone;
  TLeftOut LeftOut;
};

std::string AnalysisJson(const TSummaryScope& scope, const TSeriesAnalysis& analysis);

// The shortest number text that reads back; null for none or for what JSON cannot say.
std::string JsonNumber(double value, bool present = true);
