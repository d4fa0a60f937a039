// A failed open in plain words, for the window and for the logger: one sentence with what failed,
// on which path and what to do, then the port's own text where it raised one of its codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "app/OpenFailureText.h"
#include "common/SioErrorCodes.h"
#include "platform/SysErrors.h"

namespace {

TOpenFailure Failure(TOpenProblem problem, int code, const std::string& path) {
  TOpenFailure f;
  f.Problem = problem;
  f.Code = code;
  f.Path = path;
  return f;
}

TEST(OpenFailureTextTest, EachFailureReadsAsOneSentenceWithItsFix) {
  TOpenFailure busy = Failure(opBusy, ecAlreadyOpen, "/dev/ttyUSB0");
  busy.Holders = "minicom (pid 40)";
  TOpenFailure group = Failure(opNoPermission, -(kErrnoBase + EACCES), "/dev/ttyS0");
  group.Group = "dialout";
  TOpenFailure owner = Failure(opNoPermission, -(kErrnoBase + EACCES), "/dev/pts/3");
  owner.Owner = "alice";
  owner.Mode = "crw--w----";
  const struct {
    TOpenFailure Failure;
    TAudience Audience;
    std::string Says;
  } cases[] = {
      {Failure(opMissing, ecBadId, "/dev/ttyS1"), auLog,
       "Cannot open COM2: there is no device at /dev/ttyS1. Connect the instrument, or name its device with --port "
       "2=PATH. (ie_BadId - Specified comport doesn't exist)"},
      {Failure(opMissing, ecBadId, "/dev/ttyS1"), auWindow,
       "Cannot open COM2: there is no device at /dev/ttyS1. Connect the instrument, or choose its device with "
       "Port\u2026 (Ctrl+P).\n(ie_BadId - Specified comport doesn't exist)"},
      {Failure(opNotSerial, ecBadId, "/dev/null"), auWindow,
       "Cannot open COM2: /dev/null is not a serial device. Choose the instrument's serial device with Port\u2026 "
       "(Ctrl+P).\n(ie_BadId - Specified comport doesn't exist)"},
      {busy, auLog,
       "Cannot open COM2: /dev/ttyUSB0 is in use by minicom (pid 40). Close that program, or name another device "
       "with --port 2=PATH. (ie_Open - device already open)"},
      {group, auLog,
       "Cannot open COM2: you may not use /dev/ttyS0, but members of the group dialout may. Join it (sudo usermod "
       "-aG dialout $USER), then log out and in again."},
      {owner, auLog,
       "Cannot open COM2: /dev/pts/3 belongs to alice (crw--w----), and only its owner may open it. Use a device of "
       "your own, or ask alice or the administrator for access."},
      {Failure(opOther, -(kErrnoBase + EISDIR), "/tmp"), auLog,
       "Cannot open COM2: /tmp: Is a directory. Check the path, or name another device with --port 2=PATH."},
      {Failure(opMissing, -(kErrnoBase + ECONNREFUSED), "tcp://127.0.0.1:7"), auLog,
       "Cannot connect COM2 to tcp://127.0.0.1:7: nothing accepts connections on port 7 of 127.0.0.1. Start the "
       "device server, or check that it serves that port."},
      {Failure(opMissing, ecBadId, "rfc2217://nohost.invalid:2000"), auLog,
       "Cannot connect COM2 to rfc2217://nohost.invalid:2000: the name nohost.invalid does not resolve. Check the "
       "host name, or give its address. (ie_BadId - Specified comport doesn't exist)"},
      {Failure(opMissing, ecBadId, "tcp://host"), auLog,
       "Cannot connect COM2: tcp://host is no network address (the port number is missing (HOST:PORT)). Write "
       "tcp://HOST:PORT or rfc2217://HOST:PORT. (ie_BadId - Specified comport doesn't exist)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Failure.Path);
    EXPECT_EQ(OpenFailureText(c.Failure, 2, c.Audience), c.Says);
  }
  // Through the translator the window gives its words.
  const TWords translated([](const char* source) { return std::string(source) == "Cannot open %1 on %2." ? "%2 \u2192 %1" : source; });
  EXPECT_EQ(OpenFailureText(Failure(opOther, ecAlreadyOpen, "/x"), 1, auLog, translated), "/x \u2192 COM1 (ie_Open - device already open)");
}

}  // namespace
