#include "measure/Summary.h"

#include <charconv>

namespace {

// The shortest text that reads back as the same double; null for no value.
std::string JsonNumber(double value, bool present) {
  if (!present) return "null";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace

void TSeriesSummary::Add(const TMeasurement& m) {
  if (!m.SiValue) return;
  if (!FStarted || m.Mode != FMode || m.Unit != FUnit || m.GateMs != FGateMs) {
    FStarted = true;
    FMode = m.Mode;
    FUnit = m.Unit;
    FGateMs = m.GateMs;
    FMoments.Clear();
  }
  FMoments.Add(*m.SiValue);
}

std::string TSeriesSummary::Json() const {
  const bool any = FMoments.Count() > 0;
  std::string json = "{\"count\":" + std::to_string(FMoments.Count());
  json += ",\"unit\":\"" + std::string(SiUnitText(FUnit)) + "\"";
  json += ",\"mean\":" + JsonNumber(FMoments.Mean(), any);
  json += ",\"std\":" + JsonNumber(FMoments.StdDev(), FMoments.Count() > 1);
  json += ",\"min\":" + JsonNumber(FMoments.Min(), any);
  json += ",\"max\":" + JsonNumber(FMoments.Max(), any);
  return json + ",\"adev\":[]}";
}
