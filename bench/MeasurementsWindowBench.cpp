// The Measurements window over a million measurements (offscreen):
//  - a redraw of the trend chart: the request (Redraw, GUI thread), the reduction to pixel
//    columns on the chart's worker with the new lines shown (WaitForPoints: the worker's wall
//    time, then TakePoints on the GUI thread), and the chart painted (grab), alternating
//    between the whole series and a zoomed part; aim under 30 ms together;
//  - the window's refresh on its timer while the worker analyses the million points (what the
//    GUI thread pays: it never waits for the analysis nor for the reduction);
//  - the time from opening the window to the first deviation table;
//  - with all six deviations and their intervals chosen, the longest the GUI thread is kept
//    from its event loop while the worker analyses the million points again and again, the
//    trend's worker reduces them and points keep coming (a 1 ms timer's gaps over 5 s of the
//    window's own refreshes, every result shown and painted): aim under 16 ms, a frame at
//    60 Hz.  On a busy machine those gaps include the time others took the CPU away, so each
//    event the GUI thread handles meanwhile is also timed by the thread's own CPU clock: what
//    the window's code costs.
// Run: QT_QPA_PLATFORM=offscreen build/bench/MeasurementsWindowBench [points]
#include <QApplication>
#include <QTableWidget>
#include <QTimer>
#include <QLineSeries>
#include <QValueAxis>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "app/MeasurementFeed.h"
#include "app/MeasurementsWindow.h"
#include "app/TrendChart.h"
#include "measure/SeriesReduction.h"

using Clock = BenchClock;

namespace {

// Times every event the GUI thread handles at the top level (not those sent from inside
// another), and names the slowest: what holds the event loop up, apart from the time the
// machine's other work takes the CPU away.
class TTimedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    if (FDepth++ > 0 || !Recording) {
      const bool done = QApplication::notify(receiver, event);
      --FDepth;
      return done;
    }
    const std::string what = std::string(receiver->metaObject()->className()) + " event " + std::to_string(event->type());
    const auto t0 = Clock::now();
    const double cpu0 = ThreadCpuMs();
    const bool done = QApplication::notify(receiver, event);
    const double cpu = ThreadCpuMs() - cpu0;
    const double ms = Ms(Clock::now() - t0);
    --FDepth;
    Events.push_back(ms);
    EventsCpu.push_back(cpu);
    if (ms > SlowestMs) {
      SlowestMs = ms;
      Slowest = what;
    }
    if (cpu > SlowestCpuMs) {
      SlowestCpuMs = cpu;
      SlowestCpu = what;
    }
    return done;
  }
  // The CPU time this thread has used: what the code costs, without the time the machine's
  // other work took the CPU away.
  static double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  bool Recording = false;
  std::vector<double> Events, EventsCpu;
  double SlowestMs = 0, SlowestCpuMs = 0;
  std::string Slowest, SlowestCpu;

 private:
  int FDepth = 0;
};

}  // namespace

