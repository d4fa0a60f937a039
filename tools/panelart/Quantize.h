// Reduces a true-colour drawing to an indexed image with a small palette.
#pragma once

#include <QImage>
#include <QRgb>
#include <QVector>

// Returns a Format_Indexed8 image of `image` (any format) with at most `maxColors` palette
// entries.  Every colour in `pinned` that the image uses is kept exactly (so flat areas stay
// exact); the other colours are grouped by median cut and each pixel takes its nearest entry.
// No dithering: edges and text stay crisp.  Only the colours used appear in the palette.
QImage QuantizeImage(const QImage& image, const QVector<QRgb>& pinned, int maxColors);

// Maps an image onto a fixed palette by nearest colour (exact matches first).
QImage MapToPalette(const QImage& image, const QVector<QRgb>& palette);
