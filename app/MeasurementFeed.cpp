#include "app/MeasurementFeed.h"

void TMeasurementFeed::FrameDecoded(const TDecodedFrame& frame) {
  FLast = MakeMeasurement(frame, FClock());
  // While recording, the summary holds exactly the rows of the file: a row that could not be
  // written is left out of it.
  if (FRecorder.Active() && !FRecorder.Write(*FLast)) {
    if (FOnRecordingStopped) FOnRecordingStopped(FRecorder.Error());
  } else {
    FSummary.Add(*FLast);
  }
  for (const TListener& listener : FListeners) listener(*FLast);
}

bool TMeasurementFeed::StartRecording(const std::string& path) {
  return FRecorder.Start(path, FClock().MonotonicNs);
}
