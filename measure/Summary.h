// The summary of a run of measurements: moments of the si_values of the current series and the
// one-line JSON object the headless logger prints at its end.
//
// A series holds values of one kind only: it starts afresh when the mode, the unit or the
// averaging time changes, so hertz and seconds, or readings of different resolution, are never
// mixed.  Measurements without a value (blank, "Error") are left out.
#pragma once

#include <string>

#include "measure/Measurement.h"
#include "measure/RunningMoments.h"

class TSeriesSummary {
 public:
  // Takes the measurement into the series (a new series when its kind differs).
  void Add(const TMeasurement& m);

  const TRunningMoments& Moments() const { return FMoments; }
  TDisplayUnit Unit() const { return FUnit; }
  // {"count":N,"unit":"Hz","mean":..,"std":..,"min":..,"max":..,"adev":[]} with null for a
  // figure the series cannot give (an empty series; std of one value).  "adev" is the place of
  // the Allan deviation points [[tau_s, value], ...]; they are not computed yet.
  std::string Json() const;

 private:
  bool FStarted = false;
  TMeasureMode FMode = mmNone;
  TDisplayUnit FUnit = duNone;
  int FGateMs = 0;
  TRunningMoments FMoments;
};
