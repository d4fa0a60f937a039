// The measurement stream: decoded frames in, measurements out.  This is the model others build
// on (the window, the logger, the CSV recorder, the statistics, remote access):
//
//   - Every decoded frame goes through Take, with when its last byte arrived, and comes back as
//     a TMeasurement (measure/Measurement.h) with the stream's verdict:
//       NewMeasurement  the first frame to show a completed gate's result: one per gate
//                       (measure/GateRule.h; docs/measurements.md);
//       Flags           rfHeld (ПАМЯТЬ lit), rfOverflow (measure/Overflow.h), rfError (a bad
//                       frame); a measurement without flags and with a value is Trusted();
//       Distinct        the frame a per-measurement record keeps: a new measurement, a held
//                       reading as it begins (or changes), a bad frame;
//       Segment         the segment it belongs to, and SegmentStart with the cause on the
//                       segment's first frame.
//   - A segment is a run of gates without a gap.  A new one begins with the first frame seen, at
//     a lost line (LineInterrupted), a missing gate, a key that changes any lamp but ПАМЯТЬ
//     (mode, averaging, time marks, input, display time), after a hold, after overflowed
//     readings, and at the user's reset (ResetStatistics).  Statistics never bridge segments:
//     Summary() (measure/Summary.h) gives the current segment's figures and keeps the current
//     series' points with their segments.
//   - Live() tells whether what the display shows is a live measurement.
//
// Plain logic: no clock of its own (times come with the frames), no Qt, no port.  One thread:
// the one that decodes the frames (the GUI thread, the logger's main thread).
#pragma once

#include <cstdint>
#include <optional>

#include "measure/DecodedFrame.h"
#include "measure/GateRule.h"
#include "measure/Measurement.h"
#include "measure/Summary.h"
#include "measure/Timestamp.h"

class TMeasurementStream {
 public:
  // Judges a decoded frame whose last byte arrived at `arrival`.  The result stays valid until
  // the next call (Last() keeps a copy).
  const TMeasurement& Take(const TDecodedFrame& frame, const TTimestamp& arrival);
  // The line was lost or the port opened (again): the next frame begins a segment ("line").
  void LineInterrupted();
  // The user's reset: the summary starts a new series, and the next measurement a segment
  // ("reset").  What the display shows stays live.
  void ResetStatistics();
  // Whether the summary keeps every point (TSeriesSummary::SetKeepPoints).
  void SetKeepPoints(bool keep) { FSummary.SetKeepPoints(keep); }

  const TSeriesSummary& Summary() const { return FSummary; }
  // The last frame taken, and the last new measurement (whatever its flags).
  const std::optional<TMeasurement>& Last() const { return FLast; }
  const std::optional<TMeasurement>& LastMeasurement() const { return FLastMeasurement; }
  // The current segment (0 before the first frame) and why it began.
  std::uint64_t Segment() const { return FSegment; }
  TSegmentCause SegmentCause() const { return FSegmentCause; }
  // The display shows the current segment's latest trusted measurement: false before the first
  // measurement, while a segment waits for its first (after a key, a hold, a lost line), while
  // held and after an overflowed reading.  Whether frames still come is the caller's to judge
  // (FramePeriodNs).
  bool Live() const { return FLive; }
  // The instrument's frame period and gate spacing as seen (ns); 0 while unknown.
  std::int64_t FramePeriodNs() const { return FRule.FramePeriodNs(); }
  std::int64_t GateSpacingNs() const { return FRule.GateSpacingNs(); }

 private:
  void BeginSegment(TSegmentCause cause, TMeasurement& m);
  const TMeasurement& Keep(TMeasurement& m);

  TGateRule FRule;
  TSeriesSummary FSummary;
  std::optional<TMeasurement> FLast;
  std::optional<TMeasurement> FLastMeasurement;
  std::optional<TMeasurement> FLastTrusted;  // of any segment: what overflow is judged against
  std::uint64_t FSegment = 0;
  TSegmentCause FSegmentCause = scNone;
  TSegmentCause FPending = scStart;  // the next readable frame begins a segment for this
  bool FResetPending = false;        // the next measurement begins a segment ("reset")
  bool FHaveSettings = false;
  std::uint32_t FSettings = 0;
  bool FHeld = false;
  std::string FHeldReading;
  bool FOverflowing = false;
  bool FLive = false;
};
