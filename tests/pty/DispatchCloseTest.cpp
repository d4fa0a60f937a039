// Stopping the workers and releasing the rings while trigger deliveries are in progress:
// a close from inside a handler is completed by the dispatch worker once the delivery has
// returned, the rings and signals go exactly once, and stopping the workers while a
// delivery waits for the main thread does not deadlock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DispatchTestSupport.h"
#include "dispatch/SioSysCalls.h"
#include "platform/SysUtils.h"

namespace {

class DispatchClose : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    ASSERT_EQ(Line.Open(Peer.SlavePath()), 0);
    Line.SetAvailThreshold(1);
  }
  // The rings and signals are freed.
  bool Released() { return Line.LineStage() == lsReleased; }

  TTestPty Peer{kPeerSlave, kPeerMode};
  TTestDispatcher Line;
};

TEST_F(DispatchClose, CloseFromAMainThreadHandlerIsCompletedWhenTheDeliveryReturns) {
  std::atomic<int> calls{0};
  bool ringsDuringHandler = false;
  bool deferred = false;
  Line.AddMethodHandler(this, [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message != TriggerAvailMsg || calls++ != 0) return;
    std::uint8_t byte = 0;
    EXPECT_EQ(Line.ReadBlock(&byte, 1), 1);
    Line.CloseLine();
    deferred = Line.CloseRequested();
    ringsDuringHandler = !Released();
  }, true);
  ASSERT_TRUE(Peer.Write(std::string("xy")));
  ASSERT_TRUE(PumpUntil([&] { return calls > 0 && !Line.WorkersRunning(); }));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(deferred);
  EXPECT_TRUE(ringsDuringHandler);
  EXPECT_TRUE(Released());
  EXPECT_EQ(Line.DeviceHandle(), -1);
}

TTestDispatcher* gLine = nullptr;
std::atomic<int> gCalls{0};

std::atomic<bool> gDeferred{false};

void CloseFromWorker(std::uint32_t message, std::uintptr_t, std::intptr_t) {
  if (message != TriggerAvailMsg || gCalls++ != 0) return;
  gLine->CloseLine();
  gDeferred = gLine->CloseRequested();
}

TEST_F(DispatchClose, CloseFromAHandlerOnTheDispatchWorkerReleasesOnce) {
  gLine = &Line;
  gCalls = 0;
  Line.AddProcedureHandler(&CloseFromWorker);
  ASSERT_TRUE(Peer.Write(std::string("x")));
  ASSERT_TRUE(WaitUntil([&] { return gCalls > 0 && !Line.WorkersRunning(); }));
  EXPECT_TRUE(gDeferred);
  EXPECT_TRUE(Released());
  EXPECT_EQ(gCalls, 1);
}

TEST_F(DispatchClose, HaltingWhileADeliveryWaitsForTheMainThreadLetsItFinish) {
  std::atomic<int> calls{0};
  Line.AddMethodHandler(this, [&](std::uint32_t, std::uintptr_t, std::intptr_t) {
    std::uint8_t byte = 0;
    Line.ReadBlock(&byte, 1);
    ++calls;
  }, true);
  ASSERT_TRUE(Peer.Write(std::string("x")));
  // The dispatch worker now waits for the main thread, which does not pump.
  ASSERT_TRUE(WaitUntil([&] { return Line.Dispatching(); }));
  Line.HaltWorkers();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(Line.WorkersRunning());
  EXPECT_FALSE(Line.Dispatching());
  Line.CloseLine();
  EXPECT_TRUE(Released());
}

// The dispatch worker waits for its handlers: stopping it from one of them could never end.
TEST_F(DispatchClose, StoppingTheWorkersFromInsideADeliveryIsRefused) {
  for (const bool synchronized : {true, false}) {
    SCOPED_TRACE(synchronized);
    std::string refused;
    std::atomic<bool> done{false};
    Line.AddMethodHandler(this, [&](std::uint32_t, std::uintptr_t, std::intptr_t) {
      if (done) return;
      try {
        Line.HaltWorkers();
      } catch (const Exception& e) {
        refused = e.Message();
      }
      done = true;
    }, synchronized);
    ASSERT_TRUE(Peer.Write(std::string("x")));
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(refused, "The dispatcher's workers cannot be stopped from inside its trigger delivery");
    EXPECT_TRUE(Line.WorkersRunning());
    Line.RemoveMethodHandler(this);
  }
}

// Holds the dispatch worker inside its next device read (no dispatcher lock is waited for
// by the test meanwhile) until released.
class THeldRead : public TSioSysCalls {
 public:
  std::atomic<bool> Armed{false}, Holding{false}, Release{false};
  ssize_t Read(int fd, void* buffer, size_t count) override {
    if (Armed.exchange(false)) {
      Holding = true;
      while (!Release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return TSioSysCalls::Read(fd, buffer, count);
  }
};

// Once the workers are being stopped no delivery starts: the thread stopping them runs its
// messages while it waits, and a handler reached through them would run inside that stop.
TEST(DispatchHalt, NoDeliveryStartsOnceTheWorkersAreBeingStopped) {
  TTestPty peer(kPeerSlave, kPeerMode);
  THeldRead seam;
  TTestDispatcher line;
  line.SetSysCalls(seam);
  ASSERT_EQ(line.Open(peer.SlavePath()), 0);
  line.SetAvailThreshold(1);
  std::atomic<int> handled{0};
  line.AddMethodHandler(&handled, [&](std::uint32_t, std::uintptr_t, std::intptr_t) { ++handled; }, true);
  seam.Armed = true;
  ASSERT_TRUE(peer.Write(std::string("x")));
  ASSERT_TRUE(WaitUntil([&] { return seam.Holding.load(); }));
  std::thread release([&] {
    WaitUntil([&] { return line.LineStage() == lsHalting; });
    seam.Release = true;
  });
  line.HaltWorkers();  // the worker reads "x" and goes on with its pass meanwhile
  release.join();
  EXPECT_EQ(handled.load(), 0);
  EXPECT_FALSE(line.WorkersRunning());
  line.CloseLine();
}

TEST_F(DispatchClose, DestroyingADispatcherWhoseCloseWasDeferredWaitsForItsWorker) {
  std::atomic<bool> closed{false};
  auto line = std::make_unique<TTestDispatcher>();
  TTestPty peer(kPeerSlave, kPeerMode);
  ASSERT_TRUE(peer.Ok());
  ASSERT_EQ(line->Open(peer.SlavePath()), 0);
  line->SetAvailThreshold(1);
  TTestDispatcher* raw = line.get();
  raw->AddMethodHandler(this, [&, raw](std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message != TriggerAvailMsg || closed.exchange(true)) return;
    raw->CloseLine();
  }, true);
  ASSERT_TRUE(peer.Write(std::string("x")));
  ASSERT_TRUE(PumpUntil([&] { return closed.load(); }));
  line.reset();  // may run before the dispatch worker has released: it must wait for it
  SUCCEED();
}

}  // namespace
