// freqsim: plays the frequency counter on a serial line, for the front panel.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "ProjectVersion.h"
#include "tools/simulator/Capture.h"
#include "tools/simulator/Line.h"
#include "tools/simulator/Options.h"
#include "tools/simulator/Session.h"

namespace {

TSignalFlags gFlags;

void OnStop(int) { gFlags.Stop = 1; }
void OnToggleRemote(int) { gFlags.ToggleRemote = 1; }

int Fail(const std::string& message) {
  std::fprintf(stderr, "freqsim: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The signals reach the loop only while it waits, so a flag is never missed between the
  // check and the wait.
  sigset_t handled, waitMask;
  sigemptyset(&handled);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&handled, s);
  sigprocmask(SIG_BLOCK, &handled, &waitMask);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigdelset(&waitMask, s);
  struct sigaction action {};
  action.sa_handler = OnStop;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  action.sa_handler = OnToggleRemote;
  sigaction(SIGUSR1, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  TSimOptions options;
  std::string error;
  switch (ParseOptions(argc, argv, options, error)) {
    case prHelp:
      std::fputs(UsageText(), stdout);
      return 0;
    case prVersion:
      std::printf("freqsim %s\n", kProjectVersion);
      return 0;
    case prError:
      std::fprintf(stderr, "freqsim: %s\nTry 'freqsim --help' for the options.\n", error.c_str());
      return 2;
    case prRun:
      break;
  }

  std::vector<TCaptureRecord> replay;
  if (!options.ReplayPath.empty() && !ReadCapture(options.ReplayPath, replay, error)) return Fail(error);
  TCaptureWriter record;
  if (!options.RecordPath.empty() && !record.Open(options.RecordPath, error)) return Fail(error);
  TSentLog sent;
  if (!options.SentPath.empty() && !sent.Open(options.SentPath, error)) return Fail(error);
  TLine relay;
  if (!options.RelayPath.empty() && !relay.OpenDevice(options.RelayPath, error)) return Fail(error);
  TLine line;
  const bool attached = !options.ListenAddress.empty() ? line.Listen(options.ListenAddress, error)
                        : options.DevicePath.empty()    ? line.CreatePty(options.LinkPath, error)
                                                        : line.OpenDevice(options.DevicePath, error);
  if (!attached) return Fail(error);

  std::printf("%s\n", line.Path().c_str());
  std::fflush(stdout);

  TSession session(options, line, record, sent, options.RelayPath.empty() ? nullptr : &relay, std::move(replay));
  const int status = session.Run(gFlags, waitMask);
  line.Close();
  return status;
}
