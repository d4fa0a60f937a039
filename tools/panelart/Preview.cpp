#include "tools/panelart/Preview.h"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>

#include "led/FloodFill.h"
#include "tools/panelart/PanelArt.h"

namespace {

constexpr int kPanelTop = 16;  // the picture's offset inside the window's panel

QRect ToPanel(const QRect& r) { return r.translated(0, kPanelTop); }

void KeyArea(QPainter& p, const QRect& r, bool lit) {
  p.fillRect(r, QColor(240, 240, 240));
  if (lit) {
    // A sunken client edge.
    p.setPen(QColor(160, 160, 160));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(105, 105, 105));
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
    p.setPen(Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  } else {
    p.setPen(Qt::white);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(160, 160, 160));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
  }
}

QImage Lamp(const QImage& led, QRgb lens) {
  QImage image = led.convertToFormat(QImage::Format_RGB32);
  FloodFillSurface(image, image.width() / 2, image.height() / 2, qRgb(0, 255, 0), lens);
  return image;
}

}  // namespace

QImage RenderPreview(const QImage& panelImage, const QImage& led) {
  QImage out(785, 297, QImage::Format_RGB32);
  out.fill(QColor(192, 192, 192));
  QPainter p(&out);
  p.drawImage(0, kPanelTop, panelImage);

  for (int n = 1; n <= 27; ++n) {
    KeyArea(p, ToPanel(panel::KeyRect(n)), n == 3 || n == 9 || n == 19 || n == 24);
  }
  const QImage lit = Lamp(led, qRgb(255, 0, 0));
  const QImage dark = Lamp(led, qRgb(0, 0, 0));
  for (int i = 0; i < 4; ++i) {
    p.drawImage(QRect(panel::kLeds[i] + QPoint(0, kPanelTop), QSize(16, 16)), i == 0 ? lit : dark);
  }

  const QRect reading = ToPanel(panel::kReading);
  p.fillRect(reading, Qt::black);
  const QStringList families = QFontDatabase::applicationFontFamilies(
      QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dseg/DSEG7Classic-Italic.ttf")));
  QFont digits(families.isEmpty() ? QStringLiteral("DejaVu Sans Mono") : families.first());
  digits.setPixelSize(52);  // the size the window gives its reading
  digits.setItalic(true);
  p.setFont(digits);
  p.setPen(Qt::red);
  p.drawText(reading, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("123467.89"));

  p.setPen(QPen(QColor(0, 0, 255), 1, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  for (const QRect& b : panel::kLevelButtons) p.drawRect(ToPanel(b).adjusted(0, 0, -1, -1));

  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(11);
  p.setFont(small);
  p.setPen(QColor(0, 0, 255));
  p.drawText(ToPanel(panel::kRsOnLabel), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("вкл"));
  p.end();
  return out;
}
