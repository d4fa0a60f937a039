// The simulator's command line and attachments: usage, errors, the link, a given device.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "pty/SimulatorProcess.h"
#include "support/TestPty.h"

namespace {

TEST(SimulatorOptionsTest, HelpPrintsUsage) {
  const TRunResult r = RunSimulator({"--help"});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out.rfind("Usage: freqsim", 0), 0u) << r.Out;
}

TEST(SimulatorOptionsTest, BadOptionsAndUnusablePathsExitWithStatus2) {
  const std::string plainFile = TempPath("plain");
  std::ofstream(plainFile) << "not a link\n";
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--period-ms"},
      {"--period-ms", "0"},
      {"--frames", "3x"},
      {"--noise-ppm", "-1"},
      {"--garbage=abc"},
      {"--link", "/tmp/x", "--device", "/dev/null"},
      {"--replay", "a", "--relay", "b"},
      {"--device", "/nonexistent/ttyS9"},
      {"--device", "/dev/null"},
      {"--relay", "/nonexistent/ttyUSB9"},
      {"--replay", "/nonexistent/capture"},
      {"--record", "/nonexistent/dir/capture"},
      {"--link", "/nonexistent/dir/COM9"},
      {"--link", plainFile},
      {"--listen", "65536"},
      {"--listen", "127.0.0.1:"},
      {"--listen", "::1:5000"},
      {"--listen", "0", "--link", "/tmp/x"},
      {"--listen", "0", "--device", "/dev/null"},
      {"--listen", "192.0.2.1:0"},  // an address this machine does not have
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.front() + " " + (args.size() > 1 ? args[1] : ""));
    const TRunResult r = RunSimulator(args);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.rfind("freqsim: ", 0), 0u) << r.Err;
    EXPECT_TRUE(r.Out.empty()) << r.Out;
  }
  EXPECT_EQ(std::ifstream(plainFile).get(), 'n') << "a file in the link's place is left alone";
  unlink(plainFile.c_str());
}

// Each mistake is refused with status 2 and named for what it is.
TEST(SimulatorOptionsTest, MistakesAreRefusedWithWhatIsWrong) {
  struct TCase {
    std::vector<std::string> Args;
    const char* Said;
  };
  const TCase cases[] = {
      {{"--burst=1"}, "option '--burst' takes no value"},
      {{"--verbose=", "--local"}, "option '--verbose' takes no value"},
      {{"--link", "--run-ms", "50"}, "option '--link' needs a value"},
      {{"--record", "--burst"}, "option '--record' needs a value"},
      {{"--period-ms", " 5"}, "bad value ' 5'"},
      {{"--noise-ppm", "\t1"}, "bad value '\t1'"},
      {{"--replay", "/tmp"}, "cannot read /tmp: Is a directory"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Said);
    const TRunResult r = RunSimulator(c.Args);
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find(c.Said), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Out.empty()) << r.Out;
  }
  TSimulatorProcess odd({"--burst", "--run-ms=2000", "--record=--odd.cap"});
  EXPECT_FALSE(odd.Path().empty()) << "a value after '=' may start with '--': " << odd.Err();
  EXPECT_EQ(odd.Stop(SIGTERM), 0);
  unlink("--odd.cap");
}

TEST(SimulatorOptionsTest, LinkNamesThePtyAndGoesAwayOnExit) {
  const std::string link = TempPath("COM7");
  symlink("/nonexistent/stale", link.c_str());  // left over from a run that was killed
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    TSimulatorProcess sim({"--link", link});
    ASSERT_FALSE(sim.Path().empty()) << sim.Err();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(sim.Path(), target);
    // The line is raw before the peer opens it: nothing is echoed back or translated.
    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    close(fd);
    EXPECT_EQ(sim.Stop(sig), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "link removed";
  }
}

// Whether a process without privileges can open path (as root, checked in a child that drops
// them, since root passes the exclusive-use check).
bool OpensUnprivileged(const std::string& path) {
  if (geteuid() != 0) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) close(fd);
    return fd >= 0;
  }
  chmod(path.c_str(), 0666);
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    _exit(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) >= 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The panel takes the line for exclusive use, closes it (port switch, restart) and opens it
// again; the simulator goes on serving it.
TEST(SimulatorOptionsTest, PeerCanCloseAndReopenTheLine) {
  TSimulatorProcess sim({"--burst", "--period-ms", "50"});
  ASSERT_TRUE(sim.OpenLine());
  const int exclusive = open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(exclusive, 0);
  ASSERT_EQ(ioctl(exclusive, TIOCEXCL), 0);
  sim.Send(5);
  ASSERT_TRUE(sim.ReadUntil([](const std::vector<TTimedByte>& r) { return !r.empty() && r.back().Byte < 16; }));
  sim.CloseLine();
  close(exclusive);
  usleep(200000);  // frames go out meanwhile with nobody on the line
  EXPECT_TRUE(OpensUnprivileged(sim.Path()));
  ASSERT_TRUE(sim.OpenLine());
  const std::size_t from = sim.Received().size();
  sim.Send(6);
  EXPECT_TRUE(sim.ReadUntil([from](const std::vector<TTimedByte>& r) {
    return std::any_of(r.begin() + static_cast<long>(from), r.end(),
                       [](const TTimedByte& b) { return b.Byte == StatusCommandDone; });
  }));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST(SimulatorOptionsTest, GivenDeviceIsSetRawAndCarriesTheLink) {
  // The line as the kernel creates it (cooked, with echo): the simulator must make it raw.
  TTestPty panel(TTestPty::TSlave::Held, TTestPty::TMode::AsCreated);
  ASSERT_TRUE(panel.Ok());
  TSimulatorProcess sim({"--device", panel.SlavePath(), "--burst", "--period-ms", "100"});
  ASSERT_EQ(sim.Path(), panel.SlavePath()) << sim.Err();
  termios t{};
  ASSERT_EQ(tcgetattr(panel.Slave(), &t), 0);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | ICRNL), 0u);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));

  ASSERT_TRUE(panel.Write(std::vector<std::uint8_t>{5}));
  bool answered = false;
  std::uint8_t buffer[512];
  for (int tries = 0; tries < 500 && !answered; ++tries) {
    const ssize_t n = read(panel.Master(), buffer, sizeof buffer);
    for (ssize_t i = 0; i < n; ++i) answered = answered || buffer[i] == StatusCommandDone;
    if (!answered) usleep(10000);
  }
  EXPECT_TRUE(answered);
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

}  // namespace
