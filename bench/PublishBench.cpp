// What publishing adds to each measurement on the panel's main thread: the JSON form of its
// CSV row, and handing it to the publisher (a lock, a copy, a wake-up of the network thread).
// Like the rest of a measurement (MeasureBench) it must stay far below a frame's 20 ms.
#include <benchmark/benchmark.h>

#include "measure/CsvRow.h"
#include "measure/Measurement.h"
#include "publish/MqttPublisher.h"
#include "publish/ReadingJson.h"

namespace {

TMeasurement Measurement() {
  TDecodedFrame f;
  for (int key : {6, 9, 19, 24}) f.Keys[static_cast<std::size_t>(key - 1)] = true;
  f.Leds[0] = f.Leds[3] = true;
  f.Reading = "10000.000";
  f.Status = 132;
  return MakeMeasurement(f, NowTimestamp());
}

void BM_ReadingJson(benchmark::State& state) {
  const TMeasurement m = Measurement();
  for (auto _ : state) benchmark::DoNotOptimize(ReadingJson(RowValues(m, 0)));
}
BENCHMARK(BM_ReadingJson);

// Against a port nobody listens on, so the queue is full and every Post also drops the
// oldest reading: the most a Post ever does.
void BM_PostWhileTheBrokerIsAway(benchmark::State& state) {
  TMqttConfig config;
  config.Host = "127.0.0.1";
  config.Port = 9;  // discard: nothing listens there on a test machine
  TMqttPublisher publisher(config);
  const std::string message = ReadingJson(RowValues(Measurement(), 0));
  for (auto _ : state) publisher.Post(message);
}
BENCHMARK(BM_PostWhileTheBrokerIsAway);

}  // namespace

BENCHMARK_MAIN();
