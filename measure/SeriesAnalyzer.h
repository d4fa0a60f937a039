// A worker thread that analyses a series (measure/SeriesAnalysis.h) away from the thread that
// shows it, so the Allan deviation of a million points never holds up the window.
//
// The window's GUI thread asks with Request and picks the result up with Take; neither ever
// waits for an analysis.  Requests made while the worker is busy are merged: only the newest
// is analysed next, so the worker never falls behind and the caller decides the rate (the
// window asks at most four times a second).
//
// Ownership and locks: FLock guards FRequest, FResult, FBusy and FStop, and is held only to
// move them in or out; the worker holds no lock while it analyses.  The analysis reads the
// points through a view of the series store taken by the worker (the store's own lock is
// taken and let go inside View(), never while FLock is held), so the two locks are never
// held together.  The result belongs to the worker until Take moves it out.
// The worker runs at a lower priority (nice 10) than the thread that made it, so the window's
// thread gets the CPU first on a busy machine.
// Shut-down: the destructor sets FStop under FLock, wakes the worker and joins it; an analysis
// in progress finishes first (tens of milliseconds for a million points).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

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

class TSeriesAnalyzer {
 public:
  TSeriesAnalyzer();
  ~TSeriesAnalyzer();
  TSeriesAnalyzer(const TSeriesAnalyzer&) = delete;
  TSeriesAnalyzer& operator=(const TSeriesAnalyzer&) = delete;

  // Asks for an analysis of the store's points as they are when the worker starts on it; a
  // request not yet started is replaced.  Any thread.
  void Request(TSeriesRequest request);
  // The newest finished result not yet taken.  Any thread.
  std::optional<TSeriesResult> Take();
  // Whether a request is waiting or being analysed.  Any thread.
  bool Busy() const;
  // Waits until every request made so far is analysed (tests and benchmarks).
  void WaitIdle();

 private:
  void Run();

  mutable std::mutex FLock;
  std::condition_variable FWake;  // the worker: a request or stop
  std::condition_variable FIdle;  // WaitIdle: the worker ran out of requests
  std::optional<TSeriesRequest> FRequest;
  std::optional<TSeriesResult> FResult;
  bool FBusy = false;  // the worker is analysing
  bool FStop = false;
  std::thread FThread;  // last: started once the fields above exist
};
