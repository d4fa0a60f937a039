// The stability analysis of a million measurements as the window's worker and the summary run
// it: 10 MHz readings to the millihertz with parts-per-billion noise, 0.3 s apart; all the
// deviations (ADEV, OADEV, MDEV, TDEV, HDEV, OHDEV) at the octave taus with the noise type,
// the degrees of freedom and the 68 % interval of every point.  Aim: under 1 s of CPU.
// The parts are timed too: the preparation (grid, fractional values, drift fit), the
// deviations alone, and the whole with intervals.  CPU time of this thread, median of 5.
// Run: build/bench/StabilityBench [points]
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "BenchTiming.h"
#include "measure/SeriesAnalysis.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

template <typename F>
std::vector<double> Times(F f) {
  std::vector<double> ms;
  for (int k = 0; k < 5; ++k) {
    const double start = CpuMs();
    f();
    ms.push_back(CpuMs() - start);
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const long points = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  TSeriesStore store;
  std::mt19937 random(1);
  std::normal_distribution<double> noise(0, 1e-9);
  for (long i = 0; i < points; ++i) store.Append(std::round(1e7 * (1 + noise(random)) * 1e3) / 1e3, i * 300'000'000LL);
  const TSeriesView view = store.View();

  TAnalysisSettings all;
  all.Mode = mmFrequency;
  all.Stability.Deviations = kAllDeviations;
  TAnalysisSettings bare = all;
  bare.Stability.Confidence = 0;

  TSeriesAnalysis last;
  const std::vector<double> whole = Times([&] { last = AnalyzeSeries(view, 0, all); });
  const std::vector<double> deviations = Times([&] { AnalyzeSeries(view, 0, bare); });
  TReadingSegment segment(view.Size());
  for (std::size_t i = 0; i < view.Size(); ++i) segment[i] = {view.Seconds(i), view.Value(i)};
  const std::vector<double> prepare =
      Times([&] { PrepareStabilityInput(std::span<const TReadingSegment>(&segment, 1), rmFrequency, {}); });

  std::size_t taus = 0;
  for (const auto& curve : last.Stability.Curves) taus += curve.size();
  std::printf("points %ld, %zu deviation points with intervals (octave taus)\n", points, taus);
  std::printf("OADEV(tau0) %.4e, noise %d, interval [%.4e, %.4e]\n", last.Adev()[0].Value, last.Adev()[0].Noise,
              last.Adev()[0].Low, last.Adev()[0].High);
  Report("CPU: all deviations, noise types, intervals", whole);
  Report("CPU: all deviations without intervals", deviations);
  Report("CPU: preparation (grid, fractions, drift fit)", prepare);
  return 0;
}
