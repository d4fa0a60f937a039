// The window's controls for remote control (app/PanelRemote.h): a remote key press is a click
// on the key area (28, the test mode, the double click on F), the lamps are the key areas', the
// reading is the reading label's.  GUI thread only.
#pragma once

#include "app/PanelRemote.h"

class TForm1;

TPanelControls WindowControls(TForm1& form);
