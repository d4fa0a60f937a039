// What one decoded frame of the instrument says, with when it came, and what the measurement
// stream (measure/MeasurementStream.h) made of it: whether it is the first frame to show a new
// gate's result, its flags and its segment.
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

// Why a reading is not a trusted measurement (bits of TMeasurement::Flags).
enum TReadingFlag : std::uint8_t {
  rfHeld = 1,      // ПАМЯТЬ (Pa8) lit: the instrument holds an old reading
  rfOverflow = 2,  // the count needed more digits than the display has: it shows the low ones
  rfError = 4,     // the frame's point code was invalid ("Error"): nothing could be read
};

// Why a segment began (see measure/MeasurementStream.h).
enum TSegmentCause : std::uint8_t {
  scNone,      // the frame does not begin a segment
  scStart,     // the first frame seen
  scLine,      // the line was lost or the port opened again
  scGap,       // a gate went missing (frames lost, the line silent)
  scKeys,      // a key changed mode, averaging, time marks, input or display time
  scHold,      // ПАМЯТЬ held the reading for a while
  scOverflow,  // readings overflowed for a while
  scReset,     // the user reset the statistics
};

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
  bool Counting = false;          // ALed4 (СЧЕТ) lit: a gate is counting
  bool Memory = false;            // Pa8 (ПАМЯТЬ) lit
  // The lamps that decide what is measured and how often: every key lamp but Pa8 (bit n-1 for
  // Pa<n>).  Two frames with different settings never show measurements of one segment.
  std::uint32_t Settings = 0;

  // Filled in by the measurement stream.
  bool NewMeasurement = false;    // the first frame to show a completed gate's result
  // The first frame of this reading in its state: a new measurement, the start of a held
  // reading (or a change of it), or a bad frame.  Recording one row per measurement writes
  // exactly these frames.
  bool Distinct = false;
  std::uint8_t Flags = 0;         // TReadingFlag bits; 0 for a trusted measurement
  std::uint64_t Segment = 0;      // the segment the frame belongs to: 1, 2, ... in order
  TSegmentCause SegmentStart = scNone;  // set on the first frame of a segment
  TSegmentCause SegmentCause = scNone;  // why the segment it belongs to began
};

// Readings kept out of the statistics, by reason.
struct TLeftOut {
  std::int64_t Held = 0;      // held readings (one per reading ПАМЯТЬ held)
  std::int64_t Overflow = 0;  // overflowed measurements
  std::int64_t Error = 0;     // bad frames ("Error")
  std::int64_t Total() const { return Held + Overflow + Error; }
};

// A measurement the statistics take: a new gate's result with a value and no flag.
inline bool Trusted(const TMeasurement& m) { return m.NewMeasurement && m.Flags == 0 && m.SiValue.has_value(); }

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
// The flags as words joined by blanks ("held", "overflow", "error"), "" for none.
std::string FlagText(std::uint8_t flags);
// "start", "line", "gap", "keys", "hold", "overflow", "reset"; "" for scNone.
const char* SegmentCauseText(TSegmentCause cause);

// The reading with its unit, as a person would copy it: "10000.000 kHz".  A reading without a
// unit or without a number ("Error", blank) is given alone.
std::string ReadingWithUnit(const TMeasurement& m);
