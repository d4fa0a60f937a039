#include "app/StatisticsCharts.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

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

}  // namespace

TAdevPlot::TAdevPlot(QWidget* parent)
    : QChartView(parent), FLine(new QLineSeries), FDots(new QScatterSeries), FAxisX(new QLogValueAxis),
      FAxisY(new QLogValueAxis) {
  setObjectName(QStringLiteral("AdevPlot"));
  QChart* c = NewChart(tr("Allan deviation"));
  c->addSeries(FLine);
  c->addSeries(FDots);
  FDots->setMarkerSize(7);
  FDots->setColor(FLine->color());
  FAxisX->setTitleText(tr("\u03C4, s"));
  FAxisY->setTitleText(tr("\u03C3y(\u03C4)"));
  for (QLogValueAxis* a : {FAxisX, FAxisY}) {
    a->setLabelFormat(QStringLiteral("%.6g"));  // localized labels need the precision written out
    a->setMinorTickCount(-1);
  }
  c->addAxis(FAxisX, Qt::AlignBottom);
  c->addAxis(FAxisY, Qt::AlignLeft);
  for (QXYSeries* s : std::initializer_list<QXYSeries*>{FLine, FDots}) {
    s->attachAxis(FAxisX);
    s->attachAxis(FAxisY);
  }
  FAxisX->setRange(0.1, 10);
  FAxisY->setRange(1e-9, 1e-5);
  setChart(c);
  setRenderHint(QPainter::Antialiasing);
}

void TAdevPlot::SetPoints(const std::vector<TAdevPoint>& points) {
  QList<QPointF> shown;
  double tauLow = INFINITY, tauHigh = 0, low = INFINITY, high = 0;
  for (const TAdevPoint& p : points) {
    if (!(p.Adev > 0) || !(p.TauS > 0)) continue;
    shown.append(QPointF(p.TauS, p.Adev));
    tauLow = std::min(tauLow, p.TauS);
    tauHigh = std::max(tauHigh, p.TauS);
    low = std::min(low, p.Adev);
    high = std::max(high, p.Adev);
  }
  FLine->replace(shown);
  FDots->replace(shown);
  if (shown.isEmpty()) return;
  const auto [x0, x1] = Decades(tauLow / 1.5, tauHigh * 1.5);
  const auto [y0, y1] = Decades(low / 1.5, high * 1.5);
  FAxisX->setRange(x0, x1);
  FAxisY->setRange(y0, y1);
}

THistogramChart::THistogramChart(QWidget* parent)
    : QChartView(parent), FOutline(new QLineSeries), FAxisX(new QValueAxis), FAxisY(new QValueAxis) {
  setObjectName(QStringLiteral("HistogramChart"));
  QChart* c = NewChart(tr("Histogram"));
  auto* bars = new QAreaSeries(FOutline);
  FOutline->setParent(bars);  // an area series does not own its line
  c->addSeries(bars);
  FAxisX->setLabelFormat(QStringLiteral("%.10g"));
  FAxisX->setTickCount(3);  // room for readings of nine digits
  FAxisY->setTitleText(tr("count"));
  FAxisY->setLabelFormat(QStringLiteral("%.0f"));  // a localized label takes no %d
  c->addAxis(FAxisX, Qt::AlignBottom);
  c->addAxis(FAxisY, Qt::AlignLeft);
  bars->attachAxis(FAxisX);
  bars->attachAxis(FAxisY);
  setChart(c);
}

void THistogramChart::SetHistogram(const THistogram& histogram, const QString& unit) {
  FAxisX->setTitleText(unit);
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
  FAxisX->setRange(outline.front().x(), outline.back().x());
  FAxisY->setRange(0, static_cast<double>(most) * 1.05);
}
