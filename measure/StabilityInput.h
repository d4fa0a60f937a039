// What a reading means for the stability analysis, and the readings of one or more segments
// made into the series the deviations take (measure/StabilityData.h).
//
// - Frequency (F), ratio (A/B), the counter's self-test and readings of no known mode are
//   frequency-like: y = f / f_nominal - 1.
// - Period (T) is frequency-like with the sign turned, since a longer period is a lower
//   frequency: y = -(T / T_nominal - 1).
// - Time interval (t) is phase: x = the reading in seconds (less the segment's mean, which no
//   difference sees).
// f_nominal is each segment's mean unless one is given (a segment may be another input).
// Fractional values (a file of numbers other programs wrote) are taken as y as they stand.
//
// The points go onto a grid of tau0 (the median spacing of their times unless given): each
// spacing counts round(spacing / tau0) steps, at least one, and the steps without a reading
// are missing points, as is one point between segments, so no term bridges a lost gate or a
// change of segment.  Counting each spacing on its own keeps a tau0 a little off the true
// one from adding up to false gaps; a reading that came late (a long spacing, then one of
// less than half a step) is no gap either.  Plain functions: any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "measure/Measurement.h"
#include "measure/StabilityData.h"

enum TReadingMeaning : unsigned char { rmFrequency, rmPeriod, rmPhase };
TReadingMeaning ReadingMeaning(TMeasureMode mode);
// "frequency", "period", "phase".
const char* ReadingMeaningName(TReadingMeaning meaning);

struct TReadingPoint {
  double Seconds = 0;  // since any fixed moment; must not decrease within a segment
  double Value = 0;    // in SI units (Hz, s) or as a fraction; NaN: a reading left out (flagged)
};
using TReadingSegment = std::vector<TReadingPoint>;

struct TInputOptions {
  // The readings of a segment follow one another without a gap (the measurement stream's
  // segments): one step each, a reading left out is one missing point, and tau0 is their mean
  // spacing (times are a frame late at worst, so the mean is the gate's, where a median could
  // be a frame period's).  Otherwise gaps are told from the times, as below.
  bool Consecutive = false;
  std::optional<double> Tau0S;
  std::optional<double> Nominal;
  bool Fractional = false;  // the values are fractional frequencies already
  bool RemoveDrift = false;
};

// What the preparation found, for the reports.
struct TInputFacts {
  TReadingMeaning Meaning = rmFrequency;
  double Tau0S = 0;
  double Nominal = 0;           // the one given or the only segment's mean; NaN: one per
                                // segment, or phase
  std::size_t Readings = 0;     // points taken (not those left out)
  std::size_t Segments = 0;
  std::size_t Missing = 0;      // grid points without one (gaps, segment breaks)
  double DriftPerS = 0;         // fitted linear frequency drift, 1/s; NaN when it cannot be told
  bool DriftRemoved = false;
};

struct TStabilityInput {
  TStabilityData Data;  // with the segments' starts
  TInputFacts Facts;
};

// Empty segments are skipped.  Without a tau0 (given, or from two points of a segment), or
// with a frequency-like nominal of 0, the result has tau0 0 and no values.
TStabilityInput PrepareStabilityInput(std::span<const TReadingSegment> segments, TReadingMeaning meaning,
                                      const TInputOptions& options);

// The median of the spacings between successive points of the segments (not across two), in
// seconds; 0 for none.
double MedianSpacing(std::span<const TReadingSegment> segments);
// Their mean spacing: the segments' spans over their steps; 0 for none.
double MeanSpacing(std::span<const TReadingSegment> segments);
