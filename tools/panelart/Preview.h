// Renders what the main window's upper panel will look like: the picture at y 16 on a silver
// panel with the key areas, lamps, reading, level buttons and the "on" label laid over it at
// their window positions.  For checking the artwork's alignment by eye.
#pragma once

#include <QImage>

// `panel` is the picture; `led` the round lamp bitmap.  Returns a 785 x 297 image.
QImage RenderPreview(const QImage& panel, const QImage& led);
