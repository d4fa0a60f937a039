#include "remote/ScpiCommands.h"

#include <cmath>
#include <limits>
#include <optional>
#include <span>

#include "remote/ScpiErrors.h"
#include "remote/ScpiFormat.h"
#include "remote/ScpiInstrument.h"
#include "remote/ScpiSession.h"

namespace {

// ---- The instrument's keys (the panel's key areas and their codes) ----

struct TKeyValue {
  int Key;
  double Value;  // seconds
};
constexpr TKeyValue kGateKeys[] = {{3, 0.001}, {4, 0.01}, {5, 0.1}, {6, 1}, {7, 10}};
constexpr TKeyValue kTimeMarkKeys[] = {{9, 1e-7}, {10, 1e-6}, {11, 1e-5}, {12, 1e-4}, {13, 1e-3}};
constexpr TKeyValue kDisplayKeys[] = {{24, 0.3}, {25, 1}, {26, 2}, {27, 4}};
constexpr int kKeyF = 19, kKeyT = 20, kKeyRatio = 21, kKeyInterval = 22, kKeyTest = 28;
constexpr int kModeKeys[] = {kKeyF, kKeyT, kKeyRatio, kKeyInterval};
// Keys that turn something on and off; in the start state every one is dark.
constexpr int kToggleKeys[] = {1, 2, 8, 14, 15, 16, 17, 18, 23};
constexpr long kMaxCount = 1'000'000;
constexpr std::int64_t kStallMarginNs = 2'000'000'000;
// Longer than the panel waits for a key's answer before it gives the key up.
constexpr std::int64_t kKeyWaitNs = 3'000'000'000;

TRemotePanel& Panel(TScpiCall& c) { return c.Instrument.Panel(); }

// ---- Parameters ----

bool Params(TScpiCall& c, std::size_t min, std::size_t max) {
  const std::size_t n = c.Unit.Params.size();
  if (n < min) c.Session.Error(seMissingParameter);
  if (n > max) c.Session.Error(seParameterNotAllowed);
  return n >= min && n <= max;
}

// Parameter i as a number; MIN, MAX and DEF stand for the values given (none: not allowed).
std::optional<double> Number(TScpiCall& c, std::size_t i, bool timeSuffix,
                             std::optional<double> min = {}, std::optional<double> max = {},
                             std::optional<double> def = {}) {
  const TScpiParam& p = c.Unit.Params[i];
  if (p.Kind == pkWord) {
    for (const auto& [names, value] : {std::pair{std::pair{"MIN", "MINIMUM"}, min},
                                       std::pair{std::pair{"MAX", "MAXIMUM"}, max},
                                       std::pair{std::pair{"DEF", "DEFAULT"}, def}})
      if (value && (p.Text == names.first || p.Text == names.second)) return value;
    c.Session.Error(seIllegalValue, p.Text);
    return std::nullopt;
  }
  if (p.Kind == pkString) {
    c.Session.Error(seDataType, "a number is wanted");
    return std::nullopt;
  }
  const std::optional<double> v = ParseDecimal(p.Text, timeSuffix);
  if (!v) c.Session.Error(seSyntax, "bad number " + p.Text);
  return v;
}

// A whole number in [low, high]; -222 outside.
std::optional<long> Count(TScpiCall& c, std::size_t i, long low, long high, std::optional<double> def = {}) {
  const std::optional<double> v = Number(c, i, false, static_cast<double>(low), static_cast<double>(high), def);
  if (!v) return std::nullopt;
  const double rounded = std::round(*v);
  if (rounded < static_cast<double>(low) || rounded > static_cast<double>(high)) {
    c.Session.Error(seDataOutOfRange, "from " + std::to_string(low) + " to " + std::to_string(high));
    return std::nullopt;
  }
  return static_cast<long>(rounded);
}

// ---- Keys ----

// *OPC? and *WAI, and a command that must press a key while another waits for its answer:
// the line goes on once the instrument has answered (or the panel gave the key up).  `retry`:
// the command runs again then, and decides afresh from the lamps as they are.
void AwaitKeys(TScpiCall& c, bool answers, bool retry) {
  TScpiWait wait;
  wait.Kind = TScpiWait::wkKeys;
  wait.Answers = answers;
  wait.Retry = retry;
  wait.DeadlineNs = c.Instrument.NowNs() + kKeyWaitNs;
  c.Session.Wait(wait);
}

// One key at a time goes to the instrument, as an operator presses them: a key sent while
// another is unanswered may be lost, and the frame that answers the first would undo the lamps
// of the second.  False when the command has to run again later (it has not pressed).
bool Press(TScpiCall& c, int key) {
  if (Panel(c).KeyPending()) {
    AwaitKeys(c, false, true);
    return false;
  }
  Panel(c).PressKey(key);
  return true;
}

// Lights the key of a group of which one is lit at a time, unless it is lit alone already.
// False when the command has to run again later.
bool Select(TScpiCall& c, int key, std::span<const int> group) {
  bool othersLit = false;
  for (int k : group) othersLit = othersLit || (k != key && Panel(c).KeyLit(k));
  return (Panel(c).KeyLit(key) && !othersLit) || Press(c, key);
}

template <std::size_t N>
void SetByValue(TScpiCall& c, const TKeyValue (&keys)[N], std::optional<double> min, std::optional<double> max,
                std::optional<double> def) {
  if (!Params(c, 1, 1)) return;
  const std::optional<double> v = Number(c, 0, true, min, max, def);
  if (!v) return;
  int group[N];
  for (std::size_t i = 0; i < N; ++i) group[i] = keys[i].Key;
  for (const TKeyValue& k : keys) {
    if (std::fabs(*v - k.Value) <= k.Value * 1e-6) {
      Select(c, k.Key, group);
      return;
    }
  }
  std::string allowed;
  for (const TKeyValue& k : keys) allowed += (allowed.empty() ? "" : ", ") + Nr3(k.Value);
  c.Session.Error(seDataOutOfRange, "one of " + allowed);
}

// The value of the first lit key of the group; none when none is lit.
template <std::size_t N>
std::optional<double> LitValue(TScpiCall& c, const TKeyValue (&keys)[N]) {
  for (const TKeyValue& k : keys)
    if (Panel(c).KeyLit(k.Key)) return k.Value;
  return std::nullopt;
}

template <std::size_t N>
void QueryByValue(TScpiCall& c, const TKeyValue (&keys)[N]) {
  if (Params(c, 0, 0)) c.Reply = Nr3(LitValue(c, keys));
}

// ---- Measurements ----

// A reading that has not come after this long will not come: the gate, the display time and
// some slack.  Unknown settings count as the longest.
std::int64_t StallNs(TScpiCall& c) {
  const double s = LitValue(c, kGateKeys).value_or(10) + LitValue(c, kDisplayKeys).value_or(4);
  return static_cast<std::int64_t>(s * 1e9) + kStallMarginNs;
}

// Suspends the line until `count` readings have come (wkReadings) or are stored (wkData).
void AwaitData(TScpiCall& c, TScpiWait::TKind kind, std::size_t count) {
  TScpiWait wait;
  wait.Kind = kind;
  wait.Needed = count;
  wait.StallNs = StallNs(c);
  wait.DeadlineNs = c.Instrument.NowNs() + wait.StallNs;
  c.Session.Wait(wait);
}

// Waits for the next `count` readings; at once with -240 when none can come.
void AwaitReadings(TScpiCall& c, std::size_t count) {
  if (const std::string problem = c.Instrument.LinkProblem(); !problem.empty()) {
    c.Session.Error(seHardware, problem);
    c.Reply = Nr3List(std::vector<double>(count, std::numeric_limits<double>::quiet_NaN()));
    return;
  }
  AwaitData(c, TScpiWait::wkReadings, count);
}

void Read(TScpiCall& c) {
  if (Params(c, 0, 0)) AwaitReadings(c, static_cast<std::size_t>(c.Session.SampleCount()));
}

void Fetch(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = Nr3(c.Instrument.LastValue());
}

template <int Key>
void Configure(TScpiCall& c) {
  if (Params(c, 0, 0)) Select(c, Key, kModeKeys);
}

template <int Key>
void Measure(TScpiCall& c) {
  if (Params(c, 0, 0) && Select(c, Key, kModeKeys))
    AwaitReadings(c, static_cast<std::size_t>(c.Session.SampleCount()));
}

void ConfigureQuery(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  const bool f = Panel(c).KeyLit(kKeyF), t = Panel(c).KeyLit(kKeyT);
  const char* mode = f && t                          ? "TEST"
                     : f                             ? "FREQ"
                     : t                             ? "PER"
                     : Panel(c).KeyLit(kKeyRatio)    ? "FREQ:RAT"
                     : Panel(c).KeyLit(kKeyInterval) ? "TINT"
                                                     : "NONE";
  c.Reply = QuotedString(mode);
}

void SetSampleCount(TScpiCall& c) {
  if (!Params(c, 1, 1)) return;
  if (const auto n = Count(c, 0, 1, kMaxCount, 1.0)) c.Session.SetSampleCount(*n);
}

void SampleCountQuery(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = std::to_string(c.Session.SampleCount());
}

void DataPoints(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = std::to_string(c.Session.DataPoints());
}

void DataRemove(TScpiCall& c) {
  if (!Params(c, 1, 2)) return;
  const std::optional<long> n = Count(c, 0, 1, kMaxCount);
  const bool wait = c.Unit.Params.size() == 2;
  if (wait && (c.Unit.Params[1].Kind != pkWord || c.Unit.Params[1].Text != "WAIT")) {
    c.Session.Error(seIllegalValue, "WAIT is wanted");
    c.Reply = Nr3(std::nullopt);
    return;
  }
  if (!n) {
    c.Reply = Nr3(std::nullopt);
    return;
  }
  const auto count = static_cast<std::size_t>(*n);
  if (c.Session.DataPoints() >= count) {
    c.Reply = Nr3List(c.Session.RemoveData(count));
  } else if (!wait) {
    c.Session.Error(seDataOutOfRange, std::to_string(c.Session.DataPoints()) + " readings stored");
    c.Reply = Nr3(std::nullopt);
  } else if (const std::string problem = c.Instrument.LinkProblem(); !problem.empty()) {
    c.Session.Error(seHardware, problem);
    c.Reply = Nr3(std::nullopt);
  } else {
    AwaitData(c, TScpiWait::wkData, count);
  }
}

// ---- Statistics ----

template <std::optional<double> TRemoteStatistics::*Figure>
void Statistic(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = Nr3(Panel(c).Statistics().*Figure);
}

void StatisticsAll(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  const TRemoteStatistics s = Panel(c).Statistics();
  c.Reply = Nr3(s.Mean) + "," + Nr3(s.StdDev) + "," + Nr3(s.Min) + "," + Nr3(s.Max);
}

void StatisticsPeakToPeak(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  const TRemoteStatistics s = Panel(c).Statistics();
  c.Reply = Nr3(s.Min && s.Max ? std::optional<double>(*s.Max - *s.Min) : std::nullopt);
}

void StatisticsCount(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = std::to_string(Panel(c).Statistics().Count);
}

void StatisticsClear(TScpiCall& c) {
  if (Params(c, 0, 0)) Panel(c).ResetStatistics();
}

// ---- State ----

void DisplayText(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  std::string text = Panel(c).ReadingText();
  const auto first = text.find_first_not_of(' ');
  text = first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
  // Response data are 7-bit: anything else the label might hold is not passed on.
  for (char& ch : text)
    if (static_cast<unsigned char>(ch) < 32 || static_cast<unsigned char>(ch) > 126) ch = '?';
  c.Reply = QuotedString(text);
}

void LinkQuery(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  static constexpr const char* kWords[] = {"CONNECTED", "NODATA", "LOST", "CLOSED"};
  c.Reply = kWords[Panel(c).Link()];
}

void ErrorQuery(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = c.Session.Errors().Pop();
}

void VersionQuery(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = "1999.0";
}

void PressAnyKey(TScpiCall& c) {
  if (!Params(c, 1, 1)) return;
  if (const auto key = Count(c, 0, 1, kKeyTest)) Press(c, static_cast<int>(*key));
}

void KeyLitQuery(TScpiCall& c) {
  if (!Params(c, 1, 1)) return;
  const auto key = Count(c, 0, 1, kKeyTest);
  if (!key) {
    c.Reply = Nr3(std::nullopt);
    return;
  }
  // The test mode has no lamp of its own: it shows as F and T lit together.
  const bool lit = *key == kKeyTest ? Panel(c).KeyLit(kKeyF) && Panel(c).KeyLit(kKeyT)
                                    : Panel(c).KeyLit(static_cast<int>(*key));
  c.Reply = lit ? "1" : "0";
}

// ---- IEEE 488.2 ----

void Identify(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = c.Instrument.IdentityText();
}

// The instrument's start state: averaging 1 ms, time marks 1e-7 s, mode F, display time
// 0.3 s, nothing else lit.  One key at a time: the command runs again after each answer until
// the lamps show that state.
void Reset(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  c.Session.SetSampleCount(1);
  const auto keysOf = [](const auto& table) {
    std::vector<int> keys;
    for (const TKeyValue& k : table) keys.push_back(k.Key);
    return keys;
  };
  for (const std::vector<int>& group : {keysOf(kGateKeys), keysOf(kTimeMarkKeys), keysOf(kDisplayKeys)})
    if (!Select(c, group[0], group)) return;
  if (!Select(c, kKeyF, kModeKeys)) return;
  for (int key : kToggleKeys)
    if (Panel(c).KeyLit(key) && !Press(c, key)) return;
}

void ClearStatus(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Session.ClearStatus();
}

// *OPC? and *WAI: until the instrument has answered the keys pressed (or the panel gave them up).
template <bool Answers>
void AwaitAnswers(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  if (!Panel(c).KeyPending()) {
    if (Answers) c.Reply = "1";
    return;
  }
  AwaitKeys(c, Answers, false);
}

void EventStatusQuery(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = std::to_string(c.Session.TakeEventStatus());
}

void SetEventEnable(TScpiCall& c) {
  if (!Params(c, 1, 1)) return;
  if (const auto mask = Count(c, 0, 0, 255)) c.Session.SetEventEnable(static_cast<std::uint8_t>(*mask));
}

void EventEnableQuery(TScpiCall& c) {
  if (Params(c, 0, 0)) c.Reply = std::to_string(c.Session.EventEnable());
}

// Bit 2: the error queue holds something; bit 5: an enabled event happened.
void StatusByteQuery(TScpiCall& c) {
  if (!Params(c, 0, 0)) return;
  int status = c.Session.Errors().Empty() ? 0 : 4;
  if ((c.Session.EventStatus() & c.Session.EventEnable()) != 0) status |= 32;
  c.Reply = std::to_string(status);
}

}  // namespace

