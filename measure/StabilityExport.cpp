#include "measure/StabilityExport.h"

#include <cmath>

#include "measure/NumberText.h"

namespace {

std::string Lines(std::span<const double> values) {
  std::string text;
  for (const double v : values) text += (std::isnan(v) ? std::string("nan") : ShortestText(v)) + "\n";
  return text;
}

}  // namespace

std::string FrequencyLines(const TStabilityData& data) {
  if (data.Kind == dkFrequency) return Lines(data.Values);
  std::vector<double> y;
  for (std::size_t k = 0; k + 1 < data.Values.size(); ++k) y.push_back((data.Values[k + 1] - data.Values[k]) / data.Tau0S);
  return Lines(y);
}

std::string PhaseLines(const TStabilityData& data) {
  return Lines(data.Kind == dkPhase ? data.Values : FrequencyToPhase(data.Values, data.Tau0S));
}
