// frontpanel --analyze: a recording read back (measure/MeasurementFile.h), analysed as the
// window analyses a series (measure/SeriesAnalysis.h), and printed as a summary and a table of
// tau, each deviation with its interval, terms and noise type, or as the JSON object of
// --summary (measure/AnalysisJson.h); on request the series as plain files of frequency or
// phase.  Runs on the calling thread, no window system.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/AnalyzeCommand.h"

// 0 when done, 1 when the file cannot be read or written (said on `err`).
int RunAnalysis(const TAnalyzeOptions& options, std::FILE* out, std::FILE* err);
// The program's arguments (--analyze among them): a wrong command line is said with the usage
// (2), --help gives the usage (0), else RunAnalysis.
int RunAnalysisCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);
