#include "app/Headless.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "ProjectVersion.h"
#include "app/HeadlessLogger.h"
#include "app/PanelPublishing.h"
#include "app/PanelRemote.h"
#include "app/StandardStreams.h"
#include "app/StopSignals.h"
#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "platform/Messages.h"

namespace {

constexpr std::uint32_t kMqttNewsMs = 1000;

void SayMqttNews(TPanelPublishing& mqtt) {
  for (const std::string& line : mqtt.News()) std::fprintf(stderr, "frontpanel: mqtt: %s\n", line.c_str());
}

}  // namespace

int RunHeadless(const TProgramOptions& options) {
  if (options.CsvPath == "-" && StandardOutputWasClosed()) {
    std::fprintf(stderr, "frontpanel: Cannot record to standard output: it is closed (give --csv FILE)\n");
    return 1;
  }
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

  // Made before the logger, so it outlives the logger's port and feed (app/PanelPublishing.h).
  const std::unique_ptr<TPanelPublishing> mqtt = MakePanelPublishing(options);
  // Likewise; it listens before the port opens, so a failure to listen costs nothing.
  bool remoteFailed = false;
  const std::unique_ptr<TPanelRemote> remote = MakePanelRemote(options, kProjectVersion, stderr, remoteFailed);
  if (remoteFailed) return 1;
  THeadlessLogger logger(options, stderr);
  if (logger.Start()) {
    if (mqtt) mqtt->Attach(logger.Feed(), *logger.Port());
    if (remote) remote->Attach(logger.Feed(), *logger.Port(), HeadlessControls(logger));
    while (!logger.Finished() && !signals.Received()) {
      TMsg msg;
      // Publishing's news is looked at once a second at least.
      if (GetMessage(msg, mqtt ? std::min(logger.WaitMs(), kMqttNewsMs) : logger.WaitMs())) DispatchMessage(msg);
      logger.Poll();
      if (mqtt) SayMqttNews(*mqtt);
    }
  }
  logger.Finish();
  if (remote) remote->Stop();
  if (mqtt) {
    mqtt->Stop();
    std::fprintf(stderr, "frontpanel: mqtt: %s\n", mqtt->Totals().c_str());
  }
  return logger.ExitStatus();
}
