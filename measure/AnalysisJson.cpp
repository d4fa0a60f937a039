#include "measure/AnalysisJson.h"

#include <cmath>

#include "measure/NumberText.h"
#include "measure/NoiseIdentification.h"

namespace {

constexpr double kSecondsPerDay = 86400;

std::string Key(const char* name) { return std::string(",\"") + name + "\":"; }

std::string PointJson(const TDeviationPoint& p) {
  std::string json = "{\"tau_s\":" + JsonNumber(p.TauS);
  json += Key("m") + std::to_string(p.M);
  json += Key("value") + JsonNumber(p.Value);
  json += Key("low") + JsonNumber(p.Low);
  json += Key("high") + JsonNumber(p.High);
  json += Key("terms") + std::to_string(p.Terms);
  json += Key("edf") + JsonNumber(p.Edf);
  json += Key("noise") + "\"" + NoiseTypeName(p.Noise) + "\"";
  return json + "}";
}

}  // namespace

std::string JsonNumber(double value, bool present) {
  return present && std::isfinite(value) ? ShortestText(value) : "null";
}

std::string AnalysisJson(const TSummaryScope& scope, const TSeriesAnalysis& analysis) {
  const TRunningMoments& moments = scope.Moments;
  const bool any = moments.Count() > 0;
  std::string json = "{\"count\":" + std::to_string(moments.Count());
  json += Key("unit") + "\"" + SiUnitText(scope.Unit) + "\"";
  json += Key("mean") + JsonNumber(moments.Mean(), any);
  json += Key("std") + JsonNumber(moments.StdDev(), moments.Count() > 1);
  json += Key("min") + JsonNumber(moments.Min(), any);
  json += Key("max") + JsonNumber(moments.Max(), any);
  json += Key("adev") + "[";
  const auto& adev = analysis.Adev();
  for (std::size_t i = 0; i < adev.size(); ++i)
    json += (i > 0 ? ",[" : "[") + JsonNumber(adev[i].TauS) + "," + JsonNumber(adev[i].Value) + "]";
  json += "]";
  const TInputFacts& f = analysis.Facts;
  json += Key("tau0") + JsonNumber(f.Tau0S, f.Tau0S > 0);
  json += Key("segment") + std::to_string(scope.Segment) + Key("segments") + std::to_string(scope.Segments);
  json += Key("segment_start") + "\"" + SegmentCauseText(scope.SegmentStart) + "\"";
  const TLeftOut& out = scope.LeftOut;
  json += Key("left_out") + "{\"held\":" + std::to_string(out.Held) + Key("overflow") + std::to_string(out.Overflow) +
          Key("error") + std::to_string(out.Error) + "}";
  json += Key("reading") + "\"" + ReadingMeaningName(f.Meaning) + "\"";
  json += Key("nominal") + JsonNumber(f.Nominal, f.Readings > 0);
  json += Key("deviation_segments") + std::to_string(f.Segments);
  json += Key("missing") + std::to_string(f.Missing);
  json += Key("drift_per_s") + JsonNumber(f.DriftPerS);
  json += Key("drift_per_day") + JsonNumber(f.DriftPerS * kSecondsPerDay);
  json += Key("drift_removed") + (f.DriftRemoved ? "true" : "false");
  json += Key("confidence") + JsonNumber(analysis.Stability.Confidence, analysis.Stability.Confidence > 0);
  json += Key("deviations") + "{";
  bool first = true;
  for (std::size_t k = 0; k < kDeviationKinds; ++k) {
    const auto& curve = analysis.Stability.Curves[k];
    if (curve.empty()) continue;
    json += (first ? "\"" : ",\"") + std::string(DeviationName(static_cast<TDeviationKind>(k))) + "\":[";
    first = false;
    for (std::size_t i = 0; i < curve.size(); ++i) json += (i > 0 ? "," : "") + PointJson(curve[i]);
    json += "]";
  }
  return json + "}}";
}
