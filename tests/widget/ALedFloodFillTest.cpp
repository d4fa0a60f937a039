#include <gtest/gtest.h>

#include <QImage>

#include <cstring>

#include "led/FloodFill.h"

namespace {

constexpr QRgb kLime = 0xFF00FF00;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Rows of a test image: L lime, G grey, W white.
QImage Make(std::initializer_list<const char*> rows) {
  const int w = static_cast<int>(std::strlen(*rows.begin()));
  QImage image(w, static_cast<int>(rows.size()), QImage::Format_RGB32);
  int y = 0;
  for (const char* row : rows) {
    for (int x = 0; x < w; ++x) image.setPixel(x, y, row[x] == 'L' ? kLime : row[x] == 'W' ? kWhite : kGrey);
    ++y;
  }
  return image;
}

TEST(ALedFloodFill, RecoloursOnlyTheEdgeJoinedSurfaceAroundTheStart) {
  QImage image = Make({
      "GGGGGLGG",  // joined to the lens only through a corner
      "GLLLLGGL",  // the lime at the right edge is an island
      "GLWLLGGG",  // white highlight inside the lens
      "GLLLLGGG",
      "GGGGLGGG",  // a tail joined through an edge
      "GGGGLGGG",
  });
  const QImage before = image;
  EXPECT_EQ(FloodFillSurface(image, 3, 2, kLime, kRed), 13);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const bool inLens = before.pixel(x, y) == kLime && !(x == 7 && y == 1) && !(x == 5 && y == 0);
      EXPECT_EQ(image.pixel(x, y), inLens ? kRed : before.pixel(x, y)) << x << "," << y;
    }
  }
}

TEST(ALedFloodFill, LeavesTheImageAloneWhenThereIsNothingToFill) {
  const QImage original = Make({"LLL", "LGL", "LLL"});
  struct {
    int x, y;
    QRgb fill;
  } cases[] = {
      {1, 1, kRed},   // start pixel not of the surface colour
      {5, 0, kRed},   // start outside the image
      {-1, 1, kRed},
      {0, 0, kLime},  // fill colour equal to the surface: must end, not loop
  };
  for (const auto& c : cases) {
    QImage image = original;
    EXPECT_EQ(FloodFillSurface(image, c.x, c.y, kLime, c.fill), 0);
    EXPECT_EQ(image, original);
  }
}

TEST(ALedFloodFill, FillsALargeAreaWithoutRecursionLimits) {
  QImage image(1500, 1500, QImage::Format_RGB32);
  image.fill(kLime);
  EXPECT_EQ(FloodFillSurface(image, 0, 0, kLime, kRed), 1500 * 1500);
  EXPECT_EQ(image.pixel(1499, 1499), kRed);
}

}  // namespace
