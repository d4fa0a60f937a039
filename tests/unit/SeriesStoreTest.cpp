// The points of a series: views across chunk edges, the chart's reduction to pixel columns,
// and the histogram.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "measure/Histogram.h"
#include "measure/SeriesReduction.h"
#include "measure/SeriesStore.h"

namespace {

TEST(SeriesStoreTest, AViewKeepsItsPointsWhileTheStoreGrowsAndGoes) {
  auto store = std::make_unique<TSeriesStore>();
  const std::size_t n = 2 * kSeriesChunkPoints + 5;
  for (std::size_t i = 0; i < n; ++i) store->Append(static_cast<double>(i) / 2, static_cast<std::int64_t>(i) * 1000);
  const TSeriesView view = store->View();
  for (std::size_t i = 0; i < 1000; ++i) store->Append(-1, static_cast<std::int64_t>(n + i) * 1000);
  EXPECT_EQ(store->Size(), n + 1000);
  store.reset();
  ASSERT_EQ(view.Size(), n);
  for (std::size_t i : {std::size_t{0}, kSeriesChunkPoints - 1, kSeriesChunkPoints, 2 * kSeriesChunkPoints, n - 1}) {
    EXPECT_EQ(view.Value(i), static_cast<double>(i) / 2) << i;
    EXPECT_EQ(view.Ns(i), static_cast<std::int64_t>(i) * 1000) << i;
  }
  EXPECT_EQ(view.LowerBound(0), 0u);
  EXPECT_EQ(view.LowerBound(1e-6), 1u);
  EXPECT_EQ(view.LowerBound(1.5e-6), 2u);
  EXPECT_EQ(view.LowerBound(1), n);
}

// Brute force: each column's smallest and largest value among the points in [x0, x1].
void ExpectColumnsKept(const TSeriesView& view, double x0, double x1, int columns) {
  const auto reduced = ReduceToColumns(view, x0, x1, columns);
  std::set<std::pair<double, double>> kept;
  for (const TChartPoint& p : reduced) kept.insert({p.X, p.Y});
  std::vector<double> low(static_cast<std::size_t>(columns), INFINITY), high(static_cast<std::size_t>(columns), -INFINITY);
  std::size_t inside = 0;
  for (std::size_t i = 0; i < view.Size(); ++i) {
    const double x = view.Seconds(i);
    if (x < x0 || x > x1) continue;
    ++inside;
    const auto c = static_cast<std::size_t>(std::min(static_cast<int>((x - x0) / (x1 - x0) * columns), columns - 1));
    low[c] = std::min(low[c], view.Value(i));
    high[c] = std::max(high[c], view.Value(i));
  }
  ASSERT_GT(inside, 0u);
  std::size_t columnsWithPoints = 0;
  for (std::size_t c = 0; c < low.size(); ++c) {
    if (std::isinf(low[c])) continue;
    ++columnsWithPoints;
    const bool hasLow = std::any_of(reduced.begin(), reduced.end(), [&](const TChartPoint& p) { return p.Y == low[c]; });
    const bool hasHigh = std::any_of(reduced.begin(), reduced.end(), [&](const TChartPoint& p) { return p.Y == high[c]; });
    EXPECT_TRUE(hasLow && hasHigh) << "column " << c;
  }
  EXPECT_LE(reduced.size(), 2 * columnsWithPoints + 2);
  EXPECT_TRUE(std::is_sorted(reduced.begin(), reduced.end(), [](auto& a, auto& b) { return a.X < b.X; }));
  if (x0 > 0) {
    EXPECT_LT(reduced.front().X, x0) << "the line runs in from the left edge";
  }
  if (x1 < view.Seconds(view.Size() - 1)) {
    EXPECT_GT(reduced.back().X, x1) << "and out to the right edge";
  }
}

TEST(SeriesReductionTest, EachColumnKeepsItsMinimumAndMaximum) {
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0, 1);
  TSeriesStore s;
  std::int64_t ns = 0;
  for (int i = 0; i < 200000; ++i) {
    ns += 1'000'000 + static_cast<std::int64_t>(random() % 500'000);  // uneven spacing
    // Rare spikes must survive, as a chart of the raw points would show them.
    s.Append(1e7 + noise(random) + (i % 9973 == 0 ? 50 : 0), ns);
  }
  const TSeriesView view = s.View();
  const double last = view.Seconds(view.Size() - 1);
  ExpectColumnsKept(view, 0, last, 800);             // everything
  ExpectColumnsKept(view, last / 3, last / 2, 640);  // zoomed in
  ExpectColumnsKept(view, 10, 10.05, 100);           // fewer points than columns
  EXPECT_TRUE(ReduceToColumns(view, 5, 5, 100).empty());
}

TEST(HistogramTest, BinsHoldWholeStepsOfTheResolution) {
  struct Case {
    const char* Name;
    std::vector<double> Values;
    double Quantum;
    double First, Width;
    std::vector<std::int64_t> Counts;
  };
  const Case cases[] = {
      {"one step per bin", {0, 1, 1, 2, 2, 2}, 1, -0.5, 1, {1, 2, 3}},
      {"two steps per bin", {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 20}, 1, 9.5, 2, {2, 2, 2, 2, 2, 2}},
      {"one value", {7, 7, 7}, 0.5, 6.75, 0.5, {3}},
      {"no step known", {0, 4, 2, 1}, 0, 0, 1, {1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TSeriesStore s;
    for (double v : c.Values) s.Append(v, 0);
    const auto [low, high] = std::minmax_element(c.Values.begin(), c.Values.end());
    const THistogram h = MakeHistogram(s.View(), *low, *high, c.Quantum, 100);
    EXPECT_DOUBLE_EQ(h.First, c.First);
    EXPECT_DOUBLE_EQ(h.Width, c.Width);
    EXPECT_EQ(h.Counts, c.Counts);
  }
}

}  // namespace
