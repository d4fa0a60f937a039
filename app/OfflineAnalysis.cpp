#include "app/OfflineAnalysis.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "measure/AnalysisJson.h"
#include "measure/MeasurementFile.h"
#include "measure/NoiseIdentification.h"
#include "measure/NumberText.h"
#include "measure/StabilityExport.h"

namespace {

constexpr double kSecondsPerDay = 86400;

// printf's %.6e, the form stability tables are printed in; blank for none.
std::string Figure(double v) {
  if (!std::isfinite(v)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.6e", v);
  return text;
}

// The shortest text of a figure; "-" for none.
std::string Plain(double v) { return std::isfinite(v) ? ShortestText(v) : "-"; }

bool WriteFile(const std::string& path, const std::string& text, std::FILE* err) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int error = errno;
  if (f != nullptr && std::fclose(f) != 0) ok = false;
  if (!ok) std::fprintf(err, "frontpanel: cannot write %s: %s\n", path.c_str(), std::strerror(error));
  return ok;
}

void PrintText(const TMeasurementFile& file, const TRunningMoments& m, const TSeriesAnalysis& a, std::FILE* out) {
  const TInputFacts& f = a.Facts;
  const std::string unit = SiUnitText(file.Unit);
  std::fprintf(out, "readings: %zu in %zu segment%s, %zu left out; mode %s, averaging %d ms\n", f.Readings, f.Segments,
               f.Segments == 1 ? "" : "s", file.LeftOut, file.Plain ? "-" : (*ModeText(file.Mode) ? ModeText(file.Mode) : "-"),
               file.GateMs);
  // A figure with its unit, if the readings have one.
  const auto with = [&unit](double v) { return Plain(v) + (unit.empty() ? "" : " " + unit); };
  if (m.Count() > 0)
    std::fprintf(out, "mean %s, std %s, min %s, max %s\n", with(m.Mean()).c_str(),
                 with(m.Count() > 1 ? m.StdDev() : NAN).c_str(), with(m.Min()).c_str(), with(m.Max()).c_str());
  const std::string against = f.Meaning == rmPhase          ? " (x, s)"
                              : std::isfinite(f.Nominal) ? " against nominal " + with(f.Nominal)
                                                         : " against each segment's mean";
  std::fprintf(out, "analysed as %s%s; tau0 %s s; %zu missing points\n", ReadingMeaningName(f.Meaning), against.c_str(),
               Plain(f.Tau0S).c_str(), f.Missing);
  if (std::isfinite(f.DriftPerS))
    std::fprintf(out, "linear frequency drift %s /s, %s /day (%s)\n", Figure(f.DriftPerS).c_str(),
                 Figure(f.DriftPerS * kSecondsPerDay).c_str(), f.DriftRemoved ? "removed" : "not removed");
  std::fprintf(out, "\n%-9s %-13s %-13s %-13s %-13s %8s  %s\n", "deviation", "tau_s", "value", "low", "high", "terms",
               "noise");
  for (std::size_t k = 0; k < kDeviationKinds; ++k)
    for (const TDeviationPoint& p : a.Stability.Curves[k])
      std::fprintf(out, "%-9s %-13s %-13s %-13s %-13s %8zu  %s%s\n", DeviationName(static_cast<TDeviationKind>(k)),
                   Plain(p.TauS).c_str(), Figure(p.Value).c_str(), Figure(p.Low).c_str(),
                   Figure(p.High).c_str(), p.Terms, NoiseTypeName(p.Noise), p.NoiseIdentified ? "" : "*");
  if (a.Stability.Confidence > 0)
    std::fprintf(out, "\nlow, high: %g %% interval from chi-squared; noise *: not identified at that tau (taken from "
                      "a shorter one, or white FM)\n",
                 std::round(a.Stability.Confidence * 100));
}

}  // namespace

int RunAnalysis(const TAnalyzeOptions& options, std::FILE* out, std::FILE* err) {
  TMeasurementFile file = ReadMeasurementFile(options.File);
  if (!file.Error.empty()) {
    std::fprintf(err, "frontpanel: %s\n", file.Error.c_str());
    return 1;
  }
  TAnalysisSettings settings;
  settings.Mode = file.Mode;
  settings.Stability = options.Stability;
  settings.Input.Tau0S = options.Tau0S;
  settings.Input.Nominal = options.Nominal;
  settings.Input.RemoveDrift = options.Drift;
  settings.Input.Consecutive = file.Consecutive;
  if (file.Plain) {
    if (!options.Tau0S) {
      std::fprintf(err, "frontpanel: %s has one number per line: give their spacing with --tau0\n", options.File.c_str());
      return 1;
    }
    for (TReadingSegment& s : file.Segments)
      for (TReadingPoint& p : s) p.Seconds *= *options.Tau0S;
    settings.Input.Fractional = options.Nominal == 1.0;
  }
  const TSeriesAnalysis analysis = AnalyzeSegments(file.Segments, settings);
  TRunningMoments moments;
  for (const TReadingSegment& s : file.Segments)
    for (const TReadingPoint& p : s)
      if (!std::isnan(p.Value)) moments.Add(p.Value);
  // A recording is analysed whole: its moments are of every reading taken, "segment" and
  // "segment_start" of its last segment.
  const TSummaryScope scope{moments, file.Unit, file.LastSegment, file.Segments.size(), file.LastSegmentStart, file.Flagged};
  if (options.Json) std::fprintf(out, "%s\n", AnalysisJson(scope, analysis).c_str());
  else PrintText(file, moments, analysis, out);
  if (!options.ExportFrequency.empty() || !options.ExportPhase.empty()) {
    const TStabilityInput input = PrepareStabilityInput(file.Segments, ReadingMeaning(file.Mode), settings.Input);
    if (!options.ExportFrequency.empty() && !WriteFile(options.ExportFrequency, FrequencyLines(input.Data), err)) return 1;
    if (!options.ExportPhase.empty() && !WriteFile(options.ExportPhase, PhaseLines(input.Data), err)) return 1;
  }
  return std::fflush(out) == 0 ? 0 : 1;
}

int RunAnalysisCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(AnalyzeUsageText(), out);
      return 0;
    }
  }
  const TAnalyzeCommandLine commandLine = ParseAnalyzeCommandLine(args);
  if (!commandLine.Error.empty()) {
    std::fprintf(err, "frontpanel: %s\n%s", commandLine.Error.c_str(), AnalyzeUsageText());
    return 2;
  }
  return RunAnalysis(commandLine.Options, out, err);
}
