#include "app/KeyPanel.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/Colors.h"

TKeyPanel::TKeyPanel(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  setCursor(Qt::PointingHandCursor);
}

void TKeyPanel::SetLit(bool lit) {
  if (lit == FLit) return;
  FLit = lit;
  update();
}

namespace {

// Top-left edge in `light`, bottom-right edge in `dark`, one pixel wide.
void DrawEdge(QPainter& p, const QRect& r, const QColor& light, const QColor& dark) {
  p.setPen(light);
  p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
  p.setPen(dark);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

}  // namespace

void TKeyPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  if (FLit) {
    // The client edge of a bordered window: a two-pixel sunken frame, so a lit key reads as
    // pressed in; its face takes the shade of a pressed button.
    DrawEdge(p, r, kBtnShadow, kBtnHighlight);
    r.adjust(1, 1, -1, -1);
    DrawEdge(p, r, kDarkShadow, kBtnLight);
    r.adjust(1, 1, -1, -1);
    p.fillRect(r, kBtnPressed);
  } else {
    p.fillRect(r, kBtnFace);
  }
  DrawEdge(p, r, kBtnHighlight, kBtnShadow);
}

void TKeyPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FPressed = true;
  QFrame::mousePressEvent(event);
}

void TKeyPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    FPressed = true;
    FSecondOfDouble = true;
    emit DblClick();
  }
}

void TKeyPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QFrame::mouseReleaseEvent(event);
  const bool wasPressed = FPressed;
  const bool secondOfDouble = FSecondOfDouble;
  FPressed = false;
  FSecondOfDouble = false;
  if (wasPressed && !secondOfDouble && rect().contains(event->position().toPoint())) emit Click();
}
