// The standard 16-colour palette in its usual order.
#pragma once

#include <QRgb>
#include <QVector>

enum TPal16 : unsigned char {
  pcBlack, pcMaroon, pcGreen, pcOlive, pcNavy, pcPurple, pcTeal, pcSilver,
  pcGray, pcRed, pcLime, pcYellow, pcBlue, pcFuchsia, pcAqua, pcWhite,
};

inline QVector<QRgb> Palette16() {
  return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
          qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
          qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
          qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}
