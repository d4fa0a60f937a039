#include "tools/panelart/LedArt.h"

#include <cmath>
#include <utility>
#include <vector>

#include "tools/panelart/Palette16.h"

namespace {

QImage NewCanvas(int w, int h) {
  QImage image(w, h, QImage::Format_Indexed8);
  image.setColorTable(Palette16());
  // The corners outside a round bezel are maroon, the colour of the display window the
  // panel's lamps sit in.
  image.fill(pcMaroon);
  return image;
}

// A round lamp: rings by distance from the centre; the bezel is lit from the upper left.
QImage RoundLed(int size, double bezel, double black, double silver) {
  QImage image = NewCanvas(size, size);
  const double c = size / 2.0;
  const double outer = c;
  const double lens = outer - bezel - black - silver;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - c;
      const double dy = y + 0.5 - c;
      const double d = std::sqrt(dx * dx + dy * dy);
      int index = -1;
      if (d <= lens) {
        index = pcLime;
      } else if (d <= lens + silver) {
        index = pcSilver;
      } else if (d <= lens + silver + black) {
        index = pcBlack;
      } else if (d <= outer) {
        index = (dx + dy < 0) ? pcWhite : pcGray;
      }
      if (index >= 0) image.setPixel(x, y, static_cast<uint>(index));
    }
  }
  // Highlight: the lens pixels near a point up and left of the centre.
  const double hx = c - 0.42 * lens;
  const double hy = c - 0.42 * lens;
  const double hr = std::max(1.0, 0.2 * lens);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - hx;
      const double dy = y + 0.5 - hy;
      if (std::sqrt(dx * dx + dy * dy) <= hr && image.pixelIndex(x, y) == pcLime) {
        image.setPixel(x, y, pcWhite);
      }
    }
  }
  return image;
}

// A rectangular lamp: nested one-pixel rings (the bezel `bezel` pixels deep).
QImage RectLed(int w, int h, int bezel) {
  QImage image = NewCanvas(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int depth = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
      int index;
      if (depth < bezel) {
        // Light falls from the upper left: the top and left edges are white, the bottom and
        // right edges grey; a corner goes to the edge it is closer to.
        const bool lit = std::min(x, y) < std::min(w - 1 - x, h - 1 - y);
        index = lit ? pcWhite : pcGray;
      } else if (depth == bezel) {
        index = pcBlack;
      } else if (depth == bezel + 1) {
        index = pcSilver;
      } else {
        index = pcLime;
      }
      image.setPixel(x, y, static_cast<uint>(index));
    }
  }
  const int lensLeft = bezel + 2;
  const int lensTop = bezel + 2;
  for (int y = lensTop + 1; y <= lensTop + 2; ++y) {
    for (int x = lensLeft + 1; x <= lensLeft + 2; ++x) image.setPixel(x, y, pcWhite);
  }
  return image;
}

}  // namespace

QVector<TLedArt> DrawLedBitmaps() {
  return {
      {QStringLiteral("ALEDSM"), RoundLed(16, 1.4, 1.1, 1.0)},
      {QStringLiteral("ALEDLG"), RoundLed(22, 1.8, 1.3, 1.2)},
      {QStringLiteral("ALEDSQSM"), RectLed(16, 16, 1)},
      {QStringLiteral("ALEDSQLG"), RectLed(22, 22, 2)},
      {QStringLiteral("ALEDVT"), RectLed(14, 22, 1)},
      {QStringLiteral("ALEDHZ"), RectLed(22, 14, 1)},
  };
}

bool LensIsSound(const QImage& image) {
  const int w = image.width();
  const int h = image.height();
  auto isLime = [&](int x, int y) { return image.pixel(x, y) == qRgb(0, 255, 0); };
  if (!isLime(w / 2, h / 2)) return false;
  std::vector<char> seen(static_cast<std::size_t>(w * h), 0);
  std::vector<std::pair<int, int>> stack{{w / 2, h / 2}};
  seen[static_cast<std::size_t>(h / 2 * w + w / 2)] = 1;
  int reached = 0;
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    stack.pop_back();
    ++reached;
    const int nx[4] = {x + 1, x - 1, x, x};
    const int ny[4] = {y, y, y + 1, y - 1};
    for (int i = 0; i < 4; ++i) {
      if (nx[i] < 0 || ny[i] < 0 || nx[i] >= w || ny[i] >= h) continue;
      auto& s = seen[static_cast<std::size_t>(ny[i] * w + nx[i])];
      if (!s && isLime(nx[i], ny[i])) {
        s = 1;
        stack.emplace_back(nx[i], ny[i]);
      }
    }
  }
  int total = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) total += isLime(x, y) ? 1 : 0;
  }
  return total == reached;
}
