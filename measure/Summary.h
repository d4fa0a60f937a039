// The statistics of the current series of measurements: moments of its si_values (O(1) per
// measurement), every point for the figures that need them all (the Allan deviation, the
// histogram, the trend chart), and the one-line JSON object the headless logger prints at its
// end.
//
// A series holds values of one kind only: it starts afresh when the mode, the unit or the
// averaging time changes, so hertz and seconds, or readings of different resolution, are never
// mixed, and when the user resets the statistics.  Measurements without a value (blank,
// "Error") are left out.
//
// Thread safety: the thread that adds the measurements (the GUI or the logger's main thread)
// owns the summary; other threads get at the points only through Store(), whose views they
// may read while the owner goes on adding (measure/SeriesStore.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "measure/Measurement.h"
#include "measure/RunningMoments.h"
#include "measure/SeriesAnalysis.h"
#include "measure/SeriesStore.h"

class TSeriesSummary {
 public:
  // Takes the measurement into the series (a new series when its kind differs).
  void Add(const TMeasurement& m);
  // Ends the series: the next measurement with a value starts a new one.
  void Reset();
  // Whether every point is kept (the default): the window's figures and the Allan deviation
  // of Json() need them, 16 bytes a measurement.  Without them (a logger asked for no
  // summary) a run of any length takes no more memory; Json() then gives "adev":[].
  void SetKeepPoints(bool keep) { FKeepPoints = keep; }

  const TRunningMoments& Moments() const { return FMoments; }
  TDisplayUnit Unit() const { return FUnit; }
  TMeasureMode Mode() const { return FMode; }
  int GateMs() const { return FGateMs; }
  // The finest step of the readings in the series (SI units); 0 while empty.
  double Resolution() const { return FResolution; }
  // Counts the series: changes whenever a series starts afresh or is reset.
  std::uint64_t SeriesNumber() const { return FSeriesNumber; }
  // The points of the current series (a new store for each series).
  std::shared_ptr<const TSeriesStore> Store() const { return FStore; }

  // The summary object of measure/AnalysisJson.h over the whole series, analysed here
  // (O(N log N)) with `settings` (the series' own mode).
  std::string Json(const TAnalysisSettings& settings = {}) const;

 private:
  void StartSeries();

  bool FStarted = false;
  bool FKeepPoints = true;
  TMeasureMode FMode = mmNone;
  TDisplayUnit FUnit = duNone;
  int FGateMs = 0;
  double FResolution = 0;
  std::uint64_t FSeriesNumber = 0;
  TRunningMoments FMoments;
  std::shared_ptr<TSeriesStore> FStore = std::make_shared<TSeriesStore>();
};
