// Cost of one measurement: from the decoder's record of a frame to a timestamped measurement,
// its CSV row, the row written to a file (one write per row, as the recorder does), and with
// --mqtt its JSON form handed to the publisher.  A frame comes at most every few milliseconds
// (about 20 ms at 9600 baud), so this must stay far below that; the aim is under 50 µs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "measure/CsvRecorder.h"
#include "measure/CsvRow.h"
#include "measure/Measurement.h"
#include "publish/MqttPublisher.h"
#include "publish/ReadingJson.h"

namespace {

TDecodedFrame Frame() {
  TDecodedFrame f;
  for (int key : {6, 9, 19, 24}) f.Keys[static_cast<std::size_t>(key - 1)] = true;
  f.Leds[0] = f.Leds[3] = true;
  f.Reading = "10000.000";
  f.Bytes = {0x20, 0x01, 0x84, 0x30, 0x01, 0x00, 0x00, 0x00, 0x08};
  f.Status = 132;
  f.Remote = true;
  return f;
}

void BM_MakeMeasurement(benchmark::State& state) {
  const TDecodedFrame frame = Frame();
  for (auto _ : state) benchmark::DoNotOptimize(MakeMeasurement(frame, NowTimestamp()));
}
BENCHMARK(BM_MakeMeasurement);

void BM_CsvRow(benchmark::State& state) {
  const TMeasurement m = MakeMeasurement(Frame(), NowTimestamp());
  for (auto _ : state) benchmark::DoNotOptimize(CsvRecord(RowValues(m, 0)));
}
BENCHMARK(BM_CsvRow);

void BM_MeasurementRecorded(benchmark::State& state) {
  const std::string path = "/tmp/sio-bench-measure-" + std::to_string(getpid()) + ".csv";
  TCsvRecorder recorder;
  if (!recorder.Start(path, NowTimestamp().MonotonicNs)) {
    state.SkipWithError(recorder.Error().c_str());
    return;
  }
  const TDecodedFrame frame = Frame();
  for (auto _ : state) {
    if (!recorder.Write(MakeMeasurement(frame, NowTimestamp()))) {
      state.SkipWithError(recorder.Error().c_str());
      break;
    }
  }
  recorder.Stop();
  std::remove(path.c_str());
}
BENCHMARK(BM_MeasurementRecorded);

void BM_ReadingJson(benchmark::State& state) {
  const TMeasurement m = MakeMeasurement(Frame(), NowTimestamp());
  for (auto _ : state) benchmark::DoNotOptimize(ReadingJson(RowValues(m, 0)));
}
BENCHMARK(BM_ReadingJson);

// A lock, a copy and a wake-up of the network thread.  Against a port nobody listens on, so the
// queue is full and every Post also drops the oldest reading: the most a Post ever does.
void BM_PostWhileTheBrokerIsAway(benchmark::State& state) {
  TMqttConfig config;
  config.Host = "127.0.0.1";
  config.Port = 9;  // discard: nothing listens there on a test machine
  TMqttPublisher publisher(config);
  const std::string message = ReadingJson(RowValues(MakeMeasurement(Frame(), NowTimestamp()), 0));
  for (auto _ : state) publisher.Post(message);
}
BENCHMARK(BM_PostWhileTheBrokerIsAway);

}  // namespace

BENCHMARK_MAIN();
