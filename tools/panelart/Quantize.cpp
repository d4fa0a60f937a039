#include "tools/panelart/Quantize.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct TColorCount {
  QRgb color;
  std::int64_t count;
};

int Channel(QRgb c, int ch) { return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c); }

struct TBox {
  std::vector<TColorCount> colors;

  int Range(int ch) const {
    int lo = 255;
    int hi = 0;
    for (const auto& cc : colors) {
      lo = std::min(lo, Channel(cc.color, ch));
      hi = std::max(hi, Channel(cc.color, ch));
    }
    return hi - lo;
  }
  int WidestChannel() const {
    int best = 0;
    for (int ch = 1; ch < 3; ++ch) {
      if (Range(ch) > Range(best)) best = ch;
    }
    return best;
  }
  QRgb Mean() const {
    std::int64_t sum[3] = {0, 0, 0};
    std::int64_t n = 0;
    for (const auto& cc : colors) {
      for (int ch = 0; ch < 3; ++ch) sum[ch] += Channel(cc.color, ch) * cc.count;
      n += cc.count;
    }
    return qRgb(static_cast<int>((sum[0] + n / 2) / n), static_cast<int>((sum[1] + n / 2) / n),
                static_cast<int>((sum[2] + n / 2) / n));
  }
};

// Perceptual weights keep greys grey and favour green differences, as the eye does.
std::int64_t Distance(QRgb a, QRgb b) {
  const std::int64_t dr = qRed(a) - qRed(b);
  const std::int64_t dg = qGreen(a) - qGreen(b);
  const std::int64_t db = qBlue(a) - qBlue(b);
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

std::vector<QRgb> MedianCut(std::vector<TColorCount> colors, int boxes) {
  std::vector<TBox> work;
  work.push_back(TBox{std::move(colors)});
  while (static_cast<int>(work.size()) < boxes) {
    // Split the box whose widest channel spans most, scaled by how many pixels it holds.
    int pick = -1;
    double bestScore = 0;
    for (int i = 0; i < static_cast<int>(work.size()); ++i) {
      const TBox& box = work[static_cast<std::size_t>(i)];
      if (box.colors.size() < 2) continue;
      std::int64_t n = 0;
      for (const auto& cc : box.colors) n += cc.count;
      const double score = box.Range(box.WidestChannel()) * std::sqrt(static_cast<double>(n));
      if (score > bestScore) {
        bestScore = score;
        pick = i;
      }
    }
    if (pick < 0) break;
    TBox box = std::move(work[static_cast<std::size_t>(pick)]);
    const int ch = box.WidestChannel();
    std::stable_sort(box.colors.begin(), box.colors.end(), [ch](const TColorCount& a, const TColorCount& b) {
      return Channel(a.color, ch) < Channel(b.color, ch);
    });
    std::int64_t total = 0;
    for (const auto& cc : box.colors) total += cc.count;
    std::int64_t acc = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < box.colors.size(); ++i) {
      acc += box.colors[i].count;
      cut = i + 1;
      if (2 * acc >= total) break;
    }
    TBox upper{std::vector<TColorCount>(box.colors.begin() + static_cast<std::ptrdiff_t>(cut), box.colors.end())};
    box.colors.resize(cut);
    work[static_cast<std::size_t>(pick)] = std::move(box);
    work.push_back(std::move(upper));
  }
  std::vector<QRgb> result;
  for (const auto& box : work) result.push_back(box.Mean());
  return result;
}

}  // namespace

QImage MapToPalette(const QImage& image, const QVector<QRgb>& palette) {
  const QImage src = image.convertToFormat(QImage::Format_RGB32);
  QImage out(src.size(), QImage::Format_Indexed8);
  out.setColorTable(palette);
  QHash<QRgb, uchar> cache;
  for (int y = 0; y < src.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    uchar* dst = out.scanLine(y);
    for (int x = 0; x < src.width(); ++x) {
      const QRgb c = in[x] | 0xFF000000u;
      auto it = cache.constFind(c);
      if (it == cache.constEnd()) {
        int best = 0;
        std::int64_t bestD = std::numeric_limits<std::int64_t>::max();
        for (int i = 0; i < palette.size(); ++i) {
          const std::int64_t d = Distance(c, palette[i]);
          if (d < bestD) {
            bestD = d;
            best = i;
          }
        }
        it = cache.insert(c, static_cast<uchar>(best));
      }
      dst[x] = *it;
    }
  }
  return out;
}

QImage QuantizeImage(const QImage& image, const QVector<QRgb>& pinned, int maxColors) {
  const QImage src = image.convertToFormat(QImage::Format_RGB32);
  QHash<QRgb, std::int64_t> histogram;
  for (int y = 0; y < src.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    for (int x = 0; x < src.width(); ++x) ++histogram[in[x] | 0xFF000000u];
  }

  QVector<QRgb> palette;
  for (QRgb p : pinned) {
    const QRgb c = p | 0xFF000000u;
    if (histogram.contains(c) && !palette.contains(c)) palette.push_back(c);
  }
  std::vector<TColorCount> rest;
  for (auto it = histogram.constBegin(); it != histogram.constEnd(); ++it) {
    if (!palette.contains(it.key())) rest.push_back({it.key(), it.value()});
  }
  // QHash order differs from run to run; sorting makes the palette, and so the file, repeatable.
  std::sort(rest.begin(), rest.end(), [](const TColorCount& a, const TColorCount& b) { return a.color < b.color; });
  const int budget = maxColors - static_cast<int>(palette.size());
  if (static_cast<int>(rest.size()) <= budget) {
    for (const auto& cc : rest) palette.push_back(cc.color);
  } else if (budget > 0) {
    for (QRgb c : MedianCut(std::move(rest), budget)) {
      if (!palette.contains(c)) palette.push_back(c);
    }
  }

  QImage indexed = MapToPalette(src, palette);
  // Drop entries no pixel ended up using, so the palette lists only used colours.
  std::vector<int> used(static_cast<std::size_t>(palette.size()), 0);
  for (int y = 0; y < indexed.height(); ++y) {
    const uchar* row = indexed.constScanLine(y);
    for (int x = 0; x < indexed.width(); ++x) used[row[x]] = 1;
  }
  QVector<QRgb> compact;
  std::vector<uchar> remap(used.size(), 0);
  for (std::size_t i = 0; i < used.size(); ++i) {
    if (used[i]) {
      remap[i] = static_cast<uchar>(compact.size());
      compact.push_back(palette[static_cast<int>(i)]);
    }
  }
  for (int y = 0; y < indexed.height(); ++y) {
    uchar* row = indexed.scanLine(y);
    for (int x = 0; x < indexed.width(); ++x) row[x] = remap[row[x]];
  }
  indexed.setColorTable(compact);
  return indexed;
}
