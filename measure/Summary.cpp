#include "measure/Summary.h"

#include "measure/AnalysisJson.h"

void TSeriesSummary::Add(const TMeasurement& m) {
  if (!m.Distinct) return;
  if (m.NewMeasurement && m.SiValue &&
      (!FStarted || m.Mode != FMode || m.Unit != FUnit || m.GateMs != FGateMs)) {
    StartSeries();
    FStarted = true;
    FMode = m.Mode;
    FUnit = m.Unit;
    FGateMs = m.GateMs;
  }
  if ((m.Flags & rfError) != 0) {
    ++FLeftOut.Error;
  } else if ((m.Flags & rfOverflow) != 0) {
    ++FLeftOut.Overflow;
  } else if ((m.Flags & rfHeld) != 0) {
    ++FLeftOut.Held;
  }
  if (!Trusted(m)) return;
  if (m.Segment != FSegment || FMoments.Count() == 0) {
    if (m.Segment != FSegment || FSegments == 0) ++FSegments;
    FSegment = m.Segment;
    FSegmentCause = m.SegmentCause;
    FSegmentStartNs = m.Time.MonotonicNs;
    FSegmentFirst = FStore->Size();
    if (FSegments == 1 || m.Settings != FRunSettings) {
      FRunFirst = FSegmentFirst;
      FRunSettings = m.Settings;
    }
    FMoments.Clear();
    FResolution = 0;
  }
  FMoments.Add(*m.SiValue);
  if (FKeepPoints) FStore->Append(*m.SiValue, m.Time.MonotonicNs, static_cast<std::uint32_t>(m.Segment));
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
  FSegments = 0;
  FSegmentFirst = 0;
  FRunFirst = 0;
  FLeftOut = {};
  // Readers of the old series keep their views of it.
  FStore = std::make_shared<TSeriesStore>();
}

std::string TSeriesSummary::Json(const TAnalysisSettings& settings) const {
  TAnalysisSettings s = settings;
  s.Mode = FMode;
  const TSummaryScope scope{FMoments, FUnit, FSegment, FSegments, FSegmentCause, FLeftOut};
  return AnalysisJson(scope, AnalyzeSeries(FStore->View().From(FRunFirst), FSegmentFirst - FRunFirst, s));
}
