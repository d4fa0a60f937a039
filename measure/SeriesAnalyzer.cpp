#include "measure/SeriesAnalyzer.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace {

// The worker yields to the thread that shows the series: on a busy machine an analysis of a
// million points must not take the CPU the window needs to stay responsive.  Linux takes a
// thread's id for a nice value of its own; where that is not permitted it runs as it is.
constexpr int kWorkerNice = 10;

void LowerThisThreadsPriority() {
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  const int now = getpriority(PRIO_PROCESS, tid);
  setpriority(PRIO_PROCESS, tid, std::max(now, kWorkerNice));
}

}  // namespace

TSeriesAnalyzer::TSeriesAnalyzer() : FThread([this] { Run(); }) {}

TSeriesAnalyzer::~TSeriesAnalyzer() {
  {
    const std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  FWake.notify_one();
  FThread.join();
}

void TSeriesAnalyzer::Request(TSeriesRequest request) {
  {
    const std::lock_guard<std::mutex> lock(FLock);
    FRequest = std::move(request);
  }
  FWake.notify_one();
}

std::optional<TSeriesResult> TSeriesAnalyzer::Take() {
  const std::lock_guard<std::mutex> lock(FLock);
  std::optional<TSeriesResult> result = std::move(FResult);
  FResult.reset();
  return result;
}

bool TSeriesAnalyzer::Busy() const {
  const std::lock_guard<std::mutex> lock(FLock);
  return FBusy || FRequest.has_value();
}

void TSeriesAnalyzer::WaitIdle() {
  std::unique_lock<std::mutex> lock(FLock);
  FIdle.wait(lock, [this] { return !FBusy && !FRequest; });
}

void TSeriesAnalyzer::Run() {
  LowerThisThreadsPriority();
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FWake.wait(lock, [this] { return FStop || FRequest.has_value(); });
    if (FStop) return;
    TSeriesRequest request = std::move(*FRequest);
    FRequest.reset();
    FBusy = true;
    lock.unlock();
    const std::size_t runFirst = std::min(request.RunFirst, request.First);
    TSeriesResult result{request.Series, AnalyzeSeries(request.Store->View().From(runFirst), request.First - runFirst,
                                                       request.Settings)};
    // The store goes with its last owner; that is not worth holding the lock for.
    request.Store.reset();
    lock.lock();
    FResult = std::move(result);
    FBusy = false;
    if (!FRequest) FIdle.notify_all();
  }
}
