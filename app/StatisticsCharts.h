// The Measurements window's two smaller charts: the Allan deviation against tau on log-log
// axes, and the histogram of the series.  Both show what the window's worker worked out last
// (measure/SeriesAnalysis.h).  GUI thread only.
#pragma once

#include <QChartView>

#include <vector>

#include "measure/StabilityAnalysis.h"
#include "measure/Histogram.h"

class QLineSeries;
class QLogValueAxis;
class QScatterSeries;
class QValueAxis;

class TAdevPlot : public QChartView {
  Q_OBJECT

 public:
  explicit TAdevPlot(QWidget* parent = nullptr);
  // Points with a deviation of 0 have no place on a log axis and are left out.
  void SetPoints(const std::vector<TDeviationPoint>& points);
  QLineSeries* Line() const { return FLine; }

 private:
  QLineSeries* FLine;
  QScatterSeries* FDots;
  QLogValueAxis* FAxisX;
  QLogValueAxis* FAxisY;
};

class THistogramChart : public QChartView {
  Q_OBJECT

 public:
  explicit THistogramChart(QWidget* parent = nullptr);
  void SetHistogram(const THistogram& histogram, const QString& unit);
  // The outline of the bars: two points per bin, at its edges, at its count.
  QLineSeries* Outline() const { return FOutline; }

 private:
  QLineSeries* FOutline;
  QValueAxis* FAxisX;
  QValueAxis* FAxisY;
};
