#include "app/MeasurementFeed.h"

void TMeasurementFeed::FrameDecoded(const TDecodedFrame& frame) {
  FLast = MakeMeasurement(frame, FClock());
  if (FRecorder.Active() && !FRecorder.Write(*FLast) && FOnRecordingStopped) {
    FOnRecordingStopped(FRecorder.Error());
  }
  FSummary.Add(*FLast);
  for (const TListener& listener : FListeners) listener(*FLast);
}

bool TMeasurementFeed::StartRecording(const std::string& path) {
  return FRecorder.Start(path, FClock().MonotonicNs);
}
