// Byte I/O of the dispatcher over a real pseudo-terminal: the dispatcher opens the slave,
// the test plays the peer on the master and reads the input ring from its own thread (no
// trigger handler is registered and the avail threshold stays 0).
#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <atomic>
#include <thread>

#include "DispatchTestSupport.h"
#include "common/SioErrorCodes.h"

namespace {

using namespace std::chrono_literals;

class DispatchIo : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    ASSERT_EQ(Line.Open(Peer.SlavePath()), 0);
  }
  // XOFF from the peer holds the dispatcher's output; the marker that follows it tells
  // that the slave has seen the XOFF.
  void HoldOutput() {
    ASSERT_EQ(Line.SetSoftwareFlow(100, 10, 1), 0);
    ASSERT_TRUE(Peer.Write(std::string("\x13M")));
    ASSERT_EQ(Line.Take(1), std::vector<std::uint8_t>{'M'});
  }
  void ReleaseOutput() { ASSERT_TRUE(Peer.Write(std::string("\x11"))); }

  TTestPty Peer{kPeerSlave, kPeerMode};
  TTestDispatcher Line;
};

TEST_F(DispatchIo, PeerBytesReachReadBlockInOrderAcrossManyRingWraps) {
  const auto sent = Pattern(100'000);
  std::thread writer([&] { EXPECT_TRUE(Peer.Write(sent)); });
  const auto got = Line.Take(sent.size(), 20s);
  writer.join();
  EXPECT_EQ(got, sent);
}

TEST_F(DispatchIo, ReadBlockRefusesMoreThanIsUnreadAndLeavesTheRing) {
  ASSERT_TRUE(Peer.Write(std::string("abc")));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == 3; }));
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(Line.ReadBlock(buffer, 4), ecBufferIsEmpty);
  EXPECT_EQ(Line.ReadBlock(buffer, 0), 0);
  EXPECT_EQ(Line.InCount(), 3u);
  EXPECT_EQ(Line.ReadBlock(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, buffer + 3), "abc");
}

TEST_F(DispatchIo, BlockSplitAtTheRingsEndComesBackInOrder) {
  // Move the ring's indexes near its end, then read a block that crosses it.
  ASSERT_TRUE(Peer.Write(Pattern(8000)));
  EXPECT_EQ(Line.Take(8000), Pattern(8000));
  ASSERT_TRUE(Peer.Write(Pattern(500, 8000)));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == 500; }));
  std::uint8_t buffer[500];
  ASSERT_EQ(Line.ReadBlock(buffer, 500), 500);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 500), Pattern(500, 8000));
}

TEST_F(DispatchIo, FullInputRingStopsFillingUntilBytesAreRead) {
  const auto sent = Pattern(kInRingSize + 3000);
  ASSERT_TRUE(Peer.Write(sent));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == kInRingSize; }));
  // The rest waits in the device's own queue.
  ASSERT_TRUE(WaitUntil([&] {
    int waiting = 0;
    return ioctl(Line.DeviceHandle(), FIONREAD, &waiting) == 0 && waiting == 3000;
  }));
  EXPECT_EQ(Line.InCount(), kInRingSize);
  EXPECT_EQ(Line.Take(sent.size()), sent);
}

TEST_F(DispatchIo, WritingExactlyTheFreeSpaceFillsTheRingAndThePeerGetsEachByteOnce) {
  HoldOutput();
  const auto block = Pattern(4096);
  ASSERT_EQ(Line.WriteBlock(block.data(), 4096), 0);
  EXPECT_EQ(Line.OutUsed(), 4096u);
  EXPECT_EQ(Line.OutFree(), 0u);
  const std::uint8_t extra = 1;
  EXPECT_EQ(Line.WriteBlock(&extra, 1), ecOutputBufferTooSmall);
  ReleaseOutput();
  EXPECT_EQ(Peer.Read(4096), block);
  EXPECT_TRUE(WaitUntil([&] { return Line.OutUsed() == 0; }));
  EXPECT_TRUE(Peer.Read(1, 200ms).empty());
}

