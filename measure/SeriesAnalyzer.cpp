#include "measure/SeriesAnalyzer.h"

#include <algorithm>

namespace {

constexpr int kWorkerNice = 10;

TSeriesResult Analyze(TSeriesRequest& request) {
  const std::size_t runFirst = std::min(request.RunFirst, request.First);
  return {request.Series,
          AnalyzeSeries(request.Store->View().From(runFirst), request.First - runFirst, request.Settings)};
}

}  // namespace

TSeriesAnalyzer::TSeriesAnalyzer() : TNewestWorker(Analyze, kWorkerNice) {}
