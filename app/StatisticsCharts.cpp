#include "app/StatisticsCharts.h"

#include <QGraphicsScene>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QGraphicsPathItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QPainterPath>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "app/PanelLanguage.h"
#include "measure/AxisTicks.h"

namespace {

constexpr int kHistogramTicks = 4;
constexpr int kHistogramDigits = 5;  // labels longer than this give offsets
constexpr int kCountTicks = 5;
constexpr qreal kCapHalfWidth = 3;

QChart* NewChart(const QString& title) {
  QChart* c = new QChart;
  c->legend()->hide();
  c->setTitle(title);
  c->setMargins(QMargins(4, 4, 4, 4));
  // The axes' figures as the reader's language writes numbers (the default locale); a format
  // without a precision (%g, %d) then gives no label at all.
  c->setLocale(QLocale());
  c->setLocalizeNumbers(true);
  return c;
}

// Whole decades around [low, high], so the log axis shows its grid at powers of ten.
std::pair<double, double> Decades(double low, double high) {
  return {std::pow(10.0, std::floor(std::log10(low))), std::pow(10.0, std::ceil(std::log10(high)))};
}

QString LegendName(TDeviationKind kind) {
  switch (kind) {
    case dvAdev: return TAdevPlot::tr("ADEV");
    case dvOadev: return TAdevPlot::tr("OADEV");
    case dvMdev: return TAdevPlot::tr("MDEV");
    case dvTdev: return TAdevPlot::tr("TDEV");
    case dvHdev: return TAdevPlot::tr("HDEV");
    case dvOhdev: return TAdevPlot::tr("OHDEV");
  }
  return {};
}

}  // namespace

QString SetPrefixedTicks(QCategoryAxis* axis, double min, double max, int ticks, const QString& unit, int maxDigits) {
  const std::string u = unit.toStdString();
  TAxisTicks t = LinearTicks(min, max, ticks, u);
  // The significant digits a label needs: those of the largest value down to the step's.
  const double scaledMax = std::max(std::fabs(t.Min), std::fabs(t.Max)) / t.Prefix.Factor;
  const int digits = (scaledMax >= 1 ? static_cast<int>(std::floor(std::log10(scaledMax))) + 1 : 1) + t.Decimals;
  double origin = 0;
  QString title = unit.isEmpty() ? QString() : ShownUnit(t.Prefix.Symbol + u);
  if (digits > maxDigits) {
    // Offsets from a round value near the middle, on a grid ten steps wide.
    const double grid = 10 * LinearTicks(min, max, ticks, u, false).Step;
    origin = std::round((min + max) / 2 / grid) * grid;
    t = LinearTicks(min - origin, max - origin, ticks, u);
    title = TAdevPlot::tr("%1 from %2")
                .arg(unit.isEmpty() ? QString() : ShownUnit(t.Prefix.Symbol + u), ShownFigure(SiText(origin, u, digits)));
  }
  // Counting steps, not adding them up, keeps the ticks on round values.
  QStringList labels;
  QList<double> values;
  const double first = t.First / t.Step;
  for (int k = 0; k <= 4 * ticks + 4; ++k) {
    const double value = (first + k) * t.Step;
    if (value > t.Max + t.Step * 1e-9) break;
    labels.append(ShownFigure(TickLabel(t, value)));
    values.append(origin + value);
  }
  // Every change of a category lays the axis out anew, its labels as text documents: a chart
  // that follows its data keeps the ticks it has while they stay the same.
  bool same = axis->categoriesLabels() == labels && axis->startValue() == origin + t.Min - t.Step;
  for (qsizetype k = 0; same && k < labels.size(); ++k) same = axis->endValue(labels[k]) == values[k];
  if (!same) {
    for (const QString& label : axis->categoriesLabels()) axis->remove(label);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setStartValue(origin + t.Min - t.Step);
    for (qsizetype k = 0; k < labels.size(); ++k) axis->append(labels[k], values[k]);
  }
  if (axis->min() != origin + t.Min || axis->max() != origin + t.Max) axis->setRange(origin + t.Min, origin + t.Max);
  return title;
}

