#include "measure/Measurement.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <utility>

#include "platform/Translatable.h"

namespace {

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Index (0-based) of the first lit key among Pa<first>..Pa<first+count-1>, or -1.
int FirstLit(const TDecodedFrame& f, int first, int count) {
  for (int i = 0; i < count; ++i)
    if (f.Keys[static_cast<std::size_t>(first - 1 + i)]) return i;
  return -1;
}

TMeasureMode ModeOf(const TDecodedFrame& f) {
  const bool freq = f.Keys[19 - 1], period = f.Keys[20 - 1];
  if (freq && period) return mmTest;
  if (freq) return mmFrequency;
  if (period) return mmPeriod;
  if (f.Keys[21 - 1]) return mmRatio;
  if (f.Keys[22 - 1]) return mmInterval;
  return mmNone;
}

TDisplayUnit UnitOf(const TDecodedFrame& f) {
  if (f.Leds[0]) return duKHz;
  if (f.Leds[1]) return duMs;
  if (f.Leds[2]) return duUs;
  return duNone;
}

struct TUnitInfo {
  const char* Text;
  const char* SiText;
  double SiScale;
};
// Indexed by TDisplayUnit.
// The SI units are shown in the window in the reader's words (context "Units").
constexpr TUnitInfo kUnits[] = {{"", "", 1.0},
                                {"kHz", QT_TRANSLATE_NOOP("Units", "Hz"), 1e3},
                                {"ms", QT_TRANSLATE_NOOP("Units", "s"), 1e-3},
                                {"\u00B5s", QT_TRANSLATE_NOOP("Units", "s"), 1e-6}};

}  // namespace

std::string DisplayedNumber(const std::string& reading) {
  const std::string text = TrimBlanks(reading);
  std::size_t digits = 0, points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else {
      return {};
    }
  }
  if (digits == 0 || points > 1) return {};
  const std::size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
  const std::size_t nonZero = whole.find_first_not_of('0');
  whole = nonZero == std::string::npos ? "0" : whole.substr(nonZero);
  return fraction.empty() ? whole : whole + "." + fraction;
}

TMeasurement MakeMeasurement(const TDecodedFrame& frame, const TTimestamp& time) {
  static constexpr int kGateMs[] = {1, 10, 100, 1000, 10000};
  static constexpr int kDisplayMs[] = {300, 1000, 2000, 4000};
  TMeasurement m;
  m.Time = time;
  m.Reading = TrimBlanks(frame.Reading);
  if (!frame.PointError) m.Number = DisplayedNumber(frame.Reading);
  if (!m.Number.empty()) {
    double v = 0;
    const auto [end, error] = std::from_chars(m.Number.data(), m.Number.data() + m.Number.size(), v);
    if (error == std::errc() && end == m.Number.data() + m.Number.size()) m.Value = v;
  }
  m.Unit = UnitOf(frame);
  if (m.Value) m.SiValue = *m.Value * kUnits[m.Unit].SiScale;
  m.Mode = ModeOf(frame);
  const int gate = FirstLit(frame, 3, 5);
  m.GateMs = gate < 0 ? 0 : kGateMs[gate];
  const int display = FirstLit(frame, 24, 4);
  m.DisplayPeriodMs = display < 0 ? 0 : kDisplayMs[display];
  m.Remote = frame.Remote;
  m.Status = frame.Status;
  m.Bytes = frame.Bytes;
  m.Counting = frame.Leds[3];
  m.Memory = frame.Keys[8 - 1];
  for (std::size_t key = 0; key < frame.Keys.size(); ++key)
    if (frame.Keys[key] && key != 8 - 1) m.Settings |= std::uint32_t{1} << key;
  return m;
}

double SiResolution(const TMeasurement& m) {
  if (m.Number.empty()) return 0;
  const std::size_t point = m.Number.find('.');
  const std::size_t decimals = point == std::string::npos ? 0 : m.Number.size() - point - 1;
  return std::pow(10.0, -static_cast<double>(decimals)) * kUnits[m.Unit].SiScale;
}

const char* UnitText(TDisplayUnit unit) { return kUnits[unit].Text; }

const char* SiUnitText(TDisplayUnit unit) { return kUnits[unit].SiText; }

const char* ModeText(TMeasureMode mode) {
  switch (mode) {
    case mmFrequency: return "F";
    case mmPeriod: return "T";
    case mmRatio: return "A/B";
    case mmInterval: return "t";
    case mmTest: return QT_TRANSLATE_NOOP("Measurement", "test");  // the others are the keys' symbols
    case mmNone: break;
  }
  return "";
}

std::string FlagText(std::uint8_t flags) {
  std::string text;
  for (const auto& [bit, word] : {std::pair{rfHeld, "held"}, {rfOverflow, "overflow"}, {rfError, "error"}})
    if ((flags & bit) != 0) text += (text.empty() ? "" : " ") + std::string(word);
  return text;
}

const char* SegmentCauseText(TSegmentCause cause) {
  static constexpr const char* kWords[] = {"", "start", "line", "gap", "keys", "hold", "overflow", "reset"};
  return cause < std::size(kWords) ? kWords[cause] : "";
}

std::string ReadingWithUnit(const TMeasurement& m) {
  const std::string unit = UnitText(m.Unit);
  return unit.empty() || m.Number.empty() ? m.Reading : m.Reading + " " + unit;
}
