#include "app/TrendChart.h"

#include <QGraphicsScene>
#include <QKeyEvent>
#include <QLocale>
#include <QLineSeries>
#include <QScatterSeries>
#include <QMouseEvent>
#include <QTimer>
#include <QCategoryAxis>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <optional>

#include "app/StatisticsCharts.h"
#include "measure/AxisTicks.h"
#include "measure/NewestWorker.h"
#include "measure/SeriesReduction.h"

namespace {

constexpr int kTicksX = 6;
constexpr int kTicksY = 5;
constexpr std::size_t kMostLines = 200;

// A tick every 1, 2 or 5 times a power of ten, about `ticks` of them over [min, max], anchored
// at a multiple of the step, labelled with the decimals the step needs (measure/AxisTicks.h),
// so the labels are short round numbers and never two alike.
//
// The axis lays its ticks out again on every change, from its range and step as they are: a
// step set for a narrow range while the axis still spans a wide one (or the other way round)
// would have it lay out millions of ticks first.  So the step goes first when the range grows
// and the range first when it shrinks.
void SetTimeAxis(QValueAxis* axis, double min, double max, int ticks) {
  if (!(max - min > 0)) return;
  const TAxisTicks t = LinearTicks(min, max, ticks, "s", false);
  const auto setStep = [&] {
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickInterval(t.Step);
    axis->setTickAnchor(t.First);
    axis->setLabelFormat(QString::fromStdString(TickFormat(t)));
  };
  const bool grows = max - min > axis->max() - axis->min();
  if (grows) setStep();
  axis->setRange(min, max);
  if (!grows) setStep();
}

// The end of the time axis of a chart that follows a series whose last point is at `last`:
// the end it has while the point is in it, not far before it; else a little room beyond the
// point.  Each move of the axis lays its labels out anew and repaints the whole chart: so it
// moves once in a while, not with every point.
double FollowingEnd(double last, double end) {
  constexpr double kRoom = 1.0 / 8;
  if (end >= last && end <= last * (1 + 2 * kRoom)) return end;
  return last * (1 + kRoom);
}

}  // namespace

TTrendChart::TTrendChart(QWidget* parent)
    : QChartView(parent), FLine(new QLineSeries), FDots(new QScatterSeries), FAxisX(new QValueAxis), FAxisY(new QCategoryAxis) {
  setObjectName(QStringLiteral("TrendChart"));
  QChart* c = new QChart;
  c->legend()->hide();
  c->setTitle(tr("Trend"));
  // The axes' figures as the reader's language writes numbers (the default locale).
  c->setLocale(QLocale());
  c->setLocalizeNumbers(true);
  c->addSeries(FLine);
  c->addSeries(FDots);
  FDots->setMarkerSize(4);
  FDots->setColor(FLine->color());
  FDots->setBorderColor(FLine->color());
  FAxisX->setTitleText(tr("time, s"));
  c->addAxis(FAxisX, Qt::AlignBottom);
  c->addAxis(FAxisY, Qt::AlignLeft);
  for (QXYSeries* s : std::initializer_list<QXYSeries*>{FLine, FDots}) {
    s->attachAxis(FAxisX);
    s->attachAxis(FAxisY);
  }
  c->setMargins(QMargins(4, 4, 4, 4));
  setChart(c);
  // Charts change their items on every update: a scene index would be rebuilt each time.
  scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
  setRubberBand(QChartView::RectangleRubberBand);
  setRenderHint(QPainter::Antialiasing, false);
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(tr("Wheel: zoom; drag: zoom to a rectangle; Shift+drag or middle drag, arrow keys: pan; "
                "double click or Home: the whole series"));
  connect(FAxisX, &QValueAxis::rangeChanged, this, [this] { UserMovedRange(); });
  connect(FAxisY, &QValueAxis::rangeChanged, this, [this] { UserMovedRange(); });
  // Labels of another width change the plot's width: as many columns as it has pixels.
  connect(c, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
    if (static_cast<int>(area.width()) != FColumns) ScheduleRedraw();
  });
  SetRange(0, 1, 0, 1);
  // The reducer's result is taken on this thread, as soon as its event loop gets to it.
  FReducer = std::make_unique<TTrendReducer>(
      [this] { QMetaObject::invokeMethod(this, [this] { TakePoints(); }, Qt::QueuedConnection); });
}

