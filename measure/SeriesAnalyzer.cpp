#include "measure/SeriesAnalyzer.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kWorkerNice = 10;

TSeriesResult Analyze(TSeriesRequest& request) {
  const std::size_t runFirst = std::min(request.RunFirst, request.First);
  return {request.Series,
          AnalyzeSeries(request.Store->View().From(runFirst), request.First - runFirst, request.Settings)};
}

}  // namespace

TSeriesAnalyzer::TSeriesAnalyzer(TDone done) : TNewestWorker(Analyze, kWorkerNice, std::move(done)) {}
