// Serial device servers started by a test on 127.0.0.1 in front of a pseudo-terminal: socat
// (raw TCP) and ser2net (raw, or telnet with RFC 2217).  A test without them installed skips.
#pragma once

#include <string>

std::string Ser2netProgram();  // empty when not installed
std::string SocatProgram();
#define SKIP_WITHOUT(program, package) \
  if ((program).empty()) GTEST_SKIP() << (package) << " is not installed (apt-get install " << (package) << ")"

class TDeviceServer {
 public:
  enum TKind { Socat, Ser2netRaw, Ser2netRfc2217 };
  // Serves the device `device` on 127.0.0.1:port; Up() once it takes connections (5 s at most).
  // `folder` takes ser2net's configuration and both servers' logs.
  TDeviceServer(TKind kind, const std::string& device, int port, const std::string& folder);
  ~TDeviceServer();  // SIGTERM and wait
  TDeviceServer(const TDeviceServer&) = delete;
  TDeviceServer& operator=(const TDeviceServer&) = delete;
  bool Up() const { return FUp; }
  std::string Url() const;  // tcp://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT
  void Stop();

 private:
  TKind FKind;
  int FPort;
  int FPid = -1;
  bool FUp = false;
};

// A listening socket on 127.0.0.1 whose backlog is full: a connection to it is never
// answered.  Its port, or -1 when the loopback would not hold one back.
class TSilentListener {
 public:
  TSilentListener();
  ~TSilentListener();
  TSilentListener(const TSilentListener&) = delete;
  TSilentListener& operator=(const TSilentListener&) = delete;
  int Port() const { return FPort; }

 private:
  int FListen = -1;
  int FFillers[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int FPort = -1;
};
