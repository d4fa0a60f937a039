// The simulated counter: key lamps, a measurement of a simulated input signal, and the state
// frame that reports both.  Independent of the front panel's code: it plays the peer.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

enum TMeasureMode : std::uint8_t { mmFrequency, mmPeriod, mmRatio, mmInterval, mmTest };

// LED numbers as the frame carries them: 1 kHz, 2 ms, 3 µs, 4 counting.
enum TUnitLed : std::uint8_t { ulNone = 0, ulKHz = 1, ulMs = 2, ulUs = 3 };

constexpr int kDarkDigit = 15;

// Eight digits left to right (kDarkDigit when dark), the point code, the unit LED.
struct TReading {
  std::array<std::uint8_t, 8> Digits{};
  std::uint8_t PointCode = 0;
  TUnitLed Unit = ulNone;
};

// A count shown with `decimals` places: leading digits dark, the point after the last integer
// digit (none when there are no decimals).  More than eight digits overflow: the leftmost are lost
// (and `overflowed`, when given, is set).
TReading FormatReading(long long count, int decimals, TUnitLed unit, bool* overflowed = nullptr);

// The reading as the display shows it: the lit digits left to right, a point after the digit
// the point code marks ("10000.000"); dark digits are left out.
std::string DisplayText(const TReading& reading);

// The counter's count for a measured value: its magnitude rounded.  A value too large for the
// count register (from 1e17 on, infinite or not a number) gives 10^17 - 1, which shows as
// eight nines.
long long CountOf(double value);

struct TSignal {
  double Hz = 10e6;            // input A
  double NoisePpm = 0.1;       // relative standard deviation
  double ReferenceHz = 10e6;   // the internal reference shown in test mode
  double InputBHz = 1000;      // input B for the A/B ratio
  double IntervalMs = 1.2345678;  // time interval between A and B
};

class TInstrument {
 public:
  TInstrument(const TSignal& signal, std::uint32_t seed, bool remote);

  // A key code from the line: 1..27 for the keys, 28 for the test mode (F and T together).
  // Returns false, changing nothing, for any other byte.
  bool PressKey(int code);
  bool Lit(int key) const { return FLamps[key - 1]; }

  bool Remote() const { return FRemote; }
  void SetRemote(bool remote) { FRemote = remote; }
  std::uint8_t StatusByte() const { return FRemote ? 132 : 128; }

  TMeasureMode Mode() const;
  int AveragingIndex() const;     // 0..4: 1, 10, 100, 1000, 10000 ms or periods
  int TimeMarkIndex() const;      // 0..4: 1e-7 .. 1e-3 s
  int DisplayTimeMs() const;      // 300, 1000, 2000, 4000
  bool Memory() const { return Lit(8); }  // holds the reading

  // Measurement cycle, times in µs of a monotonic clock: a gate (ALed4 lit), then the display
  // time (holdMs) with the result shown, then the next gate.  The reading changes only when a
  // gate ends; while the next gate counts the display keeps the last result.  Restart (after a
  // key) begins a new gate at once and keeps what the display shows until that gate ends; with
  // ПАМЯТЬ lit nothing counts and the reading is held.
  void Restart(std::int64_t nowUs, int holdMs);
  void Advance(std::int64_t nowUs, int holdMs);
  bool Counting() const { return FCounting; }
  const TReading& Reading() const { return FReading; }
  // Gates ended since the start: the reading shown is the result of gate Gate() (0: the one the
  // instrument showed when the session began).
  long Gate() const { return FGate; }
  // The last result's count did not fit the eight digits: the display shows its low digits.
  bool Overflowed() const { return FOverflowed; }

  // The 18 nibbles of the state frame, low nibble of each byte first.
  std::array<std::uint8_t, 18> FrameNibbles() const;
  std::string Describe() const;

 private:
  double GateUs() const;
  TReading Measure();

  std::array<bool, 27> FLamps{};
  bool FRemote;
  TSignal FSignal;
  std::mt19937 FRandom;
  TReading FReading;
  bool FCounting = false;
  long FGate = 0;
  bool FOverflowed = false;
  std::int64_t FPhaseEndUs = 0;   // end of the current gate or hold
};
