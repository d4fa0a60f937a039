#include "measure/MeasurementStream.h"

#include "measure/Overflow.h"

namespace {

// What tells two results apart on the display: the reading and its unit.
std::string Shown(const TMeasurement& m) { return m.Reading + " " + UnitText(m.Unit); }

// The gate's length when the lamps tell it: in F and test modes the averaging time.
std::int64_t NominalGateNs(const TMeasurement& m) {
  return m.Mode == mmFrequency || m.Mode == mmTest ? std::int64_t{m.GateMs} * 1'000'000 : 0;
}

}  // namespace

void TMeasurementStream::BeginSegment(TSegmentCause cause, TMeasurement& m) {
  ++FSegment;
  FSegmentCause = cause;
  m.SegmentStart = cause;
}

const TMeasurement& TMeasurementStream::Keep(TMeasurement& m) {
  m.Segment = FSegment;
  m.SegmentCause = FSegmentCause;
  FSummary.Add(m);
  FLast = std::move(m);
  return *FLast;
}

const TMeasurement& TMeasurementStream::Take(const TDecodedFrame& frame, const TTimestamp& arrival) {
  TMeasurement m = MakeMeasurement(frame, arrival);
  if (frame.PointError) {
    // Nothing can be read from it; the frames around it tell the gates.
    m.Flags = rfError;
    m.Distinct = true;
    FRule.Unreadable(m.Time.MonotonicNs);
    return Keep(m);
  }
  // Settings that differ after a lost line were changed at the instrument meanwhile: the line's
  // return begins the segment, and the frames after it are fresh.
  if (FHaveSettings && m.Settings != FSettings && FPending != scLine) FPending = scKeys;
  FHaveSettings = true;
  FSettings = m.Settings;
  if (m.Memory) {
    m.Flags = rfHeld;
    m.Distinct = !FHeld || Shown(m) != FHeldReading;
    FHeld = true;
    FHeldReading = Shown(m);
    FLive = false;
    if (FPending == scNone) FPending = scHold;
    return Keep(m);
  }
  FHeld = false;
  if (FPending != scNone) {
    BeginSegment(FPending, m);
    // After a key or a hold the display may still show what came before.
    FRule.Restart(FPending == scKeys || FPending == scHold, NominalGateNs(m));
    FPending = scNone;
    FLive = false;
  }
  const TGateVerdict verdict = FRule.Next(Shown(m), m.Counting, m.Time.MonotonicNs);
  if (verdict == gvSame) return Keep(m);

  m.NewMeasurement = m.Distinct = true;
  if (verdict == gvNewAfterGap && m.SegmentStart == scNone) BeginSegment(scGap, m);
  if (FResetPending && m.SegmentStart == scNone) BeginSegment(scReset, m);
  FResetPending = false;
  if (FLastTrusted && Overflowed(m, *FLastTrusted)) {
    m.Flags |= rfOverflow;
    FOverflowing = true;
    FLive = false;
  } else {
    // The gates that overflowed are missing from the series.
    if (FOverflowing && m.SegmentStart == scNone) BeginSegment(scOverflow, m);
    FOverflowing = false;
    FLive = m.SiValue.has_value();
    if (FLive) FLastTrusted = m;
  }
  const TMeasurement& kept = Keep(m);
  FLastMeasurement = kept;
  return kept;
}

void TMeasurementStream::LineInterrupted() {
  // The port opening before the first frame is the start, not a return.
  if (FPending != scStart) FPending = scLine;
  FLive = false;
}

void TMeasurementStream::ResetStatistics() {
  FSummary.Reset();
  FResetPending = true;
}
