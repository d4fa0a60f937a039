#include "app/AnalyzeCommand.h"

#include <charconv>
#include <cmath>

#include "app/OptionValue.h"

namespace {

bool ParsePositive(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && ptr == end && std::isfinite(value) && value > 0;
}

std::string Apply(const std::string& name, const std::string& value, TAnalyzeOptions& o) {
  double number = 0;
  if (name == "--analyze") {
    if (value.empty()) return "--analyze takes a file name";
    o.File = value;
  } else if (name == "--tau0") {
    if (!ParsePositive(value, number)) return "--tau0 takes a number of seconds greater than 0";
    o.Tau0S = number;
  } else if (name == "--nominal") {
    if (!ParsePositive(value, number)) return "--nominal takes a number greater than 0";
    o.Nominal = number;
  } else if (name == "--dev") {
    const auto set = ParseDeviationList(value);
    if (!set) return "--dev takes a list of adev, oadev, mdev, tdev, hdev, ohdev separated by commas";
    o.Stability.Deviations = *set;
  } else if (name == "--taus") {
    const auto set = TauSetFromName(value);
    if (!set) return "--taus takes octave, decade or all";
    o.Stability.Taus = *set;
  } else if (name == "--confidence") {
    if (value != "68" && value != "95") return "--confidence takes 68 or 95";
    o.Stability.Confidence = value == "68" ? kConfidence68 : kConfidence95;
  } else if (name == "--export-frequency" || name == "--export-phase") {
    if (value.empty()) return name + " takes a file name";
    (name == "--export-phase" ? o.ExportPhase : o.ExportFrequency) = value;
  } else {
    return "unknown argument with --analyze: " + name;
  }
  return {};
}

}  // namespace

bool AsksForAnalysis(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--analyze" || arg.rfind("--analyze=", 0) == 0) return true;
  return false;
}

TAnalyzeCommandLine ParseAnalyzeCommandLine(const std::vector<std::string>& args) {
  TAnalyzeCommandLine result;
  for (std::size_t i = 0; i < args.size() && result.Error.empty(); ++i) {
    const std::string& arg = args[i];
    const auto eq = arg.find('=');
    const std::string name = eq == std::string::npos ? arg : arg.substr(0, eq);
    if (name == "--drift" || name == "--json") {
      if (eq != std::string::npos) result.Error = name + " takes no value";
      (name == "--drift" ? result.Options.Drift : result.Options.Json) = true;
      continue;
    }
    std::string value;
    result.Error = TakeOptionValue(args, i, eq, value) ? Apply(name, value, result.Options) : name + " needs a value";
  }
  if (result.Error.empty() && result.Options.File.empty()) result.Error = "--analyze takes a file name";
  return result;
}

const char* AnalyzeUsageText() {
  return "usage: frontpanel --analyze FILE [--tau0 S] [--nominal X] [--drift] [--dev LIST]\n"
         "                  [--taus octave|decade|all] [--confidence 68|95] [--json]\n"
         "                  [--export-frequency FILE] [--export-phase FILE]\n"
         "  --analyze FILE  the stability of a recording: a CSV this program wrote, any CSV with\n"
         "                  elapsed_s and si_value columns, or one number per line (needs --tau0)\n"
         "  --tau0 S        the spacing of the readings (default: the median spacing of the times)\n"
         "  --nominal X     the nominal value (default: each segment's mean); with 1, plain numbers\n"
         "                  are fractional frequencies as they stand\n"
         "  --drift         remove the linear frequency drift (least squares) first\n"
         "  --dev LIST      deviations, of adev,oadev,mdev,tdev,hdev,ohdev (default: all)\n"
         "  --taus SET      octave (1, 2, 4, ...), decade (1, 2, 5, 10, ...) or all (every m)\n"
         "  --confidence P  68 (default) or 95 per cent intervals\n"
         "  --json          the summary as one JSON object (the keys of --summary)\n"
         "  --export-frequency FILE, --export-phase FILE\n"
         "                  write the fractional frequencies or phases (s), one per line\n";
}
