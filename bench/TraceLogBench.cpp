// Cost of recording a trace entry and a log entry, and of writing both files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dispatch/SioLog.h"
#include "dispatch/SioTrace.h"

namespace {

std::string ScratchFile(const char* name) { return std::string("/tmp/sio-bench-") + name; }

void BM_TraceRecord(benchmark::State& state) {
  TTraceQueue trace;
  trace.Create(10'000);
  std::uint8_t value = 0;
  for (auto _ : state) {
    trace.Record('T', value++);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TraceRecord);

void BM_LogRecord(benchmark::State& state) {
  TDispatchLog log;
  log.Create(10'000, 8192);
  const std::vector<std::uint8_t> block(static_cast<std::size_t>(state.range(0)), 'x');
  std::uint32_t time = 0;
  for (auto _ : state) {
    log.Record(time++, 1, 1, static_cast<std::uint32_t>(block.size()), block.data(),
               static_cast<std::uint32_t>(block.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LogRecord)->Arg(0)->Arg(4)->Arg(64)->Arg(4096);

void BM_TraceWrite(benchmark::State& state) {
  const std::string name = ScratchFile("trace");
  const auto count = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    TTraceQueue trace;
    trace.Create(count);
    for (std::uint32_t i = 0; i < count; ++i) trace.Record(i % 100 < 50 ? 'T' : 'R', static_cast<std::uint8_t>(i));
    state.ResumeTiming();
    benchmark::DoNotOptimize(trace.Write(name, false, true, false));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::remove(name.c_str());
}
BENCHMARK(BM_TraceWrite)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_LogWrite(benchmark::State& state) {
  const std::string name = ScratchFile("log");
  const std::vector<std::uint8_t> block(16, 'y');
  std::int64_t entries = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TDispatchLog log;
    log.Create(static_cast<std::uint32_t>(state.range(0)), 8192);
    for (std::uint32_t i = 0; log.Free() >= 30; ++i, ++entries) log.Record(i, 1, 2, 16, block.data(), 16);
    state.ResumeTiming();
    benchmark::DoNotOptimize(log.Write(name, false, true, false));
  }
  state.SetItemsProcessed(entries);
  std::remove(name.c_str());
}
BENCHMARK(BM_LogWrite)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
