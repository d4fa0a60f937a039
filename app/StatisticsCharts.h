// The Measurements window's two smaller charts: the chosen stability deviations against tau on
// log-log axes, each point with the error bar of its confidence interval, and the histogram of
// the series.  Both show what the window's worker worked out last (measure/SeriesAnalysis.h).
// GUI thread only.
#pragma once

#include <QChartView>
#include <QLineF>
#include <QString>

#include <array>
#include <vector>

#include "measure/Histogram.h"
#include "measure/StabilityAnalysis.h"

class QCategoryAxis;
class QGraphicsPathItem;
class QLineSeries;
class QLogValueAxis;
class QValueAxis;

class TAdevPlot : public QChartView {
  Q_OBJECT

 public:
  explicit TAdevPlot(QWidget* parent = nullptr);
  // The curves of `result` (the deviations it has), each point with its interval as an error
  // bar.  TDEV, in seconds, has an axis of its own on the right.  Points with a deviation of 0
  // have no place on a log axis and are left out.
  void SetCurves(const TStabilityResult& result);
  // The line of a deviation (hidden while it has no points).
  QLineSeries* Line(TDeviationKind kind = dvOadev) const { return FCurves[kind].Line; }
  // The error bars of a deviation as drawn, from low to high, in chart coordinates.
  std::vector<QLineF> ErrorBars(TDeviationKind kind) const;

 private:
  struct TCurve {
    QLineSeries* Line = nullptr;
    QGraphicsPathItem* Bars = nullptr;
    std::vector<TDeviationPoint> Points;
  };
  void DrawErrorBars();

  std::array<TCurve, kDeviationKinds> FCurves;
  QLogValueAxis* FAxisX;
  QLogValueAxis* FAxisY;
  QLogValueAxis* FAxisTime;  // TDEV, seconds
};

class THistogramChart : public QChartView {
  Q_OBJECT

 public:
  explicit THistogramChart(QWidget* parent = nullptr);
  // Values in SI units (`unit`: "Hz", "s" or none); the axis shows them with an SI prefix.
  void SetHistogram(const THistogram& histogram, const QString& unit);
  // The outline of the bars: two points per bin, at its edges, at its count.
  QLineSeries* Outline() const { return FOutline; }
  QCategoryAxis* ValueAxis() const { return FAxisX; }
  QValueAxis* CountAxis() const { return FAxisY; }

 private:
  QLineSeries* FOutline;
  QCategoryAxis* FAxisX;
  QValueAxis* FAxisY;
};

// Lays the ticks of `axis` over [min, max] in the SI prefix of its values (measure/AxisTicks.h):
// one category per tick, labelled in the prefix, so no two labels repeat; returns the axis's
// title ("MHz").  `unit` is the SI unit as written ("Hz", "s"); labels and title are in the
// reader's language ("МГц", decimal comma in Russian).  Where the labels would need more than `maxDigits` significant digits they
// give the offset from a round value instead, and the title says from which ("Hz from
// 10.00000 MHz").  Shared by the histogram and the trend chart.
QString SetPrefixedTicks(QCategoryAxis* axis, double min, double max, int ticks, const QString& unit, int maxDigits = 15);
