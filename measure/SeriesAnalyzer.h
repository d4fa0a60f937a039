// A worker thread that analyses a series (measure/SeriesAnalysis.h) away from the thread that
// shows it, so the deviations of a million points never hold up the window.
//
// The window's GUI thread asks with Request and picks the result up with Take; neither ever
// waits for an analysis.  Requests made while the worker is busy are merged: only the newest
// is analysed next, so the worker never falls behind and the caller decides the rate (the
// window asks every other second).  `done` runs on the worker after each result, to tell
// the owner it may take it.  Locks, priority and shut-down are those of
// measure/NewestWorker.h: the analysis reads the points through a view of the series store
// taken by the worker (the store's own lock is taken and let go inside View(), never while the
// worker's lock is held).  The worker runs at nice 10, so the window's thread gets the CPU
// first on a busy machine; at shut-down an analysis in progress finishes first (under a second
// for a million points).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "measure/NewestWorker.h"
#include "measure/SeriesAnalysis.h"
#include "measure/SeriesStore.h"

struct TSeriesRequest {
  std::shared_ptr<const TSeriesStore> Store;
  std::uint64_t Series = 0;  // the caller's name for the series, handed back with the result
  TAnalysisSettings Settings;  // the series' mode, the deviations, the histogram's bins
  std::size_t First = 0;       // the current segment's first point (moments, histogram)
  // The first point of the segments the deviations take (TSeriesSummary::RunFirst), <= First.
  std::size_t RunFirst = 0;
};

struct TSeriesResult {
  std::uint64_t Series = 0;
  TSeriesAnalysis Analysis;
};

class TSeriesAnalyzer : public TNewestWorker<TSeriesRequest, TSeriesResult> {
 public:
  explicit TSeriesAnalyzer(TDone done = {});
};
