// The Measurements window's trend chart: the series' values against time (seconds since its
// first point), drawn from at most two points per pixel column (measure/SeriesReduction.h).  The
// line breaks where a segment begins (a
// lost line, a missing gate, a hold, an overflow): one line per segment in view, a segment of
// a single point drawn as a dot.
//
// Following (the start state): the chart shows the whole series and scrolls on as points come,
// in steps (the time axis ends a little beyond the last point, and moves once points pass it).
// The user zooms with the wheel (around the pointer) or by dragging a rectangle, and pans by
// dragging with the middle button or with Shift held, or with the arrow keys; any of these
// pauses the following, so the zoomed part stays put while points come.  ResetZoom (Home or
// a double click) goes back to the whole series and follows again.  Every change of the range
// draws the points of the new range afresh.
//
// Threads: the reduction, O(N) in the points in range, runs on the chart's own worker
// (measure/NewestWorker.h) over a view of the series' points; the GUI thread only asks for it
// and, from an event the worker posts when done, replaces the series' points with the result
// (O(pixel columns + segments)).  Requests merge: a chart asked faster than its worker reduces
// shows the newest range next.  Every call here is for the GUI thread.
#pragma once

#include <QChartView>
#include <QPointF>

#include <cstddef>
#include <memory>
#include <vector>

#include "measure/SeriesStore.h"

class TTrendReducer;
class QCategoryAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

class TTrendChart : public QChartView {
  Q_OBJECT

 public:
  explicit TTrendChart(QWidget* parent = nullptr);
  ~TTrendChart() override;

  // The series to draw (a view of its points as they are now) and the SI unit of its values,
  // which the value axis shows with a prefix ("MHz", "ns").
  void SetData(const TSeriesView& view, const QString& unit);
  void ResetZoom();
  bool Following() const { return FFollowing; }
  // The range shown: x in seconds, y in the values' unit.
  QRectF Range() const;
  // The line of the first segment in view, and every point drawn now (lines and dots).
  QLineSeries* Line() const { return FLine; }
  QValueAxis* TimeAxis() const { return FAxisX; }
  QCategoryAxis* ValueAxis() const { return FAxisY; }
  int PointCount() const;
  // Lines drawn now: one per segment of two or more points in view.
  int LineCount() const;
  // Draws the current range afresh (what a change of range or of the data calls): asks the
  // reducer, whose points are shown when the event loop next runs.
  void Redraw();
  // Shows the reducer's newest points if it has any not shown yet (what the event loop calls):
  // O(pixel columns + segments in view).  Whether it had.
  bool TakePoints();
  // Waits for the reducer to finish what it was asked and shows its points (tests, benches).
  void WaitForPoints();

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The axes moved by a zoom or pan of the user: stop following, draw the new range later.
  void UserMovedRange();
  void SetRange(double x0, double x1, double y0, double y1);
  void ScheduleRedraw();
  void SetValueAxis(double y0, double y1);

  QLineSeries* FLine;
  std::vector<QLineSeries*> FMoreLines;  // the next segments' lines; those not needed are empty
  QScatterSeries* FDots;
  QValueAxis* FAxisX;
  QCategoryAxis* FAxisY;
  TSeriesView FView;
  QString FUnit;
  bool FFollowing = true;
  bool FSettingRange = false;  // our own change of the axes, not the user's
  bool FRedrawPending = false;
  int FColumns = 0;  // pixel columns of the last reduction
  bool FPanning = false;
  QPointF FPanFrom;
  // Last: it is stopped (and no result of it posted) before anything above goes.
  std::unique_ptr<TTrendReducer> FReducer;
};
