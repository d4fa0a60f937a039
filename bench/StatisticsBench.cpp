// The statistics of a series of a million points (plain code, no window):
//  - one measurement into the series (moments and the stored point): O(1), a frame's budget is
//    milliseconds;
//  - the worker's analysis (tau0, the Allan deviation table, the histogram) of 10^6 points;
//  - the chart's reduction of 10^6 points to 800 pixel columns;
//  - what the thread that owns the series pays while the worker analyses 10^6 points: adding,
//    asking and taking never wait for the analysis (worst of each is reported).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "measure/SeriesAnalysis.h"
#include "measure/SeriesAnalyzer.h"
#include "measure/SeriesReduction.h"
#include "measure/Summary.h"

namespace {

constexpr std::int64_t kMillion = 1'000'000;

TMeasurement Reading(double hz, std::int64_t ns) {
  TMeasurement m;
  m.SiValue = hz;
  m.Number = "10000.000";
  m.Unit = duKHz;
  m.Mode = mmFrequency;
  m.GateMs = 1000;
  m.Time.MonotonicNs = ns;
  return m;
}

// A series of `n` readings of 10 MHz with 1e-6 white noise, 0.3 s apart.
TSeriesSummary& Series(std::int64_t n) {
  static TSeriesSummary summary;
  static std::mt19937 random(1);
  std::normal_distribution<double> noise(0, 10);
  while (summary.Moments().Count() < n) {
    const std::int64_t i = summary.Moments().Count();
    summary.Add(Reading(std::round(1e7 + noise(random)), i * 300'000'000));
  }
  return summary;
}

void BM_AddMeasurement(benchmark::State& state) {
  TSeriesSummary summary;
  std::int64_t i = 0;
  for (auto _ : state) {
    summary.Add(Reading(1e7 + static_cast<double>(i % 13), i * 300'000'000));
    ++i;
  }
}
BENCHMARK(BM_AddMeasurement);

void BM_AnalyzeMillion(benchmark::State& state) {
  const TSeriesView view = Series(kMillion).Store()->View();
  for (auto _ : state) benchmark::DoNotOptimize(AnalyzeSeries(view, 0, TAnalysisSettings{mmFrequency, {}, {}, 1.0, 60}));
}
BENCHMARK(BM_AnalyzeMillion)->Unit(benchmark::kMillisecond);

void BM_ReduceMillionTo800Columns(benchmark::State& state) {
  const TSeriesView view = Series(kMillion).Store()->View();
  const double last = view.Seconds(view.Size() - 1);
  for (auto _ : state) benchmark::DoNotOptimize(ReduceToColumns(view, 0, last, 800));
}
BENCHMARK(BM_ReduceMillionTo800Columns)->Unit(benchmark::kMillisecond);

// The owner's side while the worker is busy with a million points: each iteration adds a
// point, asks for an analysis and takes what is finished, as the window's timer and the feed do.
void BM_OwnerWhileWorkerAnalysesMillion(benchmark::State& state) {
  TSeriesSummary& summary = Series(kMillion);
  TSeriesAnalyzer analyzer;
  using Clock = std::chrono::steady_clock;
  std::vector<double> us;
  us.reserve(static_cast<std::size_t>(state.max_iterations));
  std::int64_t taken = 0, i = kMillion;
  for (auto _ : state) {
    const auto start = Clock::now();
    summary.Add(Reading(1e7, i++ * 300'000'000));
    analyzer.Request({summary.Store(), summary.SeriesNumber(), TAnalysisSettings{mmFrequency, {}, {}, 1.0, 60}});
    taken += analyzer.Take().has_value();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  analyzer.WaitIdle();
  std::sort(us.begin(), us.end());
  // On a machine shared with other work the worst includes being descheduled; the percentiles
  // show that nothing waits for the analysis (tens of milliseconds).
  state.counters["p50_us"] = us[us.size() / 2];
  state.counters["p99.9_us"] = us[us.size() * 999 / 1000];
  state.counters["worst_us"] = us.back();
  state.counters["analyses"] = static_cast<double>(taken);
}
BENCHMARK(BM_OwnerWhileWorkerAnalysesMillion)->Iterations(2000000);

}  // namespace

BENCHMARK_MAIN();
