// One measurement: what one decoded frame of the instrument says, with when it came.
//
// The unit comes from the LEDs beside the display (ALed1 kHz, ALed2 ms, ALed3 µs; none lit: no
// unit), the mode from the mode keys (Pa19 F, Pa20 T, Pa21 A/B, Pa22 t; Pa19 and Pa20 together:
// test), the averaging (count) time from Pa3..Pa7 and the display period from Pa24..Pa27.  When
// a group shows more than one lamp, the first lit key of the group counts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "measure/DecodedFrame.h"
#include "measure/Timestamp.h"

enum TDisplayUnit : std::uint8_t { duNone, duKHz, duMs, duUs };
enum TMeasureMode : std::uint8_t { mmNone, mmFrequency, mmPeriod, mmRatio, mmInterval, mmTest };

struct TMeasurement {
  TTimestamp Time;
  std::string Reading;            // the reading as shown ("Error" included), blanks trimmed
  std::string Number;             // the displayed number as a plain decimal; empty when none
  std::optional<double> Value;    // the same number; none for a blank reading, "Error" or odd text
  TDisplayUnit Unit = duNone;
  std::optional<double> SiValue;  // Value in Hz or s (as it is when there is no unit)
  TMeasureMode Mode = mmNone;
  int GateMs = 0;                 // averaging / count time: 1, 10, 100, 1000, 10000; 0 none lit
  int DisplayPeriodMs = 0;        // 300, 1000, 2000, 4000; 0 none lit
  bool Remote = false;
  std::uint8_t Status = 0;        // the last status byte; 0 when none came yet
  std::array<std::uint8_t, 9> Bytes{};
};

TMeasurement MakeMeasurement(const TDecodedFrame& frame, const TTimestamp& time);

// The number a display text shows, as a plain decimal without leading zeros ("00.120" ->
// "0.120", "12345678." -> "12345678"), keeping the digits after the point.  Empty unless the
// text, blanks trimmed, is digits with at most one point.
std::string DisplayedNumber(const std::string& reading);

// The step of the reading's last digit in SI units (1 for "10000.000" kHz: 1 Hz); 0 without a
// number.
double SiResolution(const TMeasurement& m);

// "kHz", "ms", "µs" (UTF-8) or "".
const char* UnitText(TDisplayUnit unit);
// The SI unit of SiValue: "Hz", "s" or "" (no unit).
const char* SiUnitText(TDisplayUnit unit);
// "F", "T", "A/B", "t", "test" or "".
const char* ModeText(TMeasureMode mode);

// The reading with its unit, as a person would copy it: "10000.000 kHz".  A reading without a
// unit or without a number ("Error", blank) is given alone.
std::string ReadingWithUnit(const TMeasurement& m);
