#include "tools/simulator/Instrument.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

struct TGroup {
  int First;
  int Last;
};
// Averaging / count time, time marks, the F T A/B t modes, the display times.
constexpr TGroup kAveraging{3, 7};
constexpr TGroup kTimeMarks{9, 13};
constexpr TGroup kModes{19, 22};
constexpr TGroup kDisplayTimes{24, 27};
constexpr TGroup kGroups[] = {kAveraging, kTimeMarks, kModes, kDisplayTimes};

constexpr int kDisplayTimeMs[] = {300, 1000, 2000, 4000};

long long Pow10(int e) {
  long long v = 1;
  while (e-- > 0) v *= 10;
  return v;
}

}  // namespace

long long CountOf(double value) {
  constexpr long long kFullRegister = 99'999'999'999'999'999;
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e17)) return kFullRegister;
  return std::llround(magnitude);
}

TReading FormatReading(long long count, int decimals, TUnitLed unit, bool* overflowed) {
  // -count would overflow for the least long long; its digits are what matter.
  if (count < 0) count = count == LLONG_MIN ? LLONG_MAX : -count;
  while (decimals > 7) {
    count /= 10;
    --decimals;
  }
  std::string text = std::to_string(count);
  if (static_cast<int>(text.size()) < decimals + 1) {
    text.insert(0, static_cast<std::size_t>(decimals + 1) - text.size(), '0');
  }
  if (overflowed != nullptr) *overflowed = text.size() > 8;
  if (text.size() > 8) text.erase(0, text.size() - 8);
  TReading r;
  r.Digits.fill(kDarkDigit);
  const std::size_t first = 8 - text.size();
  for (std::size_t i = 0; i < text.size(); ++i) r.Digits[first + i] = static_cast<std::uint8_t>(text[i] - '0');
  r.PointCode = decimals > 0 ? static_cast<std::uint8_t>(1u << decimals) : 0;
  r.Unit = unit;
  return r;
}

std::string DisplayText(const TReading& reading) {
  std::string text;
  for (int i = 0; i < 8; ++i) {
    if (reading.Digits[i] == kDarkDigit) continue;
    text += std::to_string(reading.Digits[i]);
    if ((reading.PointCode >> (7 - i)) & 1) text += '.';
  }
  return text;
}

TInstrument::TInstrument(const TSignal& signal, std::uint32_t seed, bool remote)
    : FRemote(remote), FSignal(signal), FRandom(seed) {
  for (int key : {3, 9, 19, 24}) FLamps[key - 1] = true;
  FReading = Measure();
}

bool TInstrument::PressKey(int code) {
  if (code == 28) {
    FLamps[19 - 1] = FLamps[20 - 1] = true;
    FLamps[21 - 1] = FLamps[22 - 1] = false;
    return true;
  }
  if (code < 1 || code > 27) return false;
  for (const TGroup& g : kGroups) {
    if (code >= g.First && code <= g.Last) {
      for (int key = g.First; key <= g.Last; ++key) FLamps[key - 1] = (key == code);
      return true;
    }
  }
  FLamps[code - 1] = !FLamps[code - 1];
  return true;
}

namespace {

int IndexIn(const std::array<bool, 27>& lamps, TGroup g) {
  for (int key = g.First; key <= g.Last; ++key) {
    if (lamps[key - 1]) return key - g.First;
  }
  return 0;
}

}  // namespace

TMeasureMode TInstrument::Mode() const {
  if (Lit(19) && Lit(20)) return mmTest;
  if (Lit(20)) return mmPeriod;
  if (Lit(21)) return mmRatio;
  if (Lit(22)) return mmInterval;
  return mmFrequency;
}

int TInstrument::AveragingIndex() const { return IndexIn(FLamps, kAveraging); }
int TInstrument::TimeMarkIndex() const { return IndexIn(FLamps, kTimeMarks); }
int TInstrument::DisplayTimeMs() const { return kDisplayTimeMs[IndexIn(FLamps, kDisplayTimes)]; }

double TInstrument::GateUs() const {
  const double n = static_cast<double>(Pow10(AveragingIndex()));
  switch (Mode()) {
    case mmFrequency:
    case mmTest: return n * 1000.0;
    case mmPeriod: return n * 1e6 / FSignal.Hz;
    case mmRatio: return n * 1e6 / FSignal.InputBHz;
    case mmInterval: return n * FSignal.IntervalMs * 1000.0;
  }
  return 1000.0;
}

