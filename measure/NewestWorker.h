// A worker thread that does the newest of the requests made to it, away from the thread that
// shows the result: the window's analysis of a series (measure/SeriesAnalyzer.h) and the trend
// chart's reduction of it to pixel columns (app/TrendChart.h) run on one each, so the GUI
// thread only draws.
//
// The owner asks with Request and picks the result up with Take; neither ever waits for the
// work.  Requests made while the worker is busy are merged: only the newest is done next, so
// the worker never falls behind and the owner decides the rate.  `done`, when given, is called
// on the worker thread after each result is stored, with no lock held (the trend chart posts
// itself an event from it); it must not call back into the worker.
//
// Ownership and locks: FLock guards FRequest, FResult, FBusy and FStop, and is held only to
// move them in or out; the worker holds no lock while it works, so whatever locks the work
// takes (a series store's, inside View()) are never held together with FLock.  The result
// belongs to the worker until Take moves it out; the request's resources (a view of a store)
// are let go before FLock is taken again.
// Priority: with a nice value above 0 the worker yields to the thread that made it, so that
// thread gets the CPU first on a busy machine (where permitted; else it runs as it is).
// Shut-down: the destructor sets FStop under FLock, wakes the worker and joins it; work in
// progress finishes first, and `done` is not called after the destructor returns.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

// Raises the calling thread's nice value to at least `nice` (Linux: per thread).
void LowerThisThreadsPriority(int nice);

template <class TRequest, class TResult>
class TNewestWorker {
 public:
  using TWork = std::function<TResult(TRequest&)>;
  using TDone = std::function<void()>;

  explicit TNewestWorker(TWork work, int nice = 0, TDone done = {})
      : FWork(std::move(work)), FDone(std::move(done)), FNice(nice), FThread([this] { Run(); }) {}
  ~TNewestWorker() {
    {
      const std::lock_guard<std::mutex> lock(FLock);
      FStop = true;
    }
    FWake.notify_one();
    FThread.join();
  }
  TNewestWorker(const TNewestWorker&) = delete;
  TNewestWorker& operator=(const TNewestWorker&) = delete;

  // Asks for the work on `request`; a request not yet started is replaced.  Any thread.
  void Request(TRequest request) {
    {
      const std::lock_guard<std::mutex> lock(FLock);
      FRequest = std::move(request);
    }
    FWake.notify_one();
  }
  // The newest finished result not yet taken.  Any thread.
  std::optional<TResult> Take() {
    const std::lock_guard<std::mutex> lock(FLock);
    std::optional<TResult> result = std::move(FResult);
    FResult.reset();
    return result;
  }
  // Whether a request is waiting or being worked on.  Any thread.
  bool Busy() const {
    const std::lock_guard<std::mutex> lock(FLock);
    return FBusy || FRequest.has_value();
  }
  // Waits until every request made so far is done (tests and benchmarks).
  void WaitIdle() {
    std::unique_lock<std::mutex> lock(FLock);
    FIdle.wait(lock, [this] { return !FBusy && !FRequest; });
  }

 private:
  void Run() {
    if (FNice > 0) LowerThisThreadsPriority(FNice);
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
      FWake.wait(lock, [this] { return FStop || FRequest.has_value(); });
      if (FStop) return;
      std::optional<TRequest> request = std::move(FRequest);
      FRequest.reset();
      FBusy = true;
      lock.unlock();
      TResult result = FWork(*request);
      request.reset();  // what it holds goes with its last owner, outside the lock
      lock.lock();
      FResult = std::move(result);
      FBusy = false;
      if (!FRequest) FIdle.notify_all();
      if (FDone) {
        lock.unlock();
        FDone();
        lock.lock();
      }
    }
  }

  const TWork FWork;
  const TDone FDone;
  const int FNice;
  mutable std::mutex FLock;
  std::condition_variable FWake;  // the worker: a request or stop
  std::condition_variable FIdle;  // WaitIdle: the worker ran out of requests
  std::optional<TRequest> FRequest;
  std::optional<TResult> FResult;
  bool FBusy = false;  // the worker is working
  bool FStop = false;
  std::thread FThread;  // last: started once the fields above exist
};
