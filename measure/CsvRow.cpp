#include "measure/CsvRow.h"

#include <cstdio>

namespace {

std::string Format(const char* format, double value) {
  char text[40];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string PositiveOrEmpty(int value) { return value > 0 ? std::to_string(value) : std::string(); }

}  // namespace

TRowValues RowValues(const TMeasurement& m, std::int64_t recordingStartNs) {
  return {
      LocalIsoTime(m.Time.UtcMs),
      Format("%.3f", static_cast<double>(m.Time.MonotonicNs - recordingStartNs) / 1e9),
      m.Reading,
      m.Number,
      UnitText(m.Unit),
      m.SiValue ? Format("%.12g", *m.SiValue) : std::string(),
      ModeText(m.Mode),
      PositiveOrEmpty(m.GateMs),
      PositiveOrEmpty(m.Status),
      FlagText(m.Flags),
      m.Segment > 0 ? std::to_string(m.Segment) : std::string(),
      SegmentCauseText(m.SegmentStart),
      m.NewMeasurement ? "1" : "0",
  };
}

std::string CsvRecord(std::span<const std::string> fields) {
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    const std::string& f = fields[i];
    if (f.find_first_of(",\"\r\n") == std::string::npos) {
      record += f;
      continue;
    }
    record += '"';
    for (char c : f) {
      if (c == '"') record += '"';
      record += c;
    }
    record += '"';
  }
  record += "\r\n";
  return record;
}

namespace {

std::string HeaderOf(std::size_t columns) {
  std::array<std::string, kRowColumnCount> names;
  for (std::size_t i = 0; i < kRowColumnCount; ++i) names[i] = kRowColumns[i].Name;
  return CsvRecord(std::span<const std::string>(names.data(), columns));
}

}  // namespace

const std::string& CsvHeader() {
  static const std::string header = HeaderOf(kRowColumnCount);
  return header;
}

const std::string& NineColumnCsvHeader() {
  static const std::string header = HeaderOf(kNineColumns);
  return header;
}
