// The window half of the program: the application object and the main window until it is
// closed.  Returns the exit status: 0, or 1 when there is no display to show the window on
// (said in one line on standard error, which points to --headless).
#pragma once

struct TProgramOptions;

int RunPanelWindow(int argc, char** argv, const TProgramOptions& options);
