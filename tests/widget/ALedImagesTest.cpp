// The committed pictures: their file layout, as the program's readers expect it, and the rules
// the lamp bitmaps and the panel picture must keep for the window laid over them.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "led/ALed.h"

namespace {

constexpr QRgb kLime = 0xFF00FF00;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kGrey = 0xFF808080;

QByteArray ReadSource(const QString& name) {
  const char* root = std::getenv("SIO_SOURCE_DIR");
  QFile file(QString::fromLocal8Bit(root ? root : ".") + QStringLiteral("/resources/images/") + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::uint32_t U32(const QByteArray& b, int at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t U16(const QByteArray& b, int at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

struct TDib {
  std::int32_t width, height;
  int bits, compression, colors;
  std::vector<QRgb> palette;
};

// The header of a file-form bitmap, checked for self-consistency.
TDib ParseBmp(const QByteArray& b) {
  TDib d{};
  EXPECT_GE(b.size(), 54);
  if (b.size() < 54) return d;
  EXPECT_EQ(b.left(2), QByteArray("BM"));
  EXPECT_EQ(U32(b, 2), static_cast<std::uint32_t>(b.size()));
  EXPECT_EQ(U32(b, 14), 40u);
  d.width = static_cast<std::int32_t>(U32(b, 18));
  d.height = static_cast<std::int32_t>(U32(b, 22));
  d.bits = U16(b, 28);
  d.compression = static_cast<int>(U32(b, 30));
  d.colors = static_cast<int>(U32(b, 46));
  for (int i = 0; i < d.colors; ++i) {
    const int at = 54 + 4 * i;
    d.palette.push_back(qRgb(static_cast<std::uint8_t>(b[at + 2]), static_cast<std::uint8_t>(b[at + 1]),
                             static_cast<std::uint8_t>(b[at])));
  }
  const int rowBytes = ((d.width * d.bits + 31) / 32) * 4;
  EXPECT_EQ(U32(b, 10), static_cast<std::uint32_t>(54 + 4 * d.colors));
  EXPECT_EQ(static_cast<qsizetype>(U32(b, 10)) + static_cast<qsizetype>(rowBytes) * std::abs(d.height), b.size());
  return d;
}

// The lime pixels, and how many of them are joined through edges to the centre pixel.
std::pair<int, int> LimeAroundCentre(const QImage& image) {
  const int w = image.width();
  const int h = image.height();
  int lime = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) lime += image.pixel(x, y) == kLime ? 1 : 0;
  }
  std::set<std::pair<int, int>> seen;
  std::vector<std::pair<int, int>> stack;
  if (image.pixel(w / 2, h / 2) == kLime) stack.emplace_back(w / 2, h / 2);
  while (!stack.empty()) {
    auto p = stack.back();
    stack.pop_back();
    if (!image.valid(p.first, p.second) || image.pixel(p.first, p.second) != kLime || !seen.insert(p).second) continue;
    stack.insert(stack.end(), {{p.first + 1, p.second}, {p.first - 1, p.second}, {p.first, p.second + 1}, {p.first, p.second - 1}});
  }
  return {lime, static_cast<int>(seen.size())};
}

const std::vector<QRgb> kStandard16 = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

TEST(ALedImages, LampBitmapsKeepTheirSizeFormatAndLensRules) {
  for (int s = LEDSmall; s <= LEDHorizontal; ++s) {
    const auto style = static_cast<TLEDStyle>(s);
    const QString name = QString::fromLatin1(LEDStyleResourceName(style));
    SCOPED_TRACE(name.toStdString());
    const QSize size = LEDStyleSize(style);

    const TDib dib = ParseBmp(ReadSource(name + QStringLiteral(".bmp")));
    EXPECT_EQ(dib.width, size.width());
    EXPECT_EQ(dib.height, size.height());  // positive: bottom-up rows
    EXPECT_EQ(dib.bits, 4);
    EXPECT_EQ(dib.compression, 0);
    EXPECT_EQ(dib.palette, kStandard16);

    const QImage image = QImage(LEDResourcePath(LEDStyleResourceName(style))).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), size);
    const auto [lime, joined] = LimeAroundCentre(image);
    EXPECT_GT(joined, 0) << "the centre pixel is not lens";
    EXPECT_EQ(lime, joined) << "lime outside the lens";

    // A white highlight up and left of the centre, touching the lens.
    bool highlight = false;
    for (int y = 1; y < size.height() / 2; ++y) {
      for (int x = 1; x < size.width() / 2; ++x) {
        highlight |= image.pixel(x, y) == kWhite && image.pixel(x + 1, y) == kLime && image.pixel(x, y + 1) == kWhite;
      }
    }
    EXPECT_TRUE(highlight);
    // The bezel: lit from the upper left along the middle row and column.
    auto first = [&](int x, int y, int dx, int dy) {
      const QRgb outside = image.pixel(x, y);
      while (image.valid(x, y) && image.pixel(x, y) == outside && (outside != kWhite && outside != kGrey)) {
        x += dx;
        y += dy;
      }
      return image.valid(x, y) ? image.pixel(x, y) : 0u;
    };
    const int cx = size.width() / 2;
    const int cy = size.height() / 2;
    EXPECT_EQ(first(cx, 0, 0, 1), kWhite);
    EXPECT_EQ(first(0, cy, 1, 0), kWhite);
    EXPECT_EQ(first(cx, size.height() - 1, 0, -1), kGrey);
    EXPECT_EQ(first(size.width() - 1, cy, -1, 0), kGrey);
  }
}

TEST(ALedImages, PanelPictureIsAnIndexedBottomUpBitmapWithAFlatDisplayWindow) {
  const TDib dib = ParseBmp(ReadSource(QStringLiteral("frontpanel.bmp")));
  EXPECT_EQ(dib.width, 780);
  EXPECT_EQ(dib.height, 286);
  EXPECT_EQ(dib.bits, 8);
  EXPECT_EQ(dib.compression, 0);
  EXPECT_GT(dib.colors, 16);
  EXPECT_LE(dib.colors, 236);

  const QImage panel = QImage(QStringLiteral(":/images/frontpanel.bmp")).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(panel.size(), QSize(780, 286));
  const QRgb glass = panel.pixel(220, 25);
  EXPECT_GT(qRed(glass), 2 * (qGreen(glass) + qBlue(glass) + 8)) << "the display window is not dark red";
  EXPECT_LT(qRed(glass), 200);
  // The window spans x 220..659, y 25..124, and the frame around it differs.
  EXPECT_EQ(panel.pixel(659, 124), glass);
  EXPECT_NE(panel.pixel(219, 25), glass);
  EXPECT_NE(panel.pixel(220, 24), glass);
  EXPECT_NE(panel.pixel(660, 124), glass);
  EXPECT_NE(panel.pixel(659, 125), glass);

  // The reading label and the four lamps lie on plain glass, and the round lamp's corners
  // are the glass colour, so the lamps sit in the window without a visible square.
  const QRect plain[] = {{256, 40, 323, 77}, {616, 40, 16, 16}, {616, 64, 16, 16}, {616, 88, 16, 16}, {232, 80, 16, 16}};
  for (const QRect& r : plain) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) ASSERT_EQ(panel.pixel(x, y), glass) << x << "," << y;
    }
  }
  const QImage lamp(LEDResourcePath("ALEDSM"));
  EXPECT_EQ(lamp.pixel(0, 0), glass);
}

