// Opening bad devices as a new user would: each failure keeps the class and table text the
// port always raised, and says which path it was and what is wrong with it (not a serial
// device, held by which program, the group to join, the system's own words).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "PortTestSupport.h"
#include "common/SioExcept.h"
#include "platform/SysErrors.h"
#include "port/SioPort.h"
#include "unit/TraceLogFiles.h"

namespace {

// Opens port 2 on `path`; the message raised ("" when it opened) and what the port found.
struct TOutcome {
  std::string Message;
  int Code = 0;
  TOpenProblem Problem = opNone;
};
TOutcome OpenAt(const std::string& path) {
  SetPortDevicePath(2, path);
  TSioComPort port(nullptr);
  port.SetComNumber(2);
  TOutcome outcome;
  try {
    port.SetOpen(true);
  } catch (const ESioException& e) {
    outcome = {e.Message(), e.ErrorCode, port.LastOpenFailure().Problem};
  } catch (const EInOutError& e) {
    outcome = {e.Message(), -e.ErrorCode, port.LastOpenFailure().Problem};
  }
  SetPortDevicePath(2, "");
  return outcome;
}

std::string OwnName() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

TEST(PortOpenFailure, EachBadDeviceSaysWhatIsWrongWithIt) {
  TTempFolder folder;
  const std::string file = folder.File("file"), dir = folder.File("dir"), fifo = folder.File("fifo");
  const std::string loop = folder.File("loop"), missing = folder.File("missing");
  std::ofstream(file) << "not a terminal";
  std::filesystem::create_directory(dir);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink(folder.File("loop2"), loop);
  std::filesystem::create_symlink(loop, folder.File("loop2"));
  const std::string tooLong = folder.File(std::string(5000, 'x'));

  const struct {
    std::string Path;
    int Code;
    TOpenProblem Problem;
    std::string Message;
  } cases[] = {
      {missing, ecBadId, opMissing, "ie_BadId - Specified comport doesn't exist: " + missing + " was not found"},
      {file, ecBadId, opNotSerial, "ie_BadId - Specified comport doesn't exist: " + file + " is not a serial device"},
      {fifo, ecBadId, opNotSerial, "ie_BadId - Specified comport doesn't exist: " + fifo + " is not a serial device"},
      {"/dev/null", ecBadId, opNotSerial,
       "ie_BadId - Specified comport doesn't exist: /dev/null is not a serial device"},
      {dir, -(kErrnoBase + EISDIR), opOther, "Is a directory: " + dir},
      {loop, -(kErrnoBase + ELOOP), opOther, "Too many levels of symbolic links: " + loop},
      {tooLong, -(kErrnoBase + ENAMETOOLONG), opOther, "File name too long: " + tooLong},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path.substr(0, 80));
    const TOutcome got = OpenAt(c.Path);
    EXPECT_EQ(got.Message, c.Message);
    EXPECT_EQ(got.Code, c.Code);
    EXPECT_EQ(got.Problem, c.Problem);
  }
}

TEST(PortOpenFailure, ABusyDeviceNamesTheProgramThatHoldsIt) {
  TTestPty pty(TTestPty::TSlave::NotHeld);
  ASSERT_TRUE(pty.Ok());
  // Another open file description with the lock, as another program would hold it.
  const int holder = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  const TOutcome got = OpenAt(pty.SlavePath());
  ::close(holder);
  EXPECT_EQ(got.Code, ecAlreadyOpen);
  EXPECT_EQ(got.Problem, opBusy);
  EXPECT_EQ(got.Message, "ie_Open - device already open: " + pty.SlavePath() + " is in use by " + OwnName() +
                             " (pid " + std::to_string(getpid()) + ")");
  EXPECT_EQ(OpenAt(pty.SlavePath()).Message, "") << "free again once let go";
}

// A device another user may open, opened by a process that may not: the group to join when
// that group may read and write it, otherwise whose it is (another user's terminal).
TEST(PortOpenFailure, PermissionDeniedNamesTheGroupOnlyWhenJoiningItWouldHelp) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the device away and to become nobody";
  const group* dialout = getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no dialout group on this machine";
  const struct {
    uid_t Owner;
    gid_t Group;
    mode_t Mode;
    std::string Says;  // after "Permission denied: <path>"
  } cases[] = {
      {0, dialout->gr_gid, 0660,
       " belongs to the group dialout, which you are not in. To use it: sudo usermod -aG dialout $USER, then log "
       "out and in again."},
      // Another user's terminal: its group (tty) may write to it only, so joining it does not help.
      {1, dialout->gr_gid, 0620,
       " belongs to daemon (crw--w----) and may be opened by its owner only. Use a device of your own, or ask "
       "daemon or the administrator for read and write access to it."},
      {0, 0, 0660,
       " belongs to root (crw-rw----) and may be opened by its owner only. Use a device of your own, or ask root "
       "or the administrator for read and write access to it."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Says);
    TTestPty pty(TTestPty::TSlave::NotHeld);
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(chown(pty.SlavePath().c_str(), c.Owner, c.Group), 0);
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), c.Mode), 0);

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(out[0]);
      // nobody, in no supplementary group.
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      const TOutcome got = OpenAt(pty.SlavePath());
      const std::string report = std::to_string(got.Problem) + "|" + got.Message;
      _exit(write(out[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 4);
    }
    ::close(out[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(report, std::to_string(opNoPermission) + "|Permission denied: " + pty.SlavePath() + c.Says);
  }
}

}  // namespace
