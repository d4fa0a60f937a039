// The front panel program: the window, or with --headless the logger (app/CommandLine.h).
//
// With no arguments the window opens port 2 as its form stores it.  --port maps port number N
// to any serial device path (a USB adapter, the instrument simulator's pseudo-terminal), so a
// user without access to /dev/ttyS* can use the program.
#include <cstdio>
#include <string>
#include <vector>

#include "ProjectVersion.h"
#include "app/CommandLine.h"
#include "app/Headless.h"
#include "app/OfflineAnalysis.h"
#include "app/PanelWindowMain.h"
#include "common/SioMisc.h"

int main(int argc, char** argv) {
  InitTicksPerMillisecond();
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The offline analysis, the logger, --help and --version are decided on before anything of
  // the window system exists, so they need no display.
  if (AsksForAnalysis(args)) return RunAnalysisCommand(args, stdout, stderr);
  if (AsksForHeadless(args) || AsksForHelpOrVersion(args)) {
    const TCommandLine commandLine = ParseCommandLine(args);
    const int status = CommandLineExitStatus(commandLine, kProjectVersion, stdout, stderr);
    if (status >= 0) return status;
    if (commandLine.Options.Headless) return RunHeadless(commandLine.Options);
  }
  return RunPanelWindow(argc, argv);
}
