// Line settings, flow control and opening errors over a real pseudo-terminal.  A pty keeps
// the rate, CSTOPB, CRTSCTS and the XON/XOFF flags it is given (the master reads the
// slave's termios); data size and parity are checked on the mapping in the unit tests.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdio>

#include "DispatchTestSupport.h"
#include "dispatch/SioSysCalls.h"
#include "dispatch/SioTermios.h"
#include "common/SioErrorCodes.h"

namespace {

// The real calls, counted.
class TCountingCalls : public TSioSysCalls {
 public:
  int TcGetAttr(int fd, termios* t) override {
    ++Gets;
    return TSioSysCalls::TcGetAttr(fd, t);
  }
  int TcSetAttr(int fd, int when, const termios* t) override {
    ++Sets;
    return TSioSysCalls::TcSetAttr(fd, when, t);
  }
  std::atomic<int> Gets{0};
  std::atomic<int> Sets{0};
};

class DispatchSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    Line.SetSysCalls(Calls);
    ASSERT_EQ(Line.Open(Peer.SlavePath()), 0);
  }
  termios Slave() {
    termios t{};
    EXPECT_EQ(tcgetattr(Peer.Master(), &t), 0);
    return t;
  }

  TTestPty Peer{kPeerSlave, kPeerMode};
  TCountingCalls Calls;
  TTestDispatcher Line;
};

TEST_F(DispatchSettings, OpenAppliesTheLineAndLeavesTheSlaveRaw) {
  const termios t = Slave();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
  std::uint32_t baud = 0;
  std::uint8_t parity = 9, size = 0, stop = 0;
  Line.GetLineParams(baud, parity, size, stop);
  EXPECT_EQ(baud, 9600u);
  EXPECT_EQ(parity, 0);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(stop, 1);
}

TEST_F(DispatchSettings, RateAndStopBitsReachTheDevice) {
  ASSERT_EQ(Line.SetLineParams(19200, 0, 8, 2), 0);
  termios t = Slave();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  ASSERT_EQ(Line.SetLineParams(14400, 0, 8, 1), 0);  // no speed constant: a custom rate
  EXPECT_EQ(ReadCustomRate(RealSysCalls(), Peer.Master()), 14400u);
  EXPECT_EQ(Slave().c_cflag & CSTOPB, 0u);
  ASSERT_EQ(Line.SetLineParams(0xFF16, 0, 8, 1), 0);  // an old code for 9600
  t = Slave();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(ReadCustomRate(RealSysCalls(), Peer.Master()), 0u);
}

TEST_F(DispatchSettings, SetLineParamsWithTheCurrentValuesTouchesNothing) {
  const int gets = Calls.Gets, sets = Calls.Sets;
  EXPECT_EQ(Line.SetLineParams(9600, 0, 8, 1), 0);
  EXPECT_EQ(Line.SetLineParams(0, 5, 9, 1), 0);  // keep everything
  EXPECT_EQ(Calls.Gets, gets);
  EXPECT_EQ(Calls.Sets, sets);
  EXPECT_EQ(Line.SetLineParams(9600, 2, 8, 1), 0);
  EXPECT_EQ(Calls.Sets, sets + 1);
}

TEST_F(DispatchSettings, StopBitArgumentsFollowTheDataSize) {
  const struct {
    std::uint8_t DataBits, StopArg, Stored;
  } cases[] = {
      {8, 2, 2},  // two
      {5, 2, 1},  // five data bits: one and a half
      {8, 0, 0},  // 0 counts as one
      {5, 1, 0},
      {8, 7, 2},  // above 2 (not 3) counts as two
      {5, 3, 1},  // 3 with five data bits: one and a half
      {9, 3, 1},  // 3 otherwise keeps the current setting
      {8, 3, 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Line.SetLineParams(9600, 0, c.DataBits, c.StopArg), 0);
    TDeviceSettings applied;
    ASSERT_EQ(Line.DeviceGetSettings(applied), 0);
    EXPECT_EQ(applied.StopBits, c.Stored) << int(c.DataBits) << "/" << int(c.StopArg);
  }
}

TEST_F(DispatchSettings, FlowControlArgumentsAreChecked) {
  EXPECT_EQ(Line.SetHandshake(5, 10, 0), ecBadArgument);
  EXPECT_EQ(Line.SetHandshake(4097, 0, 0), ecBadArgument);  // above the device input size
  EXPECT_EQ(Line.SetSoftwareFlow(5, 10, 1), ecBadArgument);
  EXPECT_EQ(Line.SetSoftwareFlow(4097, 0, 1), ecBadArgument);
  EXPECT_EQ(Slave().c_iflag & IXON, 0u);
  EXPECT_EQ(Line.SetHandshake(4096, 0, 0), 0);
  EXPECT_EQ(Line.SetSoftwareFlow(10, 10, 0), 0);
}

