#include "app/ChartExport.h"

#include <QChartView>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

constexpr int kCaptionMargin = 6;

constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

// The caption's band: as many lines as the chart's width needs (a small chart is narrower
// than the caption's one line).
int CaptionHeight(QChartView* view, const QString& caption) {
  const QRect room(0, 0, view->width() - 2 * kCaptionMargin, 100 * view->height());
  return QFontMetrics(view->font()).boundingRect(room, kCaptionFlags, caption).height() + 2 * kCaptionMargin;
}

// The chart as it is on screen, the caption in a band below it.
void Paint(QPainter& painter, QChartView* view, const QString& caption, int captionHeight) {
  const QRect chart(0, 0, view->width(), view->height());
  painter.fillRect(QRect(0, 0, chart.width(), chart.height() + captionHeight), Qt::white);
  view->render(&painter, chart, view->rect());
  painter.setPen(Qt::black);
  painter.setFont(view->font());
  painter.drawText(QRect(kCaptionMargin, chart.height(), chart.width() - 2 * kCaptionMargin, captionHeight),
                   kCaptionFlags, caption);
}

}  // namespace

bool SaveChartFile(QChartView* view, const QString& path, const QString& caption, QString& error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    error = file.errorString();
    return false;
  }
  const int captionHeight = CaptionHeight(view, caption);
  const QSize size(view->width(), view->height() + captionHeight);
  bool painted = true;
  if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(view->chart() != nullptr ? view->chart()->title() : QString());
    svg.setDescription(caption);
    QPainter painter(&svg);
    Paint(painter, view, caption, captionHeight);
    painted = painter.end();
  } else {
    QImage image(size * view->devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(view->devicePixelRatio());
    QPainter painter(&image);
    Paint(painter, view, caption, captionHeight);
    painter.end();
    painted = image.save(&file, "PNG");
  }
  if (!painted || !file.commit()) {
    error = file.errorString().isEmpty() || file.error() == QFileDevice::NoError ? QCoreApplication::translate("ChartExport", "cannot write the image")
                                                                                : file.errorString();
    return false;
  }
  return true;
}