TReading TInstrument::Measure() {
  std::normal_distribution<double> noise(0.0, FSignal.NoisePpm * 1e-6);
  const double f = FSignal.Hz * (1.0 + noise(FRandom));
  const int i = AveragingIndex();
  const int j = TimeMarkIndex();
  const double n = static_cast<double>(Pow10(i));
  switch (Mode()) {
    case mmTest:
      // Counts the reference for the count time, so the gate logic can be checked.
      return FormatReading(CountOf(FSignal.ReferenceHz * n / 1000.0), i, ulKHz, &FOverflowed);
    case mmFrequency:
      // Counts of A during n ms: the count is the frequency in kHz with i decimals.
      return FormatReading(CountOf(f * n / 1000.0), i, ulKHz, &FOverflowed);
    case mmPeriod: {
      // Time marks of 10^(j-1) µs counted over n periods: the resolution is 10^(j-1-i) µs;
      // coarser than 1 µs the reading moves to ms.
      const long long count = CountOf(n * (1e6 / f) / std::pow(10.0, j - 1));
      const int e = j - 1 - i;
      return e <= 0 ? FormatReading(count, -e, ulUs, &FOverflowed) : FormatReading(count, 3 - e, ulMs, &FOverflowed);
    }
    case mmRatio:
      return FormatReading(CountOf(f / FSignal.InputBHz * n), i, ulNone, &FOverflowed);
    case mmInterval: {
      const double t = FSignal.IntervalMs * (1.0 + noise(FRandom));
      return FormatReading(CountOf(n * t / std::pow(10.0, j - 4)), i + 4 - j, ulMs, &FOverflowed);
    }
  }
  return FReading;
}

void TInstrument::Restart(std::int64_t nowUs, int holdMs) {
  FCounting = !Memory();
  FPhaseEndUs = nowUs + static_cast<std::int64_t>(GateUs());
  Advance(nowUs, holdMs);
}

void TInstrument::Advance(std::int64_t nowUs, int holdMs) {
  if (Memory()) {
    FCounting = false;
    return;
  }
  const std::int64_t holdUs = std::int64_t{holdMs} * 1000;
  const std::int64_t cycleUs = static_cast<std::int64_t>(GateUs()) + holdUs;
  // After a long stall, skip whole cycles instead of replaying each one.
  if (nowUs - FPhaseEndUs > 2 * cycleUs) {
    FPhaseEndUs = nowUs - (nowUs - FPhaseEndUs) % cycleUs;
  }
  while (nowUs >= FPhaseEndUs) {
    if (FCounting) {
      FReading = Measure();
      ++FGate;
      FCounting = false;
      FPhaseEndUs += holdUs;
    } else {
      FCounting = true;
      FPhaseEndUs += static_cast<std::int64_t>(GateUs());
    }
  }
}

std::array<std::uint8_t, 18> TInstrument::FrameNibbles() const {
  std::array<std::uint8_t, 9> bytes{};
  for (int key = 1; key <= 27; ++key) {
    if (Lit(key)) bytes[(key - 1) / 8] |= static_cast<std::uint8_t>(1u << ((key - 1) % 8));
  }
  // Byte 4, bits 4..7: counting, kHz, ms, µs.
  if (FCounting) bytes[3] |= 0x10;
  if (FReading.Unit != ulNone) bytes[3] |= static_cast<std::uint8_t>(0x10u << FReading.Unit);
  for (int m = 0; m < 4; ++m) {
    bytes[4 + m] = static_cast<std::uint8_t>(16 * FReading.Digits[2 * m] + FReading.Digits[2 * m + 1]);
  }
  bytes[8] = FReading.PointCode;
  std::array<std::uint8_t, 18> nibbles{};
  for (int k = 0; k < 9; ++k) {
    nibbles[2 * k] = bytes[k] & 0x0F;
    nibbles[2 * k + 1] = bytes[k] >> 4;
  }
  return nibbles;
}

std::string TInstrument::Describe() const {
  std::string lamps;
  for (int key = 1; key <= 27; ++key) lamps += Lit(key) ? '1' : '0';
  std::string digits;
  for (std::uint8_t d : FReading.Digits) digits += d == kDarkDigit ? '_' : static_cast<char>('0' + d);
  static const char* const kUnits[] = {"-", "kHz", "ms", "us"};
  char text[160];
  std::snprintf(text, sizeof text, "status %u lamps %s digits %s point %u unit %s counting %d",
                StatusByte(), lamps.c_str(), digits.c_str(), FReading.PointCode, kUnits[FReading.Unit],
                FCounting ? 1 : 0);
  return text;
}