TTrendChart::~TTrendChart() = default;

void TTrendChart::SetData(const TSeriesView& view, const QString& unit) {
  FView = view;
  FUnit = unit;
  Redraw();
}

void TTrendChart::ResetZoom() {
  FFollowing = true;
  Redraw();
}

QRectF TTrendChart::Range() const {
  return QRectF(QPointF(FAxisX->min(), FAxisY->min()), QPointF(FAxisX->max(), FAxisY->max()));
}

// What the reducer draws from: a view of the series and the range, in pixel columns.
struct TTrendRequest {
  TSeriesView View;
  double X0 = 0, X1 = 1;
  int Columns = 1;
  bool Following = true;
};

// What the chart then shows: a line per segment in view, dots for the rest, and the values'
// range for a chart that follows.
struct TTrendPoints {
  double X0 = 0, X1 = 1;
  bool Following = true;
  std::vector<QList<QPointF>> Lines;
  QList<QPointF> Dots;
  double Low = INFINITY, High = -INFINITY;
};

namespace {

// O(N) in the points in range: on the reducer's thread.
TTrendPoints Reduce(TTrendRequest& r) {
  TTrendPoints t{r.X0, r.X1, r.Following, {}, {}, INFINITY, -INFINITY};
  const std::vector<TChartPoint> points = ReduceToColumns(r.View, r.X0, r.X1, r.Columns);
  // One list of points per segment, in order.
  std::vector<QList<QPointF>> lines;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TChartPoint& p = points[i];
    if (i == 0 || p.Segment != points[i - 1].Segment) lines.emplace_back();
    lines.back().append(QPointF(p.X, p.Y));
    if (p.X >= r.X0 && p.X <= r.X1) {
      t.Low = std::min(t.Low, p.Y);
      t.High = std::max(t.High, p.Y);
    }
  }
  for (QList<QPointF>& l : lines) {
    // Past a few hundred segments in view the chart would crawl: the rest go as dots.
    if (l.size() == 1 || t.Lines.size() >= kMostLines) {
      t.Dots.append(l);
    } else {
      t.Lines.push_back(std::move(l));
    }
  }
  return t;
}

}  // namespace

class TTrendReducer : public TNewestWorker<TTrendRequest, TTrendPoints> {
 public:
  explicit TTrendReducer(TDone done) : TNewestWorker(Reduce, 0, std::move(done)) {}
};

void TTrendChart::Redraw() {
  FRedrawPending = false;
  const int columns = std::max(1, static_cast<int>(chart()->plotArea().width()));
  FColumns = columns;
  double x0 = FAxisX->min(), x1 = FAxisX->max();
  if (FFollowing) {
    x0 = 0;
    const double last = FView.Size() > 1 ? FView.Seconds(FView.Size() - 1) : 1;
    x1 = last > x0 ? FollowingEnd(last, FAxisX->min() == x0 ? FAxisX->max() : -1) : x0 + 1;
  }
  FReducer->Request({FView, x0, x1, columns, FFollowing});
}

bool TTrendChart::TakePoints() {
  std::optional<TTrendPoints> t = FReducer->Take();
  if (!t) return false;
  FLine->replace(t->Lines.empty() ? QList<QPointF>() : t->Lines.front());
  for (std::size_t i = 1; i < t->Lines.size(); ++i) {
    if (FMoreLines.size() < i) {
      auto* more = new QLineSeries;
      chart()->addSeries(more);
      more->attachAxis(FAxisX);
      more->attachAxis(FAxisY);
      more->setPen(FLine->pen());
      FMoreLines.push_back(more);
    }
    FMoreLines[i - 1]->replace(t->Lines[i]);
  }
  for (std::size_t i = t->Lines.empty() ? 0 : t->Lines.size() - 1; i < FMoreLines.size(); ++i) FMoreLines[i]->clear();
  FDots->replace(t->Dots);
  // A range the user chose meanwhile stays; its own points are on the way.
  if (t->Following && FFollowing) {
    double low = t->Low, high = t->High;
    if (!(high >= low)) {
      low = 0;
      high = 1;
    }
    // A margin of a twentieth, and some height for a steady signal.
    const double margin = high > low ? (high - low) / 20 : std::max(std::fabs(high) * 1e-9, 1e-12);
    SetRange(t->X0, t->X1, low - margin, high + margin);
  }
  return true;
}

