// The offline analysis's command line, apart from the window's and the logger's
// (app/CommandLine.h), since it shares none of their options:
//
//   frontpanel --analyze FILE [--tau0 S] [--nominal X] [--drift] [--dev adev,oadev,...]
//              [--taus octave|decade|all] [--confidence 68|95] [--json]
//              [--export-frequency FILE] [--export-phase FILE]
//
// Parsing never exits or prints (as app/CommandLine.h).  Every option also takes its value as
// --option=VALUE.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measure/StabilityAnalysis.h"

struct TAnalyzeOptions {
  std::string File;
  std::optional<double> Tau0S;    // needed for a plain file of numbers
  std::optional<double> Nominal;  // else each segment's mean
  bool Drift = false;             // remove the fitted linear frequency drift
  TStabilityOptions Stability{DeviationBit(dvAdev) | DeviationBit(dvOadev) | DeviationBit(dvMdev) |
                                  DeviationBit(dvTdev) | DeviationBit(dvHdev) | DeviationBit(dvOhdev),
                              tsOctave, kConfidence68};
  bool Json = false;
  std::string ExportFrequency, ExportPhase;  // empty: none
};

struct TAnalyzeCommandLine {
  TAnalyzeOptions Options;
  std::string Error;  // empty when the command line is good
};

// Whether the arguments ask for the offline analysis.
bool AsksForAnalysis(const std::vector<std::string>& args);
// Parses the arguments after the program name (--analyze among them).
TAnalyzeCommandLine ParseAnalyzeCommandLine(const std::vector<std::string>& args);
const char* AnalyzeUsageText();