const std::vector<TScpiCommand>& ScpiCommands() {
  static const std::vector<TScpiCommand> commands = {
      {TScpiPattern("*IDN"), nullptr, Identify},
      {TScpiPattern("*RST"), Reset, nullptr},
      {TScpiPattern("*CLS"), ClearStatus, nullptr},
      {TScpiPattern("*OPC"), nullptr, AwaitAnswers<true>},
      {TScpiPattern("*WAI"), AwaitAnswers<false>, nullptr},
      {TScpiPattern("*ESR"), nullptr, EventStatusQuery},
      {TScpiPattern("*ESE"), SetEventEnable, EventEnableQuery},
      {TScpiPattern("*STB"), nullptr, StatusByteQuery},
      {TScpiPattern("CONFigure:FREQuency"), Configure<kKeyF>, nullptr},
      {TScpiPattern("CONFigure:PERiod"), Configure<kKeyT>, nullptr},
      {TScpiPattern("CONFigure:FREQuency:RATio"), Configure<kKeyRatio>, nullptr},
      {TScpiPattern("CONFigure:TINTerval"), Configure<kKeyInterval>, nullptr},
      {TScpiPattern("CONFigure"), nullptr, ConfigureQuery},
      {TScpiPattern("[SENSe:]FREQuency:GATE:TIME"),
       [](TScpiCall& c) { SetByValue(c, kGateKeys, 0.001, 10.0, 0.001); },
       [](TScpiCall& c) { QueryByValue(c, kGateKeys); }},
      {TScpiPattern("SYSTem:TMARk"), [](TScpiCall& c) { SetByValue(c, kTimeMarkKeys, 1e-7, 1e-3, 1e-7); },
       [](TScpiCall& c) { QueryByValue(c, kTimeMarkKeys); }},
      {TScpiPattern("SYSTem:DTIMe"), [](TScpiCall& c) { SetByValue(c, kDisplayKeys, 0.3, 4.0, 0.3); },
       [](TScpiCall& c) { QueryByValue(c, kDisplayKeys); }},
      {TScpiPattern("SYSTem:KEY"), PressAnyKey, KeyLitQuery},
      {TScpiPattern("READ"), nullptr, Read},
      {TScpiPattern("FETCh"), nullptr, Fetch},
      {TScpiPattern("MEASure:FREQuency"), nullptr, Measure<kKeyF>},
      {TScpiPattern("MEASure:PERiod"), nullptr, Measure<kKeyT>},
      {TScpiPattern("MEASure:FREQuency:RATio"), nullptr, Measure<kKeyRatio>},
      {TScpiPattern("MEASure:TINTerval"), nullptr, Measure<kKeyInterval>},
      {TScpiPattern("SAMPle:COUNt"), SetSampleCount, SampleCountQuery},
      {TScpiPattern("DATA:POINts"), nullptr, DataPoints},
      {TScpiPattern("DATA:REMove"), nullptr, DataRemove},
      {TScpiPattern("CALCulate:AVERage:ALL"), nullptr, StatisticsAll},
      {TScpiPattern("CALCulate:AVERage:AVERage"), nullptr, Statistic<&TRemoteStatistics::Mean>},
      {TScpiPattern("CALCulate:AVERage:SDEViation"), nullptr, Statistic<&TRemoteStatistics::StdDev>},
      {TScpiPattern("CALCulate:AVERage:MINimum"), nullptr, Statistic<&TRemoteStatistics::Min>},
      {TScpiPattern("CALCulate:AVERage:MAXimum"), nullptr, Statistic<&TRemoteStatistics::Max>},
      {TScpiPattern("CALCulate:AVERage:PTPeak"), nullptr, StatisticsPeakToPeak},
      {TScpiPattern("CALCulate:AVERage:ADEViation"), nullptr, Statistic<&TRemoteStatistics::Adev>},
      {TScpiPattern("CALCulate:AVERage:COUNt"), nullptr, StatisticsCount},
      {TScpiPattern("CALCulate:AVERage:CLEar"), StatisticsClear, nullptr},
      {TScpiPattern("DISPlay:TEXT"), nullptr, DisplayText},
      {TScpiPattern("SYSTem:ERRor[:NEXT]"), nullptr, ErrorQuery},
      {TScpiPattern("SYSTem:VERSion"), nullptr, VersionQuery},
      {TScpiPattern("SYSTem:LINK"), nullptr, LinkQuery},
  };
  return commands;
}

const TScpiCommand* FindScpiCommand(const std::vector<std::string>& header, bool query) {
  for (const TScpiCommand& command : ScpiCommands())
    if ((query ? command.Query : command.Set) != nullptr && command.Pattern.Matches(header)) return &command;
  return nullptr;
}
