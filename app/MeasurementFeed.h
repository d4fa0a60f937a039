// Between the link decoder and the measurement model: every decoded frame goes through the
// measurement stream (measure/MeasurementStream.h), which tells one measurement per gate, its
// flags and its segment; a recording writes a CSV row per measurement (or per frame), the
// stream's summary keeps the statistics, and the listeners hear of every frame.
//
// Times: a frame's time is when its last byte arrived, as the port read it from the device
// (SetArrival, from TSioCustomComPort::LastReadArrivalNs), not when it was decoded; without an
// arrival time the feed's clock stands in.
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
#include "measure/MeasurementStream.h"
#include "measure/Summary.h"

class TMeasurementFeed : public TFrameObserver {
 public:
  using TListener = std::function<void(const TMeasurement&)>;
  using TClock = std::function<TTimestamp()>;

  // Listeners run for every frame, after its row is written, in the order they were added;
  // TMeasurement::Distinct tells the frames that are a measurement's own.
  void AddListener(TListener listener) { FListeners.push_back(std::move(listener)); }
  // Told once with the recorder's reason when a write failure ends a recording.
  void SetOnRecordingStopped(std::function<void(const std::string& reason)> handler) {
    FOnRecordingStopped = std::move(handler);
  }
  // The time source (NowTimestamp by default); tests fix it.
  void SetClock(TClock clock) { FClock = std::move(clock); }
  // When the byte about to be decoded arrived (monotonic ns, the clock of NowTimestamp); 0:
  // not known, the clock's time is taken.
  void SetArrival(std::int64_t monotonicNs) { FArrivalNs = monotonicNs; }

  void FrameDecoded(const TDecodedFrame& frame) override;
  // The line was lost or the port opened again: the next frame begins a new segment.
  void LineInterrupted() { FStream.LineInterrupted(); }

  // Starts recording to `path` ("-": standard output); elapsed_s counts from now.  False, with
  // Recorder().Error() saying why, when the file cannot be used.
  bool StartRecording(const std::string& path);
  void StopRecording() { FRecorder.Stop(); }
  const TCsvRecorder& Recorder() const { return FRecorder; }
  // A row for every decoded frame instead of one per measurement (new_measurement marks the
  // frames that begin one).  Either way a recording appended to a nine-column file gets
  // trusted measurements only.
  void SetEveryFrame(bool every) { FEveryFrame = every; }
  bool EveryFrame() const { return FEveryFrame; }

  // The last frame taken.
  const std::optional<TMeasurement>& Last() const { return FStream.Last(); }
  const TMeasurementStream& Stream() const { return FStream; }
  const TSeriesSummary& Summary() const { return FStream.Summary(); }
  // The user's reset of the statistics: a new series and a new segment.
  void ResetSeries() { FStream.ResetStatistics(); }
  // Whether the series keeps every point (TSeriesSummary::SetKeepPoints); it does by default.
  void KeepPoints(bool keep) { FStream.SetKeepPoints(keep); }

 private:
  bool WantsRow(const TMeasurement& m) const;

  TClock FClock = &NowTimestamp;
  std::int64_t FArrivalNs = 0;
  TMeasurementStream FStream;
  TCsvRecorder FRecorder;
  bool FEveryFrame = false;
  std::uint64_t FRowSegment = 0;  // the segment of the last row written
  std::vector<TListener> FListeners;
  std::function<void(const std::string&)> FOnRecordingStopped;
};
