// Writers for the uncompressed, bottom-up bitmap files the program embeds: 4-bit and 8-bit
// BMPs with a palette, and a 4-bit icon.  Qt writes neither 4-bit BMPs nor palettes of a chosen
// size, so the headers are laid out here.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// `image` is Format_Indexed8; every index must be below 2^bitsPerPixel and the colour table
// (which becomes the file's palette, all entries "used") must hold at most that many colours.
// bitsPerPixel is 4 or 8.  Returns the file's bytes.
QByteArray EncodeBmp(const QImage& image, int bitsPerPixel);

// A one-image icon: 4 bits per pixel with the image's colour table (at most 16 entries) and an
// all-opaque mask.  The image is Format_Indexed8, at most 255 x 255.
QByteArray EncodeIco4(const QImage& image);

// Writes bytes to a file; false with a message on stderr when that fails.
bool WriteFileBytes(const QString& path, const QByteArray& bytes);