TEST_F(DispatchIo, OutputPurgeWhileAWriteIsHeldEmptiesTheRing) {
  HoldOutput();
  const auto block = Pattern(1000);
  ASSERT_EQ(Line.WriteBlock(block.data(), 1000), 0);
  EXPECT_EQ(Line.PurgeOutput(), 0);
  EXPECT_EQ(Line.OutUsed(), 0u);
  EXPECT_TRUE(Line.OutUsed() == 0);
  ReleaseOutput();
  const std::uint8_t marker = 'Z';
  ASSERT_EQ(Line.WriteBlock(&marker, 1), 0);
  EXPECT_EQ(Peer.Read(1), std::vector<std::uint8_t>{'Z'});
}

TEST_F(DispatchIo, InputPurgeDropsUnreadBytes) {
  ASSERT_TRUE(Peer.Write(std::string("old")));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == 3; }));
  EXPECT_EQ(Line.PurgeInput(), 0);
  EXPECT_EQ(Line.InCount(), 0u);
  ASSERT_TRUE(Peer.Write(std::string("new")));
  EXPECT_EQ(Line.Take(3), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
}

TEST_F(DispatchIo, InputPurgedInsideADeliveryIsGoneForEveryoneAfterIt) {
  std::atomic<int> matches{0};
  std::atomic<std::uint32_t> countAfterPurge{99};
  std::atomic<std::uint32_t> countInNextHandler{99};
  Line.AddMethodHandler(&matches, [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message != TriggerDataMsg || matches++ != 0) return;
    Line.PurgeInput();
    countAfterPurge = Line.InCount();
  }, false);
  Line.AddMethodHandler(&countInNextHandler, [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
    std::uint8_t byte = 0;
    if (message == TriggerDataMsg && countInNextHandler == 99) {
      countInNextHandler = Line.InCount();
      EXPECT_EQ(Line.ReadBlock(&byte, 1), ecBufferIsEmpty);
    }
  }, false);
  ASSERT_GT(Line.AddDataTrigger(reinterpret_cast<const std::uint8_t*>("X"), 1, false), 0);
  ASSERT_TRUE(Peer.Write(std::string("aXbXcXd")));
  ASSERT_TRUE(WaitUntil([&] { return matches > 0 && Line.InCount() == 0; }));
  std::this_thread::sleep_for(100ms);  // two more passes: the thrown-away X's must not match
  EXPECT_EQ(matches, 1);
  EXPECT_EQ(countAfterPurge, 0u);
  EXPECT_EQ(countInNextHandler, 0u);
  // Bytes after the purge are scanned as before.
  ASSERT_TRUE(Peer.Write(std::string("eX")));
  EXPECT_TRUE(WaitUntil([&] { return matches == 2; }));
  EXPECT_EQ(Line.Take(2), (std::vector<std::uint8_t>{'e', 'X'}));
}

TEST_F(DispatchIo, TrafficBothWaysAtOnceKeepsEveryByte) {
  ExchangeBothWays(Peer, Line, Pattern(60'000, 11), Pattern(60'000, 99));
}

// A dispatcher serves one line session: starting it again, open or closed, is refused and
// leaves an open line working.
TEST_F(DispatchIo, StartingAgainIsRefused) {
  enum TAgain { kWorkers, kOpenWhileOpen, kOpenAfterClose };
  for (const TAgain again : {kWorkers, kOpenWhileOpen, kOpenAfterClose}) {
    SCOPED_TRACE(again);
    if (again == kOpenAfterClose) Line.CloseLine();
    try {
      if (again == kWorkers) {
        Line.StartWorkers();
      } else {
        Line.Open(Peer.SlavePath());
      }
      ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), "Dispatcher already started");
    }
    if (again == kOpenAfterClose) {
      EXPECT_EQ(Line.LineStage(), lsReleased);
      EXPECT_EQ(Line.DeviceHandle(), -1);
    } else {
      ASSERT_TRUE(Peer.Write(std::string("x")));
      EXPECT_EQ(Line.Take(1), std::vector<std::uint8_t>{'x'});
    }
  }
}

TEST_F(DispatchIo, CloseStopsTheWorkersAndReleasesTheRings) {
  Line.CloseLine();
  EXPECT_FALSE(Line.WorkersRunning());
  EXPECT_EQ(Line.DeviceHandle(), -1);
  EXPECT_EQ(Line.LineStage(), lsReleased);
  const std::uint8_t byte = 1;
  EXPECT_EQ(Line.WriteBlock(&byte, 1), ecCommNotOpen);
  std::uint8_t buffer[1];
  EXPECT_EQ(Line.ReadBlock(buffer, 1), ecBufferIsEmpty);
}

}  // namespace