void TTrendChart::WaitForPoints() {
  FReducer->WaitIdle();
  TakePoints();
}

int TTrendChart::PointCount() const {
  int count = static_cast<int>(FLine->count() + FDots->count());
  for (const QLineSeries* l : FMoreLines) count += static_cast<int>(l->count());
  return count;
}

int TTrendChart::LineCount() const {
  int count = FLine->count() > 0 ? 1 : 0;
  for (const QLineSeries* l : FMoreLines) count += l->count() > 0 ? 1 : 0;
  return count;
}

void TTrendChart::SetRange(double x0, double x1, double y0, double y1) {
  FSettingRange = true;
  SetTimeAxis(FAxisX, x0, x1, kTicksX);
  SetValueAxis(y0, y1);
  FSettingRange = false;
}

void TTrendChart::SetValueAxis(double y0, double y1) {
  if (!(y1 - y0 > 0)) return;
  FAxisY->setTitleText(SetPrefixedTicks(FAxisY, y0, y1, kTicksY, FUnit));
}

void TTrendChart::UserMovedRange() {
  if (FSettingRange) return;
  FFollowing = false;
  // The chart has moved the range already (zooming out by a few wheel steps at most multiplies
  // the ticks by a few): round steps for it.
  FSettingRange = true;
  SetTimeAxis(FAxisX, FAxisX->min(), FAxisX->max(), kTicksX);
  SetValueAxis(FAxisY->min(), FAxisY->max());
  FSettingRange = false;
  ScheduleRedraw();
}

void TTrendChart::ScheduleRedraw() {
  // A zoom moves both axes: draw once, after both.
  if (FRedrawPending) return;
  FRedrawPending = true;
  QTimer::singleShot(0, this, [this] {
    if (FRedrawPending) Redraw();
  });
}

void TTrendChart::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  const double factor = std::pow(0.8, steps);  // forward: closer
  const QRectF area = chart()->plotArea();
  const QPointF at = event->position() - area.topLeft();
  // Around the pointer: the point under it stays where it is.
  QRectF zoomed(0, 0, area.width() * factor, area.height() * factor);
  zoomed.moveTopLeft(QPointF(at.x() * (1 - factor), at.y() * (1 - factor)) + area.topLeft());
  chart()->zoomIn(zoomed);
  event->accept();
}

void TTrendChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton ||
      (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier))) {
    FPanning = true;
    FPanFrom = event->position();
    event->accept();
    return;
  }
  QChartView::mousePressEvent(event);
}

void TTrendChart::mouseMoveEvent(QMouseEvent* event) {
  if (FPanning) {
    const QPointF delta = event->position() - FPanFrom;
    FPanFrom = event->position();
    chart()->scroll(-delta.x(), delta.y());
    event->accept();
    return;
  }
  QChartView::mouseMoveEvent(event);
}

void TTrendChart::mouseReleaseEvent(QMouseEvent* event) {
  if (FPanning) {
    FPanning = false;
    event->accept();
    return;
  }
  // The chart view zooms out on a right click; the window's menu is the place for that.
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QChartView::mouseReleaseEvent(event);
}

void TTrendChart::mouseDoubleClickEvent(QMouseEvent* event) {
  ResetZoom();
  event->accept();
}

void TTrendChart::keyPressEvent(QKeyEvent* event) {
  const qreal step = chart()->plotArea().width() / 10;
  switch (event->key()) {
    case Qt::Key_Left: chart()->scroll(-step, 0); break;
    case Qt::Key_Right: chart()->scroll(step, 0); break;
    case Qt::Key_Up: chart()->scroll(0, step); break;
    case Qt::Key_Down: chart()->scroll(0, -step); break;
    case Qt::Key_Home: ResetZoom(); break;
    default:
      QChartView::keyPressEvent(event);
      return;
  }
  event->accept();
}

