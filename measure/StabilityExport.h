// A prepared series as the plain files stability-analysis programs read: one number per line,
// fractional frequency or phase in seconds, the shortest text that reads back.  A missing
// point is a line "nan" (read as missing by most such programs), so no gap closes up
// unnoticed.  Plain functions: any thread.
#pragma once

#include <string>

#include "measure/StabilityData.h"

// Fractional frequencies y_k: frequency data as they are, phase data as (x_{k+1} - x_k) / tau0.
std::string FrequencyLines(const TStabilityData& data);
// Phases x_k in seconds: phase data as they are, frequency data summed (FrequencyToPhase).
std::string PhaseLines(const TStabilityData& data);
