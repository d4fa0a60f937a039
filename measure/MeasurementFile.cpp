#include "measure/MeasurementFile.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

namespace {

// One CSV record from `text` at `at` (RFC 4180: quoted fields, doubled quotes, CRLF or LF).
std::vector<std::string> NextRecord(const std::string& text, std::size_t& at) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  while (at < text.size()) {
    const char c = text[at++];
    if (quoted) {
      if (c != '"') fields.back() += c;
      else if (at < text.size() && text[at] == '"') fields.back() += text[at++];
      else quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '\n') {
      break;
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

std::optional<double> Number(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  const std::size_t end = text.find_last_not_of(" \t\r");
  if (begin == std::string::npos) return std::nullopt;
  if (text[begin] == '+') ++begin;
  double value = 0;
  const char* last = text.data() + end + 1;
  const auto [ptr, error] = std::from_chars(text.data() + begin, last, value);
  if (error != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

TMeasureMode ModeFromText(const std::string& text) {
  for (int m = mmNone; m <= mmTest; ++m)
    if (text == ModeText(static_cast<TMeasureMode>(m))) return static_cast<TMeasureMode>(m);
  return mmNone;
}

TDisplayUnit UnitFromText(const std::string& text) {
  for (int u = duNone; u <= duUs; ++u)
    if (text == UnitText(static_cast<TDisplayUnit>(u))) return static_cast<TDisplayUnit>(u);
  return duNone;
}

bool Blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

TMeasurementFile ParsePlain(const std::string& text) {
  TMeasurementFile file;
  file.Plain = true;
  file.Segments.emplace_back();
  std::istringstream lines(text);
  std::string line;
  std::size_t index = 0;
  while (std::getline(lines, line)) {
    if (Blank(line) || line[0] == '#') continue;
    ++file.Rows;
    // A line that is not a number (nan, as our own exports mark a gap) is a missing point.
    if (const auto v = Number(line)) {
      file.Segments.back().push_back({static_cast<double>(index), *v});
    } else {
      ++file.LeftOut;
      ++file.Flagged.Error;
    }
    ++index;
  }
  return file;
}

struct TRow {
  double Seconds, Value;
  std::tuple<int, int, int> Kind;  // mode, unit, gate
  std::string Segment;
  TSegmentCause Start = scNone;
};

TSegmentCause CauseFromText(const std::string& text) {
  for (int c = scStart; c <= scReset; ++c)
    if (text == SegmentCauseText(static_cast<TSegmentCause>(c))) return static_cast<TSegmentCause>(c);
  return scNone;
}

bool Names(const std::string& flags, const char* word) { return flags.find(word) != std::string::npos; }

}  // namespace

TMeasurementFile ParseMeasurementText(const std::string& text) {
  std::size_t at = 0;
  // Leading comment lines (an export's metadata) and blank lines.
  while (at < text.size() && (text[at] == '#' || text[at] == '\r' || text[at] == '\n')) {
    const std::size_t eol = text.find('\n', at);
    at = eol == std::string::npos ? text.size() : eol + 1;
  }
  const std::size_t headerAt = at;
  const std::vector<std::string> header = NextRecord(text, at);
  std::map<std::string, std::size_t> column;
  for (std::size_t i = 0; i < header.size(); ++i) column[header[i]] = i;
  if (!column.count("si_value") || !column.count("elapsed_s")) {
    // Not a CSV of ours: numbers one to a line, or nothing we know.
    if (Number(NextRecord(text, at = headerAt).front()) || header.size() == 1) return ParsePlain(text.substr(headerAt));
    TMeasurementFile file;
    file.Error = "neither a CSV with elapsed_s and si_value columns nor one number per line";
    return file;
  }
  const auto field = [&](const std::vector<std::string>& r, const char* name) -> std::string {
    const auto c = column.find(name);
    return c != column.end() && c->second < r.size() ? r[c->second] : std::string();
  };
  std::vector<TRow> rows;
  TMeasurementFile file;
  file.Consecutive = column.count("segment") > 0;
  std::map<std::tuple<int, int, int>, std::size_t> kinds;
  std::string heldReading;  // the reading of the hold the rows before showed
  bool held = false;
  while (at < text.size()) {
    const std::vector<std::string> r = NextRecord(text, at);
    if (r.size() == 1 && Blank(r[0])) continue;
    const std::string flags = field(r, "flags");
    const bool repeated = field(r, "new_measurement") == "0";
    // Counted as the summary counts them: a hold once for each reading it held, an overflowed
    // measurement once (not for every frame that showed it), every bad frame.
    if (Names(flags, "error")) {
      ++file.Flagged.Error;
    } else if (Names(flags, "overflow")) {
      file.Flagged.Overflow += repeated ? 0 : 1;
    } else if (Names(flags, "held")) {
      file.Flagged.Held += held && heldReading == field(r, "reading") ? 0 : 1;
    }
    held = Names(flags, "held");
    heldReading = field(r, "reading");
    // A repeated frame of a measurement already recorded (held and bad frames are no
    // measurement either).
    if (repeated) continue;
    ++file.Rows;
    const auto seconds = Number(field(r, "elapsed_s"));
    auto value = Number(field(r, "si_value"));
    // A reading the recorder flagged (held, overflow, error) is no measurement: in a segment
    // it is a missing point.
    const bool flagged = !Blank(flags);
    if (!value && !flagged) ++file.Flagged.Error;
    if (!seconds || (!value && !file.Consecutive) || (flagged && !file.Consecutive)) {
      ++file.LeftOut;
      continue;
    }
    if (flagged || !value) {
      ++file.LeftOut;
      value = std::numeric_limits<double>::quiet_NaN();
    }
    const auto gate = Number(field(r, "gate_ms"));
    TRow row{*seconds, *value,
             {ModeFromText(field(r, "mode")), UnitFromText(field(r, "unit")), gate ? static_cast<int>(*gate) : 0},
             field(r, "segment"), CauseFromText(field(r, "segment_start"))};
    ++kinds[row.Kind];
    rows.push_back(std::move(row));
  }
  if (rows.empty()) return file;
  auto most = kinds.begin();
  for (auto k = kinds.begin(); k != kinds.end(); ++k)
    if (k->second > most->second) most = k;
  file.Mode = static_cast<TMeasureMode>(std::get<0>(most->first));
  file.Unit = static_cast<TDisplayUnit>(std::get<1>(most->first));
  file.GateMs = std::get<2>(most->first);
  const TRow* previous = nullptr;
  const TRow* last = nullptr;  // the last row taken
  for (const TRow& row : rows) {
    if (row.Kind != most->first) {
      ++file.LeftOut;
      previous = nullptr;  // the next row of our kind starts a segment
      continue;
    }
    if (previous == nullptr || row.Segment != previous->Segment || row.Seconds < previous->Seconds) {
      file.Segments.emplace_back();
      file.LastSegmentStart = row.Start;
    }
    file.Segments.back().push_back({row.Seconds, row.Value});
    previous = last = &row;
  }
  const auto number = Number(last != nullptr ? last->Segment : std::string());
  file.LastSegment = number && *number >= 1 ? static_cast<std::uint64_t>(*number) : file.Segments.size();
  return file;
}

TMeasurementFile ReadMeasurementFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  TMeasurementFile file;
  if (!in) {
    file.Error = "cannot open " + path;
    return file;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    file.Error = "cannot read " + path;
    return file;
  }
  return ParseMeasurementText(text.str());
}
