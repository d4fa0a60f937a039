#include "tools/panelart/BmpFile.h"

#include <QFile>

#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace {

void Put16(QByteArray& out, std::uint32_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

int RowBytes(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

void CheckIndexed(const QImage& image, int bitsPerPixel) {
  if (image.format() != QImage::Format_Indexed8) throw std::invalid_argument("image is not indexed");
  if (bitsPerPixel != 4 && bitsPerPixel != 8) throw std::invalid_argument("4 or 8 bits per pixel");
  const int limit = 1 << bitsPerPixel;
  if (image.colorCount() > limit) throw std::invalid_argument("palette too large");
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      if (row[x] >= image.colorCount()) throw std::invalid_argument("pixel index outside palette");
    }
  }
}

// BITMAPINFOHEADER with the given height field, then the palette (blue, green, red, 0).
void PutInfoAndPalette(QByteArray& out, const QImage& image, int bitsPerPixel, int heightField,
                       std::uint32_t imageBytes) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width()));
  Put32(out, static_cast<std::uint32_t>(heightField));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bitsPerPixel));
  Put32(out, 0);  // uncompressed
  Put32(out, imageBytes);
  Put32(out, 3780);  // 96 pixels per inch
  Put32(out, 3780);
  Put32(out, static_cast<std::uint32_t>(image.colorCount()));
  Put32(out, static_cast<std::uint32_t>(image.colorCount()));
  for (QRgb c : image.colorTable()) {
    out.append(static_cast<char>(qBlue(c)));
    out.append(static_cast<char>(qGreen(c)));
    out.append(static_cast<char>(qRed(c)));
    out.append('\0');
  }
}

// Pixel rows from the bottom row up, each padded to four bytes.
void PutPixels(QByteArray& out, const QImage& image, int bitsPerPixel) {
  const int rowBytes = RowBytes(image.width(), bitsPerPixel);
  for (int y = image.height() - 1; y >= 0; --y) {
    QByteArray row(rowBytes, '\0');
    const uchar* src = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      if (bitsPerPixel == 8) {
        row[x] = static_cast<char>(src[x]);
      } else {
        const int shift = (x % 2 == 0) ? 4 : 0;
        row[x / 2] = static_cast<char>(static_cast<uchar>(row[x / 2]) | (src[x] << shift));
      }
    }
    out.append(row);
  }
}

}  // namespace

QByteArray EncodeBmp(const QImage& image, int bitsPerPixel) {
  CheckIndexed(image, bitsPerPixel);
  const auto imageBytes = static_cast<std::uint32_t>(RowBytes(image.width(), bitsPerPixel) * image.height());
  const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * image.colorCount());
  QByteArray out;
  out.append("BM");
  Put32(out, offset + imageBytes);
  Put32(out, 0);
  Put32(out, offset);
  PutInfoAndPalette(out, image, bitsPerPixel, image.height(), imageBytes);
  PutPixels(out, image, bitsPerPixel);
  return out;
}

QByteArray EncodeIco4(const QImage& image) {
  CheckIndexed(image, 4);
  if (image.width() > 255 || image.height() > 255) throw std::invalid_argument("icon too large");
  const int maskRow = RowBytes(image.width(), 1);
  const auto xorBytes = static_cast<std::uint32_t>(RowBytes(image.width(), 4) * image.height());
  const auto andBytes = static_cast<std::uint32_t>(maskRow * image.height());
  QByteArray dib;
  // An icon's height field counts the colour image and the mask together.
  PutInfoAndPalette(dib, image, 4, 2 * image.height(), xorBytes + andBytes);
  PutPixels(dib, image, 4);
  dib.append(QByteArray(static_cast<int>(andBytes), '\0'));

  QByteArray out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  out.append(static_cast<char>(image.width()));
  out.append(static_cast<char>(image.height()));
  out.append(static_cast<char>(16));
  out.append('\0');
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, static_cast<std::uint32_t>(dib.size()));
  Put32(out, 6 + 16);
  out.append(dib);
  return out;
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "panelart: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}
