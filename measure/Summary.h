// The statistics of the current series of measurements and of its current segment.
//
// A series holds measurements of one kind: it starts afresh when the mode, the unit or the
// averaging time of a measurement changes (so hertz and seconds, or readings of different
// resolution, are never mixed), and when the user resets the statistics.  Within a series,
// segments (measure/MeasurementStream.h) are runs of measurements without a gap.  The trend
// chart draws the whole series, broken where a segment begins.  The moments and the histogram
// are of the current segment only, so none of them bridges a gap.  The deviations (Json's and
// the window's, measure/SeriesAnalysis.h) take the segments measured with the current
// segment's settings (RunFirst()) with gap-aware sums, in which no term spans a gap: more
// terms at every tau than one segment has, none of them across a gap (docs/stability.md).
//
// Only trusted measurements (Trusted(), measure/Measurement.h) become points; held and
// overflowed readings and bad frames are counted as left out, per series.
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
  // Takes a frame the measurement stream has judged: a new measurement (a new series when its
  // kind differs; a new segment when its segment does), or a held reading or a bad frame to
  // count as left out.  Anything else is ignored.
  void Add(const TMeasurement& m);
  // Ends the series: the next measurement starts a new one.
  void Reset();
  // Whether every point is kept (the default): the window's figures and the Allan deviation
  // of Json() need them, 20 bytes a measurement.  Without them (a logger asked for no
  // summary) a run of any length takes no more memory; Json() then gives "adev":[].
  void SetKeepPoints(bool keep) { FKeepPoints = keep; }

  // Of the current segment.
  const TRunningMoments& Moments() const { return FMoments; }
  std::uint64_t Segment() const { return FSegment; }          // its id; 0 before the first
  TSegmentCause SegmentCause() const { return FSegmentCause; }  // why it began
  std::int64_t SegmentStartNs() const { return FSegmentStartNs; }  // its first measurement
  std::size_t SegmentFirst() const { return FSegmentFirst; }  // its first point in Store()
  // Segments the series has had (the current one included).
  std::uint64_t SegmentsInSeries() const { return FSegments; }
  // Of the current series.
  const TLeftOut& LeftOut() const { return FLeftOut; }
  TDisplayUnit Unit() const { return FUnit; }
  TMeasureMode Mode() const { return FMode; }
  int GateMs() const { return FGateMs; }
  // The finest step of the readings in the segment (SI units); 0 while empty.
  double Resolution() const { return FResolution; }
  // Counts the series: changes whenever a series starts afresh or is reset.
  std::uint64_t SeriesNumber() const { return FSeriesNumber; }
  // The points of the current series (a new store for each series); the current segment's
  // are those from SegmentFirst() on.
  std::shared_ptr<const TSeriesStore> Store() const { return FStore; }

  // The first point in Store() of the segments measured with the current segment's settings
  // (every key lamp but ПАМЯТЬ, TMeasurement::Settings): the segments since those last
  // changed, whose gates are spaced alike.  The deviations take these.
  std::size_t RunFirst() const { return FRunFirst; }

  // The summary object of measure/AnalysisJson.h: count and the moments of the current
  // segment, the deviations and tau0 of the segments from RunFirst() on, analysed here
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
  std::uint64_t FSegment = 0;
  std::uint64_t FSegments = 0;
  TSegmentCause FSegmentCause = scNone;
  std::int64_t FSegmentStartNs = 0;
  std::size_t FSegmentFirst = 0;
  std::size_t FRunFirst = 0;
  std::uint32_t FRunSettings = 0;
  TLeftOut FLeftOut;
  TRunningMoments FMoments;
  std::shared_ptr<TSeriesStore> FStore = std::make_shared<TSeriesStore>();
};
