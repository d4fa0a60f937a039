#include "led/ALed.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <array>

#include "led/FloodFill.h"

namespace {

struct TStyleInfo {
  const char* name;
  int width;
  int height;
};

constexpr std::array<TStyleInfo, 6> kStyles{{
    {"ALEDSM", 16, 16},
    {"ALEDLG", 22, 22},
    {"ALEDSQSM", 16, 16},
    {"ALEDSQLG", 22, 22},
    {"ALEDVT", 14, 22},
    {"ALEDHZ", 22, 14},
}};

const TStyleInfo& StyleInfo(TLEDStyle style) {
  return style < kStyles.size() ? kStyles[style] : kStyles[LEDSmall];
}

// The lens of every built-in bitmap is painted in exactly this colour.
constexpr QRgb kLensSurface = qRgb(0, 255, 0);

}  // namespace

const char* LEDStyleResourceName(TLEDStyle style) { return StyleInfo(style).name; }

QSize LEDStyleSize(TLEDStyle style) {
  const TStyleInfo& info = StyleInfo(style);
  return {info.width, info.height};
}

QString LEDResourcePath(const char* name) {
  return QStringLiteral(":/images/%1.bmp").arg(QLatin1String(name));
}

TALed::TALed(QWidget* owner) : QWidget(owner) {
  // The pictures cover the whole control, so nothing needs to be painted beneath them.
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(16, 16);
  BuildPictures();
}

TALed::~TALed() { StopBlink(); }

void TALed::BuildPictures() {
  const TStyleInfo& info = StyleInfo(FLEDStyle);
  resize(info.width, info.height);

  QImage source(LEDResourcePath(info.name));
  if (source.isNull()) {
    // A program built without its bitmaps still shows a plain lamp of the right size.
    source = QImage(info.width, info.height, QImage::Format_RGB32);
    source.fill(Qt::gray);
    source.setPixel(info.width / 2, info.height / 2, kLensSurface);
  }
  // The lens colours need not be among the bitmap's 16, so the pictures are true-colour.
  FLitBitmap = source.convertToFormat(QImage::Format_RGB32);
  FDarkBitmap = FLitBitmap.copy();

  // The control was just given the bitmap's size, so its centre is the bitmap's centre.
  const int cx = width() / 2;
  const int cy = height() / 2;
  FloodFillSurface(FLitBitmap, cx, cy, kLensSurface, ColorToQColor(FTrueColor).rgb());
  FloodFillSurface(FDarkBitmap, cx, cy, kLensSurface, ColorToQColor(FFalseColor).rgb());
}

void TALed::DrawPicture(bool lit) {
  FDarkShown = !lit;
  repaint();
}

void TALed::paintEvent(QPaintEvent*) {
  const QImage& picture = FDarkShown ? FDarkBitmap : FLitBitmap;
  QPainter painter(this);
  painter.drawImage(QRect(0, 0, width(), height()), picture);
  FLastPainted = picture;
  ++FPaintCount;
}

void TALed::SetValue(bool v) {
  if (v == FValue) return;
  FValue = v;
  if (v) {
    DrawPicture(true);
    if (FBlink) StartBlink();
  } else {
    StopBlink();
    DrawPicture(false);
  }
}

void TALed::SetBlink(bool b) {
  if (b == FBlink) return;
  DrawPicture(FValue);
  FBlink = b;
  if (FBlink && FValue) {
    StartBlink();
  } else {
    StopBlink();
  }
}

void TALed::ApplyColor(TColor& field, TColor c) {
  if (c == field) return;
  const bool wasBlinking = FBlink;
  if (wasBlinking) SetBlink(false);
  field = c;
  BuildPictures();
  SetBlink(wasBlinking);
  repaint();
}

void TALed::SetTrueColor(TColor c) { ApplyColor(FTrueColor, c); }

void TALed::SetFalseColor(TColor c) { ApplyColor(FFalseColor, c); }

void TALed::SetLEDStyle(TLEDStyle s) {
  if (s == FLEDStyle) return;
  FLEDStyle = s;
  BuildPictures();
  repaint();
}

void TALed::SetLEDStyleOrdinal(int s) {
  if (s < 0 || s >= static_cast<int>(kStyles.size())) return;
  SetLEDStyle(static_cast<TLEDStyle>(s));
}

void TALed::SetInterval(int ms) {
  FInterval = ms;
  if (!FBlinkTimer) return;
  // A zero interval would make a QTimer fire on every pass of the event loop; here it means a
  // timer that never ticks.
  if (ms > 0) {
    FBlinkTimer->start(ms);
  } else {
    FBlinkTimer->stop();
  }
}

void TALed::StartBlink() {
  if (FBlinkTimer || FDesigning) return;
  FDarkShown = false;
  FBlinkTimer = std::make_unique<QTimer>();
  connect(FBlinkTimer.get(), &QTimer::timeout, this, &TALed::BlinkStep);
  if (FInterval > 0) FBlinkTimer->start(FInterval);
}

void TALed::StopBlink() { FBlinkTimer.reset(); }

void TALed::BlinkStep() {
  DrawPicture(FDarkShown);
  if (FOnTimer) FOnTimer(this);
}

void TALed::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (FOnMouseEnter) FOnMouseEnter(this);
}

void TALed::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (FOnMouseLeave) FOnMouseLeave(this);
}

void TALed::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (event->button() == Qt::LeftButton) FPressed = true;
}

void TALed::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const bool inside = rect().contains(event->position().toPoint());
  const bool wasPressed = FPressed;
  FPressed = false;
  if (wasPressed && inside && FOnClick) FOnClick(this);
}

bool TALed::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && !FShowHint) {
    event->ignore();
    return true;
  }
  return QWidget::event(event);
}
