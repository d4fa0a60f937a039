#include "app/StatusStrip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QPainter>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

namespace {

// The text's runs of one colour each, in order.
struct TRun {
  QString Text;
  QColor Colour;
};

QList<TRun> Runs(const QString& richText, const QColor& plain) {
  QTextDocument document;
  document.setHtml(richText);
  QList<TRun> runs;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QTextCharFormat format = fragment.charFormat();
      QString text = fragment.text();
      text.replace(QChar::Nbsp, QLatin1Char(' '));
      runs.push_back({text, format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : plain});
    }
  }
  return runs;
}

}  // namespace

TStripSegment::TStripSegment(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::RichText); }

QString TStripSegment::PlainText() const {
  QString text;
  for (const TRun& run : Runs(this->text(), palette().color(QPalette::WindowText))) text += run.Text;
  return text;
}

QSize TStripSegment::sizeHint() const {
  return {fontMetrics().horizontalAdvance(PlainText()), fontMetrics().height()};
}

// Room for a few letters and the ellipsis: no segment vanishes for want of room.
QSize TStripSegment::minimumSizeHint() const {
  return {qMin(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("COM2\u2026"))), fontMetrics().height()};
}

bool TStripSegment::Elided() const { return width() < sizeHint().width(); }

void TStripSegment::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int baseline = (height() - metrics.height()) / 2 + metrics.ascent();
  const bool elide = Elided();
  const int ellipsis = metrics.horizontalAdvance(QChar(0x2026));
  int x = 0;
  for (const TRun& run : Runs(text(), palette().color(QPalette::WindowText))) {
    painter.setPen(run.Colour);
    const int room = width() - x;
    const int needed = metrics.horizontalAdvance(run.Text);
    if (elide && needed > room - ellipsis) {
      painter.drawText(x, baseline, metrics.elidedText(run.Text, Qt::ElideRight, room));
      return;
    }
    painter.drawText(x, baseline, run.Text);
    x += needed;
  }
}

// The whole text when it does not fit, above what the feature says of it.
bool TStripSegment::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QLabel::event(event);
  QString tip = toolTip();
  const QString whole = PlainText();
  if (Elided() && !tip.startsWith(whole)) tip = tip.isEmpty() ? whole : whole + QLatin1Char('\n') + tip;
  if (tip.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
  }
  return true;
}

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
  auto* segment = new TStripSegment(this);
  segment->setObjectName(name);
  segment->hide();
  // Segments shrink alike when the row is short of room; the stretch takes what is left over.
  segment->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  FRow->insertWidget(FRow->count() - 1, segment);  // before the stretch
  return segment;
}

void TStatusStrip::SetSegmentText(QLabel* segment, const QString& text, int transientMs) {
  // The segments are told their text on every tick and frame; laying out rich text anew
  // and the row with it when nothing changed would cost the window most of its idle time.
  if (segment->text() != text || segment->isHidden() != text.isEmpty()) {
    segment->setText(text);
    segment->setVisible(!text.isEmpty());
    segment->updateGeometry();
    segment->update();
  }
  if (transientMs <= 0 || text.isEmpty()) return;
  QTimer::singleShot(transientMs, segment, [segment = QPointer<QLabel>(segment), text] {
    if (segment && segment->text() == text) SetSegmentText(segment, QString());
  });
}

void TStatusStrip::Note(const QString& text) {
  if (FNote == nullptr) FNote = AddSegment(QStringLiteral("Note"));
  SetSegmentText(FNote, text.toHtmlEscaped(), TransientMs);
}
