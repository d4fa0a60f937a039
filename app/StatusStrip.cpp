#include "app/StatusStrip.h"

#include <QHBoxLayout>
#include <QLabel>

TStatusStrip::TStatusStrip(QWidget* strip, const QWidget* clock) : QWidget(strip), FRow(new QHBoxLayout(this)) {
  setObjectName(QStringLiteral("StatusStrip"));
  FRow->setContentsMargins(0, 0, 0, 0);
  FRow->setSpacing(16);
  FRow->addStretch(1);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  const int left = 8;
  const int height = qMax(clock->height(), fontMetrics().height());
  setGeometry(left, clock->y() + (clock->height() - height) / 2, clock->x() - 8 - left, height);
}

QLabel* TStatusStrip::AddSegment(const QString& name) {
  auto* segment = new QLabel(this);
  segment->setObjectName(name);
  segment->setTextFormat(Qt::RichText);
  segment->hide();
  FRow->insertWidget(FRow->count() - 1, segment);  // before the stretch
  return segment;
}

void TStatusStrip::SetSegmentText(QLabel* segment, const QString& text) {
  segment->setText(text);
  segment->setVisible(!text.isEmpty());
}
