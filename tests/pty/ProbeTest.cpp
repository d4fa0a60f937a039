#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dispatch/SioDispatch.h"
#include "platform/SysErrors.h"
#include "port/SioProbe.h"
#include "pty/PtyPortFolder.h"

namespace {

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

struct TSwitches {
  bool throughDispatcher;
  bool countBusy;
};

// Ports 1, 3 and 51 exist, 2 exists but is held elsewhere, 4 does not exist, and 5 is a
// plain file, which no serial port is.
class ProbeTest : public ::testing::TestWithParam<TSwitches> {
 protected:
  void SetUp() override {
    ports.AddPort(1);
    ports.AddPort(2);
    ports.AddPort(3);
    ports.AddPort(51);
    ports.HoldPort(2);
    std::ofstream(ports.Path(5)) << "not a terminal";
    ProbeThroughDispatcher = GetParam().throughDispatcher;
    CountBusyPortsAsPresent = GetParam().countBusy;
  }
  void TearDown() override {
    ProbeThroughDispatcher = true;
    CountBusyPortsAsPresent = true;
  }

  TPtyPortFolder ports;
};

TEST_P(ProbeTest, TellsPresentBusyAndMissingPortsApart) {
  EXPECT_FALSE(ProbePort(0));
  EXPECT_TRUE(ProbePort(1));
  EXPECT_EQ(ProbePort(2), GetParam().countBusy);
  EXPECT_TRUE(ProbePort(3));
  EXPECT_FALSE(ProbePort(4));
  EXPECT_FALSE(ProbePort(5));
  EXPECT_TRUE(ProbePort(51));
}

TEST_P(ProbeTest, LeavesNothingOpenLockedOrRegistered) {
  const int descriptors = OpenDescriptorCount();
  const int dispatchers = DispatcherRegistryCount();
  for (unsigned n = 0; n <= 5; ++n) ProbePort(n);
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
  EXPECT_EQ(DispatcherRegistryCount(), dispatchers);

  // The probed port is free again for anybody to take exclusively, also for a user who
  // cannot pass the terminal's exclusive flag (a pseudo-terminal keeps it while its other
  // side is open).
  const int fd = ::open(ports.Path(1).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  int exclusive = -1;
  EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  ::close(fd);
}

TEST_P(ProbeTest, AnEarlierAccessDeniedDoesNotMakeAMissingPortPresent) {
  for (const unsigned n : {4u, 5u}) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ProbePort(n)) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Switches, ProbeTest,
                         ::testing::Values(TSwitches{true, true}, TSwitches{true, false},
                                           TSwitches{false, true}, TSwitches{false, false}),
                         [](const auto& info) {
                           return std::string(info.param.throughDispatcher ? "Dispatcher" : "Direct") +
                                  (info.param.countBusy ? "CountingBusy" : "IgnoringBusy");
                         });

}  // namespace
