// The window half of the program: the application object, the command line left once it has
// taken its own options, and the main window until it is closed.  Returns the exit status.
#pragma once

int RunPanelWindow(int argc, char** argv);
