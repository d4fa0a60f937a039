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
#include "measure/MeasurementStream.h"
#include "dispatch/SioArrivalTimes.h"
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

// The measurement stream's judgement of a frame: the gate rule, the flags, the segment and the
// summary (a new measurement every other frame, each kept as a point).
void BM_StreamTake(benchmark::State& state) {
  TDecodedFrame frames[2] = {Frame(), Frame()};
  frames[1].Leds[3] = false;  // the gate ended
  TMeasurementStream stream;
  std::int64_t ns = 0;
  int i = 0;
  for (auto _ : state) {
    frames[1].Reading = (i & 2) != 0 ? "10000.001" : "10000.000";
    benchmark::DoNotOptimize(stream.Take(frames[i++ & 1], TTimestamp{0, ns += 20'000'000}));
  }
}
BENCHMARK(BM_StreamTake);

// What the dispatch worker adds per read and a reader per byte: one arrival mark, one lookup
// in a table of 8192.
void BM_ArrivalMarkAndLookup(benchmark::State& state) {
  TSioArrivalTimes times;
  std::uint64_t arrived = 0;
  for (std::size_t i = 0; i < TSioArrivalTimes::kArrivalMarks; ++i) times.Mark(arrived += 19, static_cast<std::int64_t>(i));
  for (auto _ : state) {
    times.Mark(arrived += 19);
    benchmark::DoNotOptimize(times.TimeOf(arrived - 4000));
  }
}
BENCHMARK(BM_ArrivalMarkAndLookup);

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