TEST_F(DispatchSettings, HandshakeAndSoftwareFlowReachTheDeviceAndReadBack) {
  ASSERT_EQ(Line.SetHandshake(3000, 1000, 1 | 2 | 4 | 8), 0);
  EXPECT_NE(Slave().c_cflag & CRTSCTS, 0u);
  std::uint32_t hw = 0, sw = 0;
  std::uint8_t xon = 0, xoff = 0;
  ASSERT_EQ(Line.GetFlowSettings(hw, sw, xon, xoff), 0);
  EXPECT_EQ(hw, 15u);
  EXPECT_EQ(sw, 0u);
  TDeviceSettings applied;
  ASSERT_EQ(Line.DeviceGetSettings(applied), 0);
  EXPECT_EQ(applied.XoffLim, 4096 - 3000);
  EXPECT_EQ(applied.XonLim, 1000);
  EXPECT_EQ(Line.SetDtr(false), 1);  // driven by the handshake

  ASSERT_EQ(Line.SetHandshake(3000, 1000, 0), 0);
  EXPECT_EQ(Slave().c_cflag & CRTSCTS, 0u);

  ASSERT_EQ(Line.SetSoftwareFlow(3000, 1000, 1 | 2), 0);
  termios t = Slave();
  EXPECT_NE(t.c_iflag & IXON, 0u);
  EXPECT_NE(t.c_iflag & IXOFF, 0u);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);
  ASSERT_EQ(Line.SetFlowChars(0x01, 0x02), 0);
  t = Slave();
  EXPECT_EQ(t.c_cc[VSTART], 0x01);
  EXPECT_EQ(t.c_cc[VSTOP], 0x02);
  ASSERT_EQ(Line.GetFlowSettings(hw, sw, xon, xoff), 0);
  EXPECT_EQ(sw, 3u);
  EXPECT_EQ(xon, 0x01);
  ASSERT_EQ(Line.ClearSoftwareFlow(), 0);
  EXPECT_EQ(Slave().c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(DispatchSettings, ModemLinesOfAPseudoTerminalAreNotAFailure) {
  EXPECT_EQ(Line.SetDtr(true), 0);
  EXPECT_EQ(Line.SetRts(false), 0);
  EXPECT_EQ(Line.ReadModemState(0xFF), 0);
}

TEST(DispatchOpen, MissingDeviceIsNotFound) {
  TTestDispatcher line;
  EXPECT_EQ(line.Open("/dev/no-such-serial-device"), -2);
  EXPECT_EQ(line.DeviceHandle(), -1);
  EXPECT_FALSE(line.WorkersRunning());
}

TEST(DispatchOpen, FileThatIsNoTerminalIsNotFound) {
  char path[] = "/tmp/sio-not-a-tty-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  TTestDispatcher line;
  EXPECT_EQ(line.Open(path), -2);
  unlink(path);
}

TEST(DispatchOpen, DeviceHeldByAnotherProcessIsAccessDenied) {
  TTestPty peer(kPeerSlave, kPeerMode);
  ASSERT_TRUE(peer.Ok());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    const char ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
    (void)!write(ready[1], &ok, 1);
    pause();
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  {
    TTestDispatcher line;
    EXPECT_EQ(line.Open(peer.SlavePath()), -5);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  // Free again once the other process has gone.
  TTestDispatcher line;
  EXPECT_EQ(line.Open(peer.SlavePath()), 0);
}

TEST(DispatchOpen, TheLineIsExclusiveOnlyWhileOpen) {
  // A pseudo-terminal keeps the exclusive flag past its last close while the other side
  // stays open; a user who is not root could then never open the port again.
  TTestPty peer(kPeerSlave, kPeerMode);
  ASSERT_TRUE(peer.Ok());
  auto exclusive = [&] {
    const int fd = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int flag = -1;
    if (fd >= 0) ioctl(fd, TIOCGEXCL, &flag);
    if (fd >= 0) close(fd);
    return flag;
  };
  TTestDispatcher line;
  ASSERT_EQ(line.Open(peer.SlavePath()), 0);
  EXPECT_EQ(exclusive(), 1);
  line.CloseLine();
  EXPECT_EQ(exclusive(), 0);
}

TEST(DispatchOpen, DescriptorOpenedElsewhereIsAdopted) {
  TTestPty peer(kPeerSlave, kPeerMode);
  ASSERT_TRUE(peer.Ok());
  const int fd = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  TSioTAPI32Dispatcher line(nullptr, fd);
  ASSERT_EQ(line.OpenLine("ignored", 9600, 0, 8, 1, 4096, 4096, 0), 0);
  const std::uint8_t bytes[] = {'o', 'k'};
  ASSERT_EQ(line.WriteBlock(bytes, 2), 0);
  EXPECT_EQ(peer.Read(2), (std::vector<std::uint8_t>{'o', 'k'}));
  line.CloseLine();
  EXPECT_EQ(line.DeviceHandle(), -1);

  TSioTAPI32Dispatcher none(nullptr, 0);
  EXPECT_EQ(none.OpenLine("ignored", 9600, 0, 8, 1, 4096, 4096, 0), ecCommNotOpen);
}

}  // namespace
