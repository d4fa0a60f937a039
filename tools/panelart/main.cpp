// panelart: draws the program's pictures.
//
//   panelart OUTDIR [--preview DIR]
//   panelart --icons DIR
//
// Writes to OUTDIR the six lamp bitmaps (ALEDSM.bmp ... ALEDHZ.bmp, 4-bit), the front-panel
// picture (frontpanel.bmp, 8-bit, at most 236 colours) and the icon (MAINICON.ico, MAINICON.png).
// With --preview, also writes PNGs for looking at: the picture, the picture with the window's
// controls laid over it, and the lamps and the icon enlarged.
// With --icons, writes only the desktop icons, DIR/<N>x<N>/apps/frontpanel.png for N = 32, 64,
// 128 and 256 (the layout of an icon theme).
// Needs the DejaVu Sans fonts; run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

#include "tools/panelart/BmpFile.h"
#include "tools/panelart/IconArt.h"
#include "tools/panelart/LedArt.h"
#include "tools/panelart/PanelArt.h"
#include "tools/panelart/Preview.h"
#include "tools/panelart/Quantize.h"

namespace {

constexpr int kPanelColors = 236;

bool LoadFonts() {
  const char* files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                         "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
  for (const char* f : files) {
    if (QFontDatabase::addApplicationFont(QString::fromLatin1(f)) < 0) {
      std::fprintf(stderr, "panelart: cannot load %s (install fonts-dejavu-core)\n", f);
      return false;
    }
  }
  return true;
}

QImage Enlarged(const QVector<QImage>& images, int scale) {
  int width = 0;
  int height = 0;
  for (const QImage& i : images) {
    width += i.width() * scale + 8;
    height = std::max(height, i.height() * scale);
  }
  QImage out(width, height, QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  int x = 0;
  for (const QImage& i : images) {
    p.drawImage(QRect(x, 0, i.width() * scale, i.height() * scale), i);
    x += i.width() * scale + 8;
  }
  return out;
}

int WriteDesktopIcons(const QString& dir) {
  for (int size : {32, 64, 128, 256}) {
    const QDir apps(QStringLiteral("%1/%2x%2/apps").arg(dir, QString::number(size)));
    const QString file = apps.filePath(QStringLiteral("frontpanel.png"));
    if (!apps.mkpath(QStringLiteral(".")) || !DesktopIcon(size).save(file)) {
      std::fprintf(stderr, "panelart: cannot write the %d-pixel icon under %s\n", size, qPrintable(dir));
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() == 3 && args[1] == QLatin1String("--icons")) return WriteDesktopIcons(args[2]);
  if (args.size() != 2 && !(args.size() == 4 && args[2] == QLatin1String("--preview"))) {
    std::fprintf(stderr, "usage: panelart OUTDIR [--preview DIR] | panelart --icons DIR\n");
    return 2;
  }
  if (!LoadFonts()) return 1;
  const QDir out(args[1]);
  if (!out.mkpath(QStringLiteral("."))) return 1;

  const QVector<TLedArt> leds = DrawLedBitmaps();
  for (const TLedArt& led : leds) {
    if (!LensIsSound(led.image)) {
      std::fprintf(stderr, "panelart: the lens of %s is not one area around the centre\n",
                   qPrintable(led.name));
      return 1;
    }
    if (!WriteFileBytes(out.filePath(led.name + QStringLiteral(".bmp")), EncodeBmp(led.image, 4))) return 1;
  }

  QVector<QRgb> flat;
  const QImage drawn = DrawPanel(&flat);
  const QImage panel = QuantizeImage(drawn, flat, kPanelColors);
  if (!WriteFileBytes(out.filePath(QStringLiteral("frontpanel.bmp")), EncodeBmp(panel, 8))) return 1;

  const QImage icon = DrawIcon();
  if (!WriteFileBytes(out.filePath(QStringLiteral("MAINICON.ico")), EncodeIco4(icon))) return 1;
  if (!icon.save(out.filePath(QStringLiteral("MAINICON.png")))) return 1;

  if (args.size() == 4) {
    const QDir preview(args[3]);
    if (!preview.mkpath(QStringLiteral("."))) return 1;
    QVector<QImage> ledImages;
    for (const TLedArt& led : leds) ledImages.push_back(led.image);
    const bool ok = panel.save(preview.filePath(QStringLiteral("panel.png"))) &&
                    RenderPreview(panel, leds[0].image).save(preview.filePath(QStringLiteral("preview.png"))) &&
                    Enlarged(ledImages, 8).save(preview.filePath(QStringLiteral("leds.png"))) &&
                    Enlarged({icon}, 8).save(preview.filePath(QStringLiteral("icon.png")));
    if (!ok) return 1;
  }
  std::printf("panelart: %d colours in the panel picture\n", static_cast<int>(panel.colorCount()));
  return 0;
}
