// The simulator serving its line over TCP (--listen), to a plain TCP client: frames and key
// answers, one client at a time, the next one once the first has gone, and a hang-up.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "pty/SimulatorProcess.h"

namespace {

auto CompleteFramesAtLeast(std::size_t count) {
  return [count](const std::vector<TTimedByte>& r) { return CompleteFrames(r).size() >= count; };
}

// Whether the connection ends (the peer closed it) within 5 s without a byte coming first.
bool ClosedWithoutAByte(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, 5000) != 1) return false;
  char byte = 0;
  return read(fd, &byte, 1) == 0;
}

TEST(SimulatorTcpTest, OneClientAtATimeGetsFramesAndKeyAnswersAnotherIsClosedAtOnce) {
  TSimulatorProcess sim({"--listen", "0", "--burst", "--period-ms", "30"});
  ASSERT_EQ(sim.Path().rfind("tcp://127.0.0.1:", 0), 0u) << sim.Path();
  ASSERT_TRUE(sim.ConnectLine());
  ASSERT_TRUE(sim.ReadUntil(CompleteFramesAtLeast(1)));
  sim.Send(25);
  ASSERT_TRUE(sim.ReadUntil([](const std::vector<TTimedByte>& r) {
    return std::any_of(r.begin(), r.end(), [](const TTimedByte& b) { return b.Byte == 130; });
  }));

  const int second = ConnectTcp(sim.Path());
  ASSERT_GE(second, 0);
  EXPECT_TRUE(ClosedWithoutAByte(second));
  close(second);
  const std::size_t before = CompleteFrames(sim.Received()).size();
  EXPECT_TRUE(sim.ReadUntil(CompleteFramesAtLeast(before + 2))) << "the first client keeps the line";

  sim.CloseLine();
  ASSERT_TRUE(sim.ConnectLine());
  const std::size_t served = CompleteFrames(sim.Received()).size();
  EXPECT_TRUE(sim.ReadUntil(CompleteFramesAtLeast(served + 2))) << "the next client is served";
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  const std::string err = sim.Err();
  for (const char* said : {"connected", "refused", "went away"}) EXPECT_NE(err.find(said), std::string::npos) << err;
}

// The stand-in for a device server that closes the connection in the middle of a session.
TEST(SimulatorTcpTest, HangupAfterClosesTheConnectionAfterThatManyFrames) {
  TSimulatorProcess sim({"--listen", "0", "--burst", "--period-ms", "20", "--hangup-after", "3"});
  ASSERT_TRUE(sim.ConnectLine());
  sim.ReadUntil([](const std::vector<TTimedByte>&) { return false; });
  EXPECT_TRUE(sim.HungUp());
  EXPECT_EQ(CompleteFrames(sim.Received()).size(), 3u);
  EXPECT_EQ(sim.Wait(), 0);
}

}  // namespace
