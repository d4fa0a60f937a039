// Between the link decoder and the measurement model: every decoded frame becomes a
// timestamped measurement, which is recorded as a CSV row while a recording runs, taken into
// the run's summary, and handed to the listeners (the window's strip, later publishers).
//
// Main thread only, like the decoder that calls it.  A failed write stops the recording and is
// reported through the OnRecordingStopped handler; the decoder and the link are not affected.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/LinkDecoder.h"
#include "measure/CsvRecorder.h"
#include "measure/Measurement.h"
#include "measure/Summary.h"

class TMeasurementFeed : public TFrameObserver {
 public:
  using TListener = std::function<void(const TMeasurement&)>;
  using TClock = std::function<TTimestamp()>;

  // Listeners run after the row is written, in the order they were added.
  void AddListener(TListener listener) { FListeners.push_back(std::move(listener)); }
  // Told once with the recorder's reason when a write failure ends a recording.
  void SetOnRecordingStopped(std::function<void(const std::string& reason)> handler) {
    FOnRecordingStopped = std::move(handler);
  }
  // The time source (NowTimestamp by default); tests fix it.
  void SetClock(TClock clock) { FClock = std::move(clock); }

  void FrameDecoded(const TDecodedFrame& frame) override;

  // Starts recording to `path` ("-": standard output); elapsed_s counts from now.  False, with
  // Recorder().Error() saying why, when the file cannot be used.
  bool StartRecording(const std::string& path);
  void StopRecording() { FRecorder.Stop(); }
  const TCsvRecorder& Recorder() const { return FRecorder; }

  const std::optional<TMeasurement>& Last() const { return FLast; }
  const TSeriesSummary& Summary() const { return FSummary; }
  // The user's reset of the statistics: the next measurement starts a new series.
  void ResetSeries() { FSummary.Reset(); }
  // Whether the series keeps every point (TSeriesSummary::SetKeepPoints); it does by default.
  void KeepPoints(bool keep) { FSummary.SetKeepPoints(keep); }

 private:
  TClock FClock = &NowTimestamp;
  TCsvRecorder FRecorder;
  TSeriesSummary FSummary;
  std::optional<TMeasurement> FLast;
  std::vector<TListener> FListeners;
  std::function<void(const std::string&)> FOnRecordingStopped;
};
