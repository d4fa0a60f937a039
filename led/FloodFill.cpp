#include "led/FloodFill.h"

#include <utility>
#include <vector>

int FloodFillSurface(QImage& image, int x, int y, QRgb surface, QRgb fill) {
  if (surface == fill || !image.valid(x, y) || image.depth() != 32) return 0;
  if (image.pixel(x, y) != surface) return 0;

  // An explicit stack instead of recursion: a large image must not exhaust the call stack.
  // Recolouring a pixel when it is pushed marks it as visited, since fill != surface.
  int count = 0;
  std::vector<std::pair<int, int>> pending;
  auto visit = [&](int px, int py) {
    if (!image.valid(px, py) || image.pixel(px, py) != surface) return;
    image.setPixel(px, py, fill);
    ++count;
    pending.emplace_back(px, py);
  };
  visit(x, y);
  while (!pending.empty()) {
    auto [px, py] = pending.back();
    pending.pop_back();
    visit(px + 1, py);
    visit(px - 1, py);
    visit(px, py + 1);
    visit(px, py - 1);
  }
  return count;
}
