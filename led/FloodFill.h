// Surface flood fill over a QImage.
#pragma once

#include <QImage>
#include <QRgb>

// Every pixel of exactly `surface` that is joined to (x, y) through shared edges takes the
// colour `fill`.  The image must be a 32-bit format (RGB32 or ARGB32); a start point outside the
// image or not of the surface colour changes nothing, and so does fill == surface.
// Returns the number of pixels recoloured.
int FloodFillSurface(QImage& image, int x, int y, QRgb surface, QRgb fill);
