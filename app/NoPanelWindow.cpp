// The program built without Qt (the sanitizer builds): only the headless logger.
#include "app/PanelWindowMain.h"

#include <cstdio>

#include "app/CommandLine.h"

int RunPanelWindow(int, char**, const TProgramOptions&) {
  std::fprintf(stderr, "frontpanel: this build has no window; use --headless\n%s", UsageText());
  return 2;
}
