#include "tools/panelart/IconArt.h"

#include <QPainter>

#include "tools/panelart/Palette16.h"
#include "tools/panelart/Quantize.h"

namespace {

// One seven-segment digit, 4 wide and 7 high, segments named a..g as usual.
void Digit(QPainter& p, int left, int top, const char* segments) {
  for (const char* s = segments; *s; ++s) {
    switch (*s) {
      case 'a': p.drawLine(left, top, left + 3, top); break;
      case 'b': p.drawLine(left + 3, top, left + 3, top + 3); break;
      case 'c': p.drawLine(left + 3, top + 3, left + 3, top + 6); break;
      case 'd': p.drawLine(left, top + 6, left + 3, top + 6); break;
      case 'e': p.drawLine(left, top + 3, left, top + 6); break;
      case 'f': p.drawLine(left, top, left, top + 3); break;
      case 'g': p.drawLine(left, top + 3, left + 3, top + 3); break;
      default: break;
    }
  }
}

}  // namespace

QImage DrawIcon() {
  const QVector<QRgb> pal = Palette16();
  QImage art(32, 32, QImage::Format_RGB32);
  art.fill(pal[pcTeal]);
  QPainter p(&art);
  p.setRenderHint(QPainter::Antialiasing, false);

  // Cabinet with a lit upper-left edge.
  p.fillRect(1, 3, 30, 26, QColor(pal[pcSilver]));
  p.setPen(QColor(pal[pcWhite]));
  p.drawLine(1, 3, 30, 3);
  p.drawLine(1, 3, 1, 28);
  p.setPen(QColor(pal[pcGray]));
  p.drawLine(2, 28, 30, 28);
  p.drawLine(30, 4, 30, 28);
  p.setPen(QColor(pal[pcBlack]));
  p.drawRect(0, 2, 31, 28);

  // Display window with a three-digit reading.
  p.fillRect(4, 6, 24, 11, QColor(pal[pcMaroon]));
  p.setPen(QColor(pal[pcBlack]));
  p.drawRect(3, 5, 25, 12);
  p.setPen(QColor(pal[pcRed]));
  Digit(p, 7, 8, "bc");
  Digit(p, 13, 8, "abdeg");
  Digit(p, 19, 8, "abcdg");
  p.drawPoint(17, 14);
  p.setPen(QColor(pal[pcLime]));
  p.drawPoint(25, 8);

  // Two keys, an input connector and a level knob.
  for (int x : {4, 9, 14}) {
    p.fillRect(x, 21, 4, 4, QColor(pal[pcWhite]));
    p.setPen(QColor(pal[pcGray]));
    p.drawLine(x, 24, x + 3, 24);
    p.drawLine(x + 3, 21, x + 3, 24);
  }
  p.setPen(QColor(pal[pcBlack]));
  p.setBrush(QColor(pal[pcGray]));
  p.drawEllipse(QPoint(21, 23), 2, 2);
  p.setBrush(QColor(pal[pcBlack]));
  p.drawEllipse(QPoint(26, 23), 3, 3);
  p.setPen(QColor(pal[pcWhite]));
  p.drawLine(26, 21, 26, 22);
  p.end();

  return MapToPalette(art, pal);
}

QImage DesktopIcon(int size) {
  QImage icon = DrawIcon().convertToFormat(QImage::Format_ARGB32);
  const QRgb ground = Palette16()[pcTeal];
  for (int y = 0; y < icon.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(icon.scanLine(y));
    for (int x = 0; x < icon.width(); ++x) {
      if (row[x] == ground) row[x] = qRgba(0, 0, 0, 0);
    }
  }
  return icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
