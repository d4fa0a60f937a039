// The JSON object that sums up a series: the headless logger's --summary and the offline
// analysis's --json write the same keys, so a script reads either.
//
//   {"count":N,"unit":"Hz","mean":..,"std":..,"min":..,"max":..,"adev":[[tau_s,value],...],
//    "tau0_s":..,"reading":"frequency","nominal":..,"missing":N,"drift_per_s":..,
//    "drift_per_day":..,"drift_removed":false,"confidence":0.6827,
//    "deviations":{"oadev":[{"tau_s":..,"m":..,"value":..,"low":..,"high":..,"terms":..,
//                            "edf":..,"noise":"white FM"},...],...}}
//
// "adev" is the overlapping Allan deviation (kept as it always was); "deviations" has one
// array per deviation asked for.  A figure the series cannot give is null.  Numbers in the
// shortest form that reads back as the same double (measure/NumberText.h).  One line.
#pragma once

#include <string>

#include "measure/Measurement.h"
#include "measure/RunningMoments.h"
#include "measure/SeriesAnalysis.h"

std::string AnalysisJson(const TRunningMoments& moments, TDisplayUnit unit, const TSeriesAnalysis& analysis);

// The shortest number text that reads back; null for none or for what JSON cannot say.
std::string JsonNumber(double value, bool present = true);
