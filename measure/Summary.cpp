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
  FLeftOut = {};
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
  const TSeriesAnalysis analysis = AnalyzeSeries(FStore->View().From(FSegmentFirst));
  for (std::size_t i = 0; i < analysis.Adev.size(); ++i) {
    json += (i > 0 ? ",[" : "[") + JsonNumber(analysis.Adev[i].TauS) + "," + JsonNumber(analysis.Adev[i].Adev) + "]";
  }
  json += "],\"tau0\":" + JsonNumber(analysis.Tau0S, analysis.Tau0S > 0);
  json += ",\"segment\":" + std::to_string(FSegment) + ",\"segments\":" + std::to_string(FSegments);
  json += ",\"segment_start\":\"" + std::string(SegmentCauseText(FSegmentCause)) + "\"";
  json += ",\"left_out\":{\"held\":" + std::to_string(FLeftOut.Held) + ",\"overflow\":" +
          std::to_string(FLeftOut.Overflow) + ",\"error\":" + std::to_string(FLeftOut.Error) + "}";
  return json + "}";
}
