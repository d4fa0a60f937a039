// The front-panel picture of the counter, 780 x 286, as the main window shows it under its key
// areas, lamps and reading.  Picture coordinates; the window adds 16 to y.
#pragma once

#include <QImage>
#include <QRect>
#include <QVector>

namespace panel {

inline constexpr int kWidth = 780;
inline constexpr int kHeight = 286;
// The dark-red display window, both ends inclusive: x 220..659, y 25..124.
inline constexpr QRect kDisplay{220, 25, 440, 100};
// Where the reading label lies: kept plain display colour.
inline constexpr QRect kReading{256, 40, 323, 77};
inline constexpr QRgb kDisplayColor = 0xFF800000;  // maroon, like the lamp bitmaps' corners

// Lamps (ALed1..ALed4), 16 x 16 each.
inline constexpr QPoint kLeds[4] = {{616, 40}, {616, 64}, {616, 88}, {232, 80}};
// Key areas Pa1..Pa27, 22 x 22 each.
inline constexpr int kKeySize = 22;
inline constexpr int kUpperKeyTop = 146;
inline constexpr int kLowerKeyTop = 208;
QRect KeyRect(int n);  // n = 1..27
// Flat buttons over the level controls' - and + marks, 23 x 22: upper -, upper +, lower -, lower +.
inline constexpr QRect kLevelButtons[4] = {
    {680, 40, 23, 22}, {712, 40, 23, 22}, {680, 120, 23, 22}, {712, 120, 23, 22}};
// The "on" label under the RS232 bracket.
inline constexpr QRect kRsOnLabel{476, 248, 18, 13};

}  // namespace panel

// Draws the picture in true colour (needs a QGuiApplication for the fonts); the colours it
// paints flat are returned in `flatColors` so quantising keeps them exact.
QImage DrawPanel(QVector<QRgb>* flatColors);