TEST(ALedImages, IconIsOne32By32ImageIn16Colours) {
  const QByteArray ico = ReadSource(QStringLiteral("MAINICON.ico"));
  ASSERT_GE(ico.size(), 22 + 40);
  EXPECT_EQ(U16(ico, 0), 0);
  EXPECT_EQ(U16(ico, 2), 1);  // icon
  EXPECT_EQ(U16(ico, 4), 1);  // one image
  EXPECT_EQ(static_cast<std::uint8_t>(ico[6]), 32);
  EXPECT_EQ(static_cast<std::uint8_t>(ico[7]), 32);
  EXPECT_EQ(static_cast<std::uint8_t>(ico[8]), 16);
  const int dib = static_cast<int>(U32(ico, 18));
  EXPECT_EQ(static_cast<qsizetype>(dib) + U32(ico, 14), ico.size());
  EXPECT_EQ(U32(ico, dib + 4), 32u);
  EXPECT_EQ(U32(ico, dib + 8), 64u);  // colour image and mask
  EXPECT_EQ(U16(ico, dib + 14), 4);

  const QImage png(QStringLiteral(":/images/MAINICON.png"));
  ASSERT_EQ(png.size(), QSize(32, 32));
  std::set<QRgb> colours;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) colours.insert(png.pixel(x, y));
  }
  EXPECT_LE(colours.size(), 16u);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
