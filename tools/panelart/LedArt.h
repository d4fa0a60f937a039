// The six LED bitmaps: a bezel (white top and left, grey bottom and right), a black and a
// silver ring, and a pure lime lens with a small white highlight near its upper left.  The lens
// is the only lime, one edge-joined area containing the centre pixel (width / 2, height / 2).
#pragma once

#include <QImage>
#include <QString>

struct TLedArt {
  QString name;  // resource name, e.g. "ALEDSM"
  QImage image;  // Format_Indexed8 over the standard 16-colour palette
};

QVector<TLedArt> DrawLedBitmaps();

// True when the lime pixels of `image` form exactly one edge-joined area that contains the
// centre; used to check the artwork before it is written.
bool LensIsSound(const QImage& image);