int main(int argc, char** argv) {
  TTimedApplication app(argc, argv);
  const long points = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  TMeasurementFeed feed;
  std::int64_t ns = 0;
  feed.SetClock([&] { return TTimestamp{0, ns += 300'000'000}; });
  std::mt19937 random(1);
  std::normal_distribution<double> noise(0, 10);
  TDecodedFrame frame;
  frame.Keys[19 - 1] = frame.Keys[6 - 1] = true;
  frame.Leds[0] = true;
  const auto add = [&](long n) {
    for (long i = 0; i < n; ++i) {
      char text[16];
      std::snprintf(text, sizeof text, "%.3f", std::round(1e7 + noise(random)) / 1e3);
      frame.Reading = text;
      feed.FrameDecoded(frame);
    }
  };
  add(points);

  TMeasurementsWindow window(feed, nullptr);
  window.resize(1280, 800);
  auto start = Clock::now();
  window.show();
  QApplication::processEvents();
  window.WaitForAnalysis();
  window.Refresh();
  std::printf("%-52s %8.1f ms\n", "open to the first Allan deviation table", Ms(Clock::now() - start));
  std::printf("points %ld, trend chart %d pixel columns wide\n", points,
              static_cast<int>(window.Trend()->chart()->plotArea().width()));

  TTrendChart* trend = window.Trend();
  std::vector<double> ask, reduce, paint, both;
  const double last = 0.3 * static_cast<double>(points - 1);
  for (int k = 0; k < 40; ++k) {
    if (k % 2 == 0) {
      trend->ResetZoom();  // the whole series
    } else {
      // A zoomed part: a tenth of the series somewhere in it.
      const double x0 = last * 0.09 * (k % 10);
      qobject_cast<QValueAxis*>(trend->chart()->axes(Qt::Horizontal).first())->setRange(x0, x0 + last / 10);
      QApplication::processEvents();
    }
    const auto t0 = Clock::now();
    trend->Redraw();
    const auto t1 = Clock::now();
    trend->WaitForPoints();
    const auto t2 = Clock::now();
    const QPixmap shot = trend->grab();
    const auto t3 = Clock::now();
    ask.push_back(Ms(t1 - t0));
    reduce.push_back(Ms(t2 - t1));
    paint.push_back(Ms(t3 - t2));
    both.push_back(Ms(t3 - t0));
  }
  std::printf("line points drawn: %lld\n", static_cast<long long>(trend->Line()->count()));
  Report("trend: ask for the points (Redraw, GUI)", ask);
  Report("trend: reduce (worker) and show (GUI)", reduce);
  Report("trend: paint the chart (grab)", paint);
  Report("trend: redraw in all", both);
  // What the GUI thread did itself before the reduction moved to the worker.
  std::vector<double> columns;
  const TSeriesView view = feed.Summary().Store()->View();
  const int width = static_cast<int>(trend->chart()->plotArea().width());
  for (int k = 0; k < 40; ++k) {
    const auto t0 = Clock::now();
    const auto reduced = ReduceToColumns(view, 0, last, width);
    columns.push_back(Ms(Clock::now() - t0));
  }
  Report("the reduction alone (now on the worker)", columns);

  // The timer's refresh with new points while the worker analyses a million.
  trend->ResetZoom();
  std::vector<double> refresh;
  for (int k = 0; k < 200; ++k) {
    add(1);
    const auto t0 = Clock::now();
    window.Refresh();
    refresh.push_back(Ms(Clock::now() - t0));
    QApplication::processEvents();
  }
  Report("window refresh, a point more each time", refresh);
  std::vector<double> data;
  for (int k = 0; k < 100; ++k) {
    add(1);
    const auto t0 = Clock::now();
    trend->SetData(feed.Summary().Store()->View(), "Hz");
    data.push_back(Ms(Clock::now() - t0));
    QApplication::processEvents();
  }
  Report("trend SetData alone", data);

  // All deviations with intervals: the GUI thread's longest stall while the worker runs.
  window.SetDeviations(kAllDeviations);
  std::vector<double> gaps;
  std::size_t analyses = 0, analysed = 0;  // analyses shown; the points of the last
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(1);
  auto previous = Clock::now();
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    gaps.push_back(Ms(now - previous));
    previous = now;
    add(3);  // a frame's measurements keep coming
    // Points keep coming, so each new analysis has more of them.
    if (window.Analysis() && window.Analysis()->Count != analysed) {
      analysed = window.Analysis()->Count;
      ++analyses;
    }
  });
  tick.start();
  app.Recording = true;
  const auto end = Clock::now() + std::chrono::seconds(5);
  std::size_t tables = 0;
  while (Clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    tables = static_cast<std::size_t>(window.AdevTableWidget()->rowCount());
  }
  tick.stop();
  std::printf("all deviations: %zu table rows, %zu analyses shown in 5 s; the GUI thread's gaps between 1 ms ticks:\n",
              tables, analyses);
  Report("GUI thread stall while the worker analyses", gaps);
  app.Recording = false;
  Report("one event handled on the GUI thread, wall", app.Events);
  Report("one event handled on the GUI thread, its CPU", app.EventsCpu);
  std::printf("the slowest: %s (wall), %s (CPU)\n", app.Slowest.c_str(), app.SlowestCpu.c_str());
  return 0;
}
