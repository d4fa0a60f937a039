// The program icon "MAINICON": a 32 x 32 counter face in the standard 16 colours.
#pragma once

#include <QImage>

// Format_Indexed8 over the standard 16-colour palette.
QImage DrawIcon();

// The icon for desktop menus: DrawIcon() enlarged size/32 times pixel for pixel (the art is
// drawn for 32 x 32 and stays crisp), with the teal ground around the cabinet transparent.
// size: 32, 64, 128 or 256.  Format_ARGB32.
QImage DesktopIcon(int size);