TAdevPlot::TAdevPlot(QWidget* parent)
    : QChartView(parent), FAxisX(new QLogValueAxis), FAxisY(new QLogValueAxis), FAxisTime(new QLogValueAxis) {
  setObjectName(QStringLiteral("AdevPlot"));
  QChart* c = NewChart(tr("Frequency stability"));
  FAxisX->setTitleText(tr("\u03C4, s"));
  FAxisY->setTitleText(tr("\u03C3y(\u03C4)"));
  FAxisTime->setTitleText(tr("TDEV \u03C3x(\u03C4), s"));
  for (QLogValueAxis* a : {FAxisX, FAxisY, FAxisTime}) {
    a->setLabelFormat(QStringLiteral("%.6g"));  // localized labels need the precision written out
    a->setMinorTickCount(-1);
  }
  c->addAxis(FAxisX, Qt::AlignBottom);
  c->addAxis(FAxisY, Qt::AlignLeft);
  c->addAxis(FAxisTime, Qt::AlignRight);
  FAxisTime->setVisible(false);
  for (std::size_t k = 0; k < kDeviationKinds; ++k) {
    const auto kind = static_cast<TDeviationKind>(k);
    TCurve& curve = FCurves[k];
    curve.Line = new QLineSeries;
    curve.Line->setName(LegendName(kind));
    curve.Line->setPointsVisible(true);
    curve.Line->setMarkerSize(6);
    c->addSeries(curve.Line);
    curve.Line->attachAxis(FAxisX);
    curve.Line->attachAxis(kind == dvTdev ? FAxisTime : FAxisY);
    curve.Line->setVisible(false);
    curve.Bars = new QGraphicsPathItem(c);
    curve.Bars->setPen(QPen(curve.Line->color(), 1));
    curve.Bars->setZValue(10);
  }
  // The legend under the plot, small: six names must fit a narrow chart.
  c->legend()->setAlignment(Qt::AlignBottom);
  QFont small = c->legend()->font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  c->legend()->setFont(small);
  c->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
  FAxisX->setRange(0.1, 10);
  FAxisY->setRange(1e-9, 1e-5);
  FAxisTime->setRange(1e-9, 1e-5);
  setChart(c);
  // Charts change their items on every update: a scene index would be rebuilt each time.
  scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
  setRenderHint(QPainter::Antialiasing);
  connect(c, &QChart::plotAreaChanged, this, [this] { DrawErrorBars(); });
}

void TAdevPlot::SetCurves(const TStabilityResult& result) {
  double tauLow = INFINITY, tauHigh = 0;
  double low[2] = {INFINITY, INFINITY}, high[2] = {0, 0};  // fractions, seconds
  int shown = 0;
  bool changed = false;
  for (std::size_t k = 0; k < kDeviationKinds; ++k) {
    TCurve& curve = FCurves[k];
    curve.Points.clear();
    QList<QPointF> line;
    const int axis = k == dvTdev ? 1 : 0;
    for (const TDeviationPoint& p : result.Curves[k]) {
      if (!(p.Value > 0) || !(p.TauS > 0)) continue;
      curve.Points.push_back(p);
      line.append(QPointF(p.TauS, p.Value));
      tauLow = std::min(tauLow, p.TauS);
      tauHigh = std::max(tauHigh, p.TauS);
      low[axis] = std::min(low[axis], p.Low > 0 ? p.Low : p.Value);
      high[axis] = std::max(high[axis], std::isfinite(p.High) ? p.High : p.Value);
    }
    curve.Line->replace(line);
    const bool visible = !line.isEmpty();
    // Showing or hiding a series lays the chart out anew: only when that changes.
    if (curve.Line->isVisible() != visible) {
      curve.Line->setVisible(visible);
      changed = true;
    }
    shown += visible;
  }
  if (changed) {
    // A legend once more than one deviation is drawn, without the hidden ones.
    chart()->legend()->setVisible(shown > 1);
    for (const TCurve& curve : FCurves)
      for (QLegendMarker* m : chart()->legend()->markers(curve.Line)) m->setVisible(curve.Line->isVisible());
    FAxisTime->setVisible(!FCurves[dvTdev].Points.empty());
  }
  if (shown > 0) {
    // Ranges are set only when they change: each change lays the axis out anew.
    const auto setRange = [](QLogValueAxis* axis, std::pair<double, double> range) {
      if (axis->min() != range.first || axis->max() != range.second) axis->setRange(range.first, range.second);
    };
    setRange(FAxisX, Decades(tauLow / 1.5, tauHigh * 1.5));
    QLogValueAxis* axes[2] = {FAxisY, FAxisTime};
    for (int a = 0; a < 2; ++a)
      if (high[a] > 0) setRange(axes[a], Decades(low[a] / 1.5, high[a] * 1.5));
  }
  DrawErrorBars();
}

