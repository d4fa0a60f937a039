#include "app/MeasurementFeed.h"

void TMeasurementFeed::FrameDecoded(const TDecodedFrame& frame) {
  TTimestamp time = FClock();
  if (FArrivalNs != 0 && FArrivalNs <= time.MonotonicNs) {
    // The wall clock of the arrival: now, less the time the bytes waited.
    time.UtcMs -= (time.MonotonicNs - FArrivalNs) / 1'000'000;
    time.MonotonicNs = FArrivalNs;
  }
  const TMeasurement& m = FStream.Take(frame, time);
  if (FRecorder.Active() && WantsRow(m)) {
    TMeasurement row = m;
    // A per-measurement record may skip a segment's first frame: its first row tells.
    if (m.Segment != FRowSegment) row.SegmentStart = m.SegmentCause;
    FRowSegment = m.Segment;
    if (!FRecorder.Write(row) && FOnRecordingStopped) FOnRecordingStopped(FRecorder.Error());
  }
  for (const TListener& listener : FListeners) listener(m);
}

bool TMeasurementFeed::WantsRow(const TMeasurement& m) const {
  if (FRecorder.NineColumns()) return Trusted(m);
  return FEveryFrame || m.Distinct;
}

bool TMeasurementFeed::StartRecording(const std::string& path) {
  FRowSegment = 0;
  return FRecorder.Start(path, FClock().MonotonicNs);
}
