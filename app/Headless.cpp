#include "app/Headless.h"

#include <csignal>
#include <cstdio>

#include "app/HeadlessLogger.h"
#include "app/StopSignals.h"
#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "platform/Messages.h"

int RunHeadless(const TProgramOptions& options) {
  // Before the port starts its workers (see TStopSignals).  Destroyed last, after the logger
  // has closed the port and its workers have ended.
  TStopSignals signals;
  // A closed pipe or a file-size limit must come back as a failed write, not end the process
  // before the reason is said.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  Application().SetExceptionDisplay(
      [](const std::string& message) { std::fprintf(stderr, "frontpanel: %s\n", message.c_str()); });
  for (const TPortMapping& p : options.Ports) SetPortDevicePath(p.Number, p.Path);

  THeadlessLogger logger(options, stderr);
  if (logger.Start()) {
    while (!logger.Finished() && !signals.Received()) {
      TMsg msg;
      if (GetMessage(msg, logger.WaitMs())) DispatchMessage(msg);
      logger.Poll();
    }
  }
  logger.Finish();
  return logger.ExitStatus();
}