void TAdevPlot::DrawErrorBars() {
  const QRectF area = chart()->plotArea();
  for (TCurve& curve : FCurves) {
    QPainterPath path;
    for (const TDeviationPoint& p : curve.Points) {
      if (!(p.Low > 0) || !std::isfinite(p.High)) continue;
      QPointF top = chart()->mapToPosition(QPointF(p.TauS, p.High), curve.Line);
      QPointF bottom = chart()->mapToPosition(QPointF(p.TauS, p.Low), curve.Line);
      top.setY(std::max(top.y(), area.top()));
      bottom.setY(std::min(bottom.y(), area.bottom()));
      path.moveTo(bottom);
      path.lineTo(top);
      for (const QPointF& end : {top, bottom}) {
        path.moveTo(end.x() - kCapHalfWidth, end.y());
        path.lineTo(end.x() + kCapHalfWidth, end.y());
      }
    }
    curve.Bars->setPath(path);
    curve.Bars->setVisible(curve.Line->isVisible());
  }
}

std::vector<QLineF> TAdevPlot::ErrorBars(TDeviationKind kind) const {
  // Each bar is three strokes in the path: the bar, then its two caps.
  std::vector<QLineF> bars;
  const QPainterPath& path = FCurves[kind].Bars->path();
  for (int i = 0; i + 1 < path.elementCount(); i += 6) bars.emplace_back(path.elementAt(i), path.elementAt(i + 1));
  return bars;
}

THistogramChart::THistogramChart(QWidget* parent)
    : QChartView(parent), FOutline(new QLineSeries), FAxisX(new QCategoryAxis), FAxisY(new QValueAxis) {
  setObjectName(QStringLiteral("HistogramChart"));
  QChart* c = NewChart(tr("Histogram"));
  auto* bars = new QAreaSeries(FOutline);
  FOutline->setParent(bars);  // an area series does not own its line
  c->addSeries(bars);
  FAxisY->setTitleText(tr("count"));
  FAxisY->setLabelFormat(QStringLiteral("%.0f"));  // a localized label takes no %d
  // Readings of nine digits, four of them under a narrow chart.
  QFont small = FAxisX->labelsFont();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  FAxisX->setLabelsFont(small);
  FAxisY->setTickType(QValueAxis::TicksDynamic);
  FAxisY->setTickAnchor(0);
  c->addAxis(FAxisX, Qt::AlignBottom);
  c->addAxis(FAxisY, Qt::AlignLeft);
  bars->attachAxis(FAxisX);
  bars->attachAxis(FAxisY);
  setChart(c);
  // Charts change their items on every update: a scene index would be rebuilt each time.
  scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
}

void THistogramChart::SetHistogram(const THistogram& histogram, const QString& unit) {
  QList<QPointF> outline;
  std::int64_t most = 0;
  for (std::size_t i = 0; i < histogram.Counts.size(); ++i) {
    const double left = histogram.First + static_cast<double>(i) * histogram.Width;
    const auto count = static_cast<double>(histogram.Counts[i]);
    outline.append(QPointF(left, count));
    outline.append(QPointF(left + histogram.Width, count));
    most = std::max(most, histogram.Counts[i]);
  }
  FOutline->replace(outline);
  if (outline.isEmpty()) return;
  FAxisX->setTitleText(SetPrefixedTicks(FAxisX, outline.front().x(), outline.back().x(), kHistogramTicks, unit, kHistogramDigits));
  // Round whole steps from 0 to just above the highest bar.
  const TAxisTicks counts = CountTicks(static_cast<double>(most), kCountTicks);
  FAxisY->setTickInterval(counts.Step);
  FAxisY->setRange(0, counts.Max);
}
