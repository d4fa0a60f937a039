// The program icon "MAINICON": a 32 x 32 counter face in the standard 16 colours.
#pragma once

#include <QImage>

// Format_Indexed8 over the standard 16-colour palette.
QImage DrawIcon();
