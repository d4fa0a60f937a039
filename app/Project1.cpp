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
#include "app/StandardStreams.h"
#include "common/SioMisc.h"

int main(int argc, char** argv) {
  OpenStandardStreams();  // before anything opens a file
  InitTicksPerMillisecond();
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The offline analysis has a command line of its own (app/AnalyzeCommand.h); like the rest,
  // it is read before anything of the window system exists, so it needs no display.
  if (AsksForAnalysis(args)) return RunAnalysisCommand(args, stdout, stderr);
  // The whole command line is read before anything of the window system exists: a wrong
  // option, --help, --version and the logger need no display.  The window toolkit's own
  // options are left to it.
  const TCommandLine commandLine = ParseCommandLine(WithoutToolkitOptions(args));
  const int status = CommandLineExitStatus(commandLine, kProjectVersion, stdout, stderr);
  if (status >= 0) return status;
  if (commandLine.Options.Headless) return RunHeadless(commandLine.Options);
  return RunPanelWindow(argc, argv, commandLine.Options);
}
