#include "measure/Summary.h"

#include <cmath>

#include "measure/NumberText.h"
#include "measure/SeriesAnalysis.h"

namespace {

// The shortest text that reads back as the same double; null for no value (JSON has no
// infinity or NaN either).
std::string JsonNumber(double value, bool present = true) {
  return present && std::isfinite(value) ? ShortestText(value) : "null";
}

}  // namespace

void TSeriesSummary::Add(const TMeasurement& m) {
  if (!m.SiValue) return;
  if (!FStarted || m.Mode != FMode || m.Unit != FUnit || m.GateMs != FGateMs) {
    StartSeries();
    FStarted = true;
    FMode = m.Mode;
    FUnit = m.Unit;
    FGateMs = m.GateMs;
  }
  FMoments.Add(*m.SiValue);
  if (FKeepPoints) FStore->Append(*m.SiValue, m.Time.MonotonicNs);
  const double step = SiResolution(m);
  if (step > 0 && (FResolution == 0 || step < FResolution)) FResolution = step;
}

void TSeriesSummary::Reset() {
  StartSeries();
  FStarted = false;
}

void TSeriesSummary::StartSeries() {
  ++FSeriesNumber;
  FMoments.Clear();
  FResolution = 0;
  // Readers of the old series keep their views of it.
  FStore = std::make_shared<TSeriesStore>();
}

std::string TSeriesSummary::Json() const {
  const bool any = FMoments.Count() > 0;
  std::string json = "{\"count\":" + std::to_string(FMoments.Count());
  json += ",\"unit\":\"" + std::string(SiUnitText(FUnit)) + "\"";
  json += ",\"mean\":" + JsonNumber(FMoments.Mean(), any);
  json += ",\"std\":" + JsonNumber(FMoments.StdDev(), FMoments.Count() > 1);
  json += ",\"min\":" + JsonNumber(FMoments.Min(), any);
  json += ",\"max\":" + JsonNumber(FMoments.Max(), any);
  json += ",\"adev\":[";
  const TSeriesAnalysis analysis = AnalyzeSeries(FStore->View());
  for (std::size_t i = 0; i < analysis.Adev.size(); ++i) {
    json += (i > 0 ? ",[" : "[") + JsonNumber(analysis.Adev[i].TauS) + "," + JsonNumber(analysis.Adev[i].Adev) + "]";
  }
  return json + "]}";
}
