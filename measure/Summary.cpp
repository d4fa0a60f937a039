#include "measure/Summary.h"

#include "measure/AnalysisJson.h"

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

std::string TSeriesSummary::Json(const TAnalysisSettings& settings) const {
  TAnalysisSettings s = settings;
  s.Mode = FMode;
  return AnalysisJson(FMoments, FUnit, AnalyzeSeries(FStore->View(), s));
}
