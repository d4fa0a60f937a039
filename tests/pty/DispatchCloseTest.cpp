// Stopping the workers and releasing the rings while trigger deliveries are in progress:
// a close from inside a handler is completed by the dispatch worker once the delivery has
// returned, the rings and signals go exactly once, and stopping the workers while a
// delivery waits for the main thread does not deadlock.
#include <gtest/gtest.h>

#include <atomic>

#include "DispatchTestSupport.h"

namespace {

class DispatchClose : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    ASSERT_EQ(Line.Open(Peer.SlavePath()), 0);
    Line.SetAvailThreshold(1);
  }
  bool Released() {
    std::lock_guard in(Line.InputLock);
    return Line.FInRing == nullptr && Line.FOutRing == nullptr && Line.DeviceEventSignal == nullptr;
  }

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
    std::lock_guard in(Line.InputLock);
    ringsDuringHandler = Line.FInRing != nullptr;
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

void CloseFromWorker(std::uint32_t message, std::uintptr_t, std::intptr_t) {
  if (message == TriggerAvailMsg && gCalls++ == 0) gLine->CloseLine();
}

TEST_F(DispatchClose, CloseFromAHandlerOnTheDispatchWorkerReleasesOnce) {
  gLine = &Line;
  gCalls = 0;
  Line.AddProcedureHandler(&CloseFromWorker);
  ASSERT_TRUE(Peer.Write(std::string("x")));
  ASSERT_TRUE(WaitUntil([&] { return gCalls > 0 && !Line.WorkersRunning(); }));
  EXPECT_TRUE(Line.CloseRequested());
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
