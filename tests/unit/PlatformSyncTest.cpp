// Locks and events across real threads.
#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Sync.h"
#include "platform/SysErrors.h"

namespace {

TEST(RecursiveLock, ReenteredByItsOwnerAndHeldUntilTheLastLeave) {
  TRecursiveLock lock;
  EXPECT_FALSE(lock.HeldByCurrentThread());
  lock.Enter();
  lock.Enter();
  EXPECT_TRUE(lock.HeldByCurrentThread());

  std::atomic<bool> otherSawHeld{true};
  std::atomic<bool> otherGotIt{false};
  TEvent attempted(TEvent::ManualReset);
  std::thread other([&] {
    otherSawHeld = lock.HeldByCurrentThread();
    attempted.Set();
    std::lock_guard guard(lock);
    otherGotIt = true;
  });
  attempted.Wait();
  lock.Leave();
  EXPECT_TRUE(lock.HeldByCurrentThread());  // one level is still held
  EXPECT_FALSE(otherGotIt.load());
  lock.Leave();
  other.join();
  EXPECT_FALSE(otherSawHeld.load());
  EXPECT_TRUE(otherGotIt.load());
  EXPECT_FALSE(lock.HeldByCurrentThread());
}

TEST(Event, AutoResetIsClearedByTheWaitThatTakesIt) {
  TEvent event(TEvent::AutoReset);
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  event.Set();  // repeated sets before a wait count once
  EXPECT_TRUE(event.IsSet());
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.Wait(10));
}

TEST(Event, ManualResetStaysSetUntilReset) {
  TEvent event(TEvent::ManualReset, true);
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(kInfinite));
  EXPECT_TRUE(event.TryTake());
  EXPECT_TRUE(event.IsSet());
  event.Reset();
  EXPECT_FALSE(event.Wait(10));
  event.Reset();  // resetting a clear event is harmless
  EXPECT_FALSE(event.IsSet());
}

TEST(Event, DescriptorIsReadableExactlyWhileSet) {
  TEvent event(TEvent::AutoReset);
  pollfd p{event.Fd(), POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 0), 0);
  event.Set();
  EXPECT_EQ(poll(&p, 1, 0), 1);
  EXPECT_TRUE(event.TryTake());
  EXPECT_FALSE(event.TryTake());
  EXPECT_EQ(poll(&p, 1, 0), 0);
}

TEST(Event, WaiterOnAnotherThreadSeesWhatTheSetterWrote) {
  for (const TEvent::TReset kind : {TEvent::AutoReset, TEvent::ManualReset}) {
    TEvent event(kind);
    int payload = 0;
    std::thread setter([&] {
      payload = 42;
      event.Set();
    });
    ASSERT_TRUE(event.Wait(5000));
    EXPECT_EQ(payload, 42);
    setter.join();
  }
}

TEST(Event, AutoResetReleasesOneWaiterPerSet) {
  TEvent event(TEvent::AutoReset);
  TEvent stop(TEvent::ManualReset);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      if (WaitForEither(stop, event) == 1) ++released;
    });
  }
  event.Set();
  for (int i = 0; i < 500 && released.load() == 0; ++i) SleepMs(10);
  EXPECT_EQ(released.load(), 1);
  SleepMs(50);  // room for a wrongly released second waiter to show up
  stop.Set();
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released.load(), 1);
  EXPECT_FALSE(event.IsSet());
}

TEST(ThreadSignal, ASetIsKeptForOneWaitAndCarriesTheSettersWrites) {
  TThreadSignal signal;
  EXPECT_FALSE(signal.Wait(0));
  signal.Set();
  signal.Set();  // repeated sets before a wait count once
  EXPECT_TRUE(signal.Wait(0));
  EXPECT_FALSE(signal.Wait(10));
  int payload = 0;
  std::thread setter([&] {
    payload = 42;
    signal.Set();
  });
  ASSERT_TRUE(signal.Wait(kInfinite));
  EXPECT_EQ(payload, 42);
  setter.join();
}

TEST(ThreadSignal, NoSetIsLostInHandOversBackAndForth) {
  // Sets that race with a waiter going to sleep: a lost one leaves its waiter asleep.
  TThreadSignal toOther;
  TThreadSignal back;
  constexpr int kRounds = 20000;
  std::atomic<int> missed{0};
  std::thread other([&] {
    for (int i = 0; i < kRounds; ++i) {
      if (!toOther.Wait(10000)) ++missed;
      back.Set();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    toOther.Set();
    if (!back.Wait(10000)) ++missed;
  }
  other.join();
  EXPECT_EQ(missed.load(), 0);
}

TEST(ThreadSignal, EachSleepingWaiterIsReleasedByASetOfItsOwn) {
  TThreadSignal signal;
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i) {
    waiters.emplace_back([&] {
      if (signal.Wait(10000)) ++released;
    });
  }
  SleepMs(50);  // both asleep
  signal.Set();
  for (int i = 0; i < 500 && released.load() == 0; ++i) SleepMs(10);
  SleepMs(50);  // room for a wrongly released second waiter to show up
  EXPECT_EQ(released.load(), 1);
  signal.Set();
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released.load(), 2);
}

TEST(WaitForEither, FirstWinsAndOnlyTheWinnerIsTaken) {
  TEvent first(TEvent::AutoReset);
  TEvent second(TEvent::AutoReset);
  first.Set();
  second.Set();
  EXPECT_EQ(WaitForEither(first, second, 0), 0);
  EXPECT_FALSE(first.IsSet());
  EXPECT_TRUE(second.IsSet());
  EXPECT_EQ(WaitForEither(first, second, 0), 1);
  EXPECT_EQ(WaitForEither(first, second, 20), -1);
}

TEST(WaitForEither, ManualResetWinnerStaysSet) {
  TEvent done(TEvent::ManualReset);
  TEvent stop(TEvent::AutoReset);
  done.Set();
  EXPECT_EQ(WaitForEither(done, stop, 0), 0);
  EXPECT_TRUE(done.IsSet());
}

TEST(WaitForEither, WakesForTheSecondSetFromAnotherThread) {
  TEvent first(TEvent::AutoReset);
  TEvent second(TEvent::AutoReset);
  std::thread setter([&] { second.Set(); });
  EXPECT_EQ(WaitForEither(first, second, 5000), 1);
  setter.join();
  EXPECT_FALSE(second.IsSet());
}

TEST(LastError, IsKeptPerThread) {
  SetLastError(5);
  int seenByOther = -1;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(87);
  });
  other.join();
  EXPECT_EQ(seenByOther, 0);
  EXPECT_EQ(GetLastError(), 5);
}

}  // namespace
