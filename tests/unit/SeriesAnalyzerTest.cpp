// The worker that analyses a series while its owner goes on adding points.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "measure/NewestWorker.h"
#include "measure/SeriesAnalyzer.h"
#include "measure/Summary.h"

namespace {

TMeasurement Reading(double hz, std::int64_t ns) {
  TMeasurement m;
  m.SiValue = hz;
  m.Value = hz / 1e3;
  m.Number = "10000.000";
  m.Unit = duKHz;
  m.Mode = mmFrequency;
  m.GateMs = 1000;
  m.Time.MonotonicNs = ns;
  m.NewMeasurement = m.Distinct = true;
  m.Segment = 1;
  return m;
}

TEST(SeriesAnalyzerTest, AnalysesAViewWhileTheOwnerAppends) {
  TSeriesSummary summary;
  TSeriesAnalyzer analyzer;
  std::int64_t ns = 0;
  std::size_t lastCount = 0;
  // The owner adds, asks and takes as the window's timer does; the worker reads the same store.
  for (int round = 0; round < 40; ++round) {
    for (int i = 0; i < 3000; ++i, ns += 100'000'000) summary.Add(Reading(1e7 + (i % 7), ns));
    analyzer.Request({summary.Store(), summary.SeriesNumber(), TAnalysisSettings{mmFrequency, {}, {}, summary.Resolution(), 50}});
    if (auto r = analyzer.Take()) {
      EXPECT_GE(r->Analysis.Count, lastCount) << "points only ever added";
      lastCount = r->Analysis.Count;
      std::int64_t total = 0;
      for (auto c : r->Analysis.Histogram.Counts) total += c;
      EXPECT_EQ(static_cast<std::size_t>(total), r->Analysis.Count) << "the histogram holds exactly the points analysed";
    }
  }
  analyzer.WaitIdle();
  const auto last = analyzer.Take();
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->Analysis.Count, 120000u) << "the newest request is always analysed";
  EXPECT_FALSE(analyzer.Take().has_value()) << "a result is taken once";
  EXPECT_DOUBLE_EQ(last->Analysis.Tau0S, 0.1);
  EXPECT_EQ(last->Analysis.Histogram.Width, 1.0) << "seven readings 1 Hz apart, one per bin";
  EXPECT_EQ(last->Analysis.Adev().size(), 16u);
}

TEST(SeriesAnalyzerTest, AResetSeriesIsAnalysedAfreshWhileTheOldOneIsStillRead) {
  TSeriesSummary summary;
  for (int i = 0; i < 200000; ++i) summary.Add(Reading(1e7 + i % 3, i * 1'000'000LL));
  const std::uint64_t before = summary.SeriesNumber();
  TSeriesAnalyzer analyzer;
  analyzer.Request({summary.Store(), before, {}});
  summary.Reset();  // the worker may still be reading the old store
  EXPECT_NE(summary.SeriesNumber(), before);
  EXPECT_EQ(summary.Moments().Count(), 0);
  for (int i = 0; i < 5; ++i) summary.Add(Reading(1e7, i * 1'000'000LL));
  analyzer.WaitIdle();
  const auto old = analyzer.Take();
  ASSERT_TRUE(old.has_value());
  EXPECT_EQ(old->Series, before);
  EXPECT_EQ(old->Analysis.Count, 200000u);
  analyzer.Request({summary.Store(), summary.SeriesNumber(), {}});
  analyzer.WaitIdle();
  EXPECT_EQ(analyzer.Take()->Analysis.Count, 5u);
}

// The worker under both: requests made while it works merge into the newest, and its owner is
// told of every result from the worker's thread (the trend chart posts itself an event then).
TEST(SeriesAnalyzerTest, TheWorkerDoesTheNewestRequestAndSaysWhenDone) {
  std::mutex lock;
  std::condition_variable started;
  bool go = false, working = false;
  std::atomic<int> done{0};
  {
    TNewestWorker<int, int> worker(
        [&](int& n) {
          std::unique_lock<std::mutex> l(lock);
          working = true;
          started.notify_all();
          started.wait(l, [&] { return go; });
          return n * 10;
        },
        0, [&] { ++done; });
    worker.Request(1);
    {
      std::unique_lock<std::mutex> l(lock);
      started.wait(l, [&] { return working; });
    }
    for (int n = 2; n <= 5; ++n) worker.Request(n);  // while 1 is worked on
    {
      const std::lock_guard<std::mutex> l(lock);
      go = true;
    }
    started.notify_all();
    worker.WaitIdle();
    EXPECT_EQ(worker.Take(), 50) << "the newest request, and only it, after the first";
    EXPECT_FALSE(worker.Take().has_value());
  }
  EXPECT_EQ(done.load(), 2) << "said once for each result, and never after the worker is gone";
}

}  // namespace
