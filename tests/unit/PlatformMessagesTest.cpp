// Message queues across real threads.  gtest runs the tests on the process's initial
// thread, so each test's body plays the main (window) thread and pumps when it must.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/Application.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/SysUtils.h"

namespace {

constexpr std::uint32_t kPing = WM_USER + 1;
constexpr std::uint32_t kBlockUntilReleased = WM_USER + 2;
constexpr std::uint32_t kRelay = WM_USER + 3;
constexpr std::uint32_t kThrow = WM_USER + 4;
// wParam: a sender id, lParam: 0 or 1.  Records in gAnswering[lParam] whether the handler
// answers that sender, before and after waiting for gRelease (when set).
constexpr std::uint32_t kAskAnswering = WM_USER + 5;

std::atomic<int> gRuns{0};
std::atomic<bool> gRanOnMain{false};
TEvent* gRelease = nullptr;
TWindowHandle gRelayTarget = 0;
std::atomic<int> gAnswering[2][2];

TMessageResult TestProc(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kPing:
      ++gRuns;
      gRanOnMain = IsMainThread();
      return static_cast<TMessageResult>(wParam) + lParam;
    case kBlockUntilReleased:
      ++gRuns;
      gRelease->Wait();
      return 1;
    case kRelay:
      // Sends back to a window of the thread that is waiting on this very message.
      return SendMessage(gRelayTarget, kPing, wParam, 1) + 100;
    case kThrow:
      throw std::runtime_error("handler failed");
    case kAskAnswering:
      gAnswering[lParam][0] = IsAnsweringSendOf(reinterpret_cast<TSenderId>(wParam));
      if (gRelease != nullptr) gRelease->Wait();
      gAnswering[lParam][1] = IsAnsweringSendOf(reinterpret_cast<TSenderId>(wParam));
      ++gRuns;
      return 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

const std::string& TestClass() {
  static const std::string name = [] {
    RegisterWindowClass("PlatformTestWindow", TestProc);
    return std::string("PlatformTestWindow");
  }();
  return name;
}

// Runs whatever is queued for the calling thread, until `done` holds or 5 s pass.
template <typename Pred>
bool PumpUntil(Pred done) {
  for (int i = 0; i < 500; ++i) {
    TMsg msg;
    while (PeekMessage(msg, true)) DispatchMessage(msg);
    if (done()) return true;
    GetMessage(msg, 10) ? static_cast<void>(DispatchMessage(msg)) : void();
  }
  return done();
}

class Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    gRuns = 0;
    gRanOnMain = false;
    Window = CreateWindow(TestClass());
    ASSERT_NE(Window, 0u);
  }
  void TearDown() override {
    SetMainQueueWakeHook(nullptr);
    DestroyWindow(Window);
    TMsg msg;
    while (PeekMessage(msg, true)) DispatchMessage(msg);
  }
  TWindowHandle Window = 0;
};

TEST_F(Messages, CrossThreadSendRunsOnTheOwnerAndReturnsItsResult) {
  std::atomic<bool> done{false};
  TMessageResult result = 0;
  bool ok = false;
  std::thread sender([&] {
    ok = SendMessageTimeout(Window, kPing, 40, 2, 3000, &result);
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  sender.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(gRanOnMain.load());
  EXPECT_EQ(gRuns.load(), 1);
}

TEST_F(Messages, SendOnTheOwnerThreadRunsAtOnce) {
  TMessageResult result = 0;
  EXPECT_TRUE(SendMessageTimeout(Window, kPing, 1, 2, 0, &result));
  EXPECT_EQ(result, 3);
  EXPECT_EQ(SendMessage(Window, kPing, 5, 5), 10);
}

TEST_F(Messages, TimedOutSendIsWithdrawnAndNeverRunsLater) {
  bool ok = true;
  std::thread sender([&] {
    TMessageResult result = -1;
    ok = SendMessageTimeout(Window, kPing, 1, 1, 50, &result);
  });
  sender.join();  // the main thread does not pump meanwhile
  EXPECT_FALSE(ok);
  TMsg msg;
  EXPECT_FALSE(PeekMessage(msg, true));
  EXPECT_EQ(gRuns.load(), 0);
}

TEST_F(Messages, SenderStopsWaitingForAHandlerThatOverrunsItsLimit) {
  TEvent release(TEvent::ManualReset);
  gRelease = &release;
  std::atomic<bool> gaveUp{false};
  std::thread sender([&] {
    gaveUp = !SendMessageTimeout(Window, kBlockUntilReleased, 0, 0, 50, nullptr);
    release.Set();  // the handler, running on the main thread, can only end after this
  });
  ASSERT_TRUE(PumpUntil([&] { return gRuns.load() == 1; }));
  sender.join();
  EXPECT_TRUE(gaveUp.load());
  gRelease = nullptr;
}

// The calling thread answers a sender while it runs the sender's message (window procedure or
// synchronised call), and only while the sender still waits for it.
TEST_F(Messages, AnsweringASendIsToldApartFromEverythingElse) {
  TEvent release(TEvent::ManualReset);
  std::atomic<TSenderId> senderId{nullptr};
  std::atomic<int> inSync{-1};
  std::atomic<bool> done{false};
  std::thread sender([&] {
    senderId = CurrentSenderId();
    const auto id = reinterpret_cast<std::uintptr_t>(senderId.load());
    SendMessage(Window, kAskAnswering, id, 0);
    SynchronizeWithMain([&] { inSync = IsAnsweringSendOf(senderId); });
    gRelease = &release;
    SendMessageTimeout(Window, kAskAnswering, id, 1, 50, nullptr);  // gives up while it runs
    release.Set();
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load() && gRuns.load() == 2; }));
  sender.join();
  gRelease = nullptr;
  EXPECT_EQ(gAnswering[0][0], 1);
  EXPECT_EQ(gAnswering[0][1], 1);
  EXPECT_EQ(inSync.load(), 1);
  EXPECT_EQ(gAnswering[1][0], 1);
  EXPECT_EQ(gAnswering[1][1], 0);  // the sender had given up by then
  EXPECT_FALSE(IsAnsweringSendOf(senderId));
  EXPECT_TRUE(IsAnsweringSendOf(CurrentSenderId()));
  EXPECT_FALSE(IsAnsweringSendOf(nullptr));
}

TEST_F(Messages, SendToAWindowDestroyedWhileQueuedReleasesTheSender) {
  TEvent queued(TEvent::ManualReset);
  SetMainQueueWakeHook([&] { queued.Set(); });
  bool ok = true;
  TMessageResult result = -1;
  std::thread sender([&] { ok = SendMessageTimeout(Window, kPing, 1, 1, kInfinite, &result); });
  ASSERT_TRUE(queued.Wait(5000));
  EXPECT_TRUE(DestroyWindow(Window));
  sender.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(gRuns.load(), 0);
  EXPECT_FALSE(IsWindow(Window));
}

TEST_F(Messages, SenderIsReleasedWhenTheOwnerThreadEnds) {
  TWindowHandle workerWindow = 0;
  TEvent created(TEvent::ManualReset);
  TEvent mayEnd(TEvent::ManualReset);
  std::thread owner([&] {
    workerWindow = CreateWindow(TestClass());
    created.Set();
    mayEnd.Wait(5000);
  });
  ASSERT_TRUE(created.Wait(5000));
  std::thread ender([&] {
    SleepMs(20);  // most often the send below is queued by now; either order must release it
    mayEnd.Set();
  });
  TMessageResult result = -1;
  EXPECT_FALSE(SendMessageTimeout(workerWindow, kPing, 1, 1, kInfinite, &result));
  owner.join();
  ender.join();
  EXPECT_FALSE(IsWindow(workerWindow));
  EXPECT_FALSE(PostMessage(workerWindow, kPing, 0, 0));
}

TEST_F(Messages, ThrowingHandlerReleasesItsSenderAndRaisesInTheOwner) {
  std::atomic<bool> done{false};
  bool ok = true;
  std::thread sender([&] {
    ok = SendMessageTimeout(Window, kThrow, 0, 0, kInfinite, nullptr);
    done = true;
  });
  std::string raised;
  for (int i = 0; i < 500 && raised.empty(); ++i) {
    try {
      TMsg msg;
      GetMessage(msg, 10);
    } catch (const std::runtime_error& e) {
      raised = e.what();
    }
  }
  sender.join();
  EXPECT_EQ(raised, "handler failed");
  EXPECT_FALSE(ok);
}

TEST_F(Messages, ASendLeftByAnExceptionWhileWaitingIsWithdrawn) {
  // The sender runs a message sent to its own window while it waits; that handler throws, and
  // the exception leaves the send.  The send must then never run: its arguments are gone.
  TWindowHandle workerWindow = 0;
  TEvent created(TEvent::ManualReset);
  std::string thrown;
  std::thread worker([&] {
    workerWindow = CreateWindow(TestClass());
    created.Set();
    try {
      SendMessage(Window, kPing, 1, 1);
    } catch (const std::runtime_error& e) {
      thrown = e.what();
    }
    DestroyWindow(workerWindow);
  });
  ASSERT_TRUE(created.Wait(5000));
  std::thread other([&] { SendMessageTimeout(workerWindow, kThrow, 0, 0, 5000, nullptr); });
  other.join();  // released with a failure once the handler has thrown
  worker.join();
  EXPECT_EQ(thrown, "handler failed");
  TMsg msg;
  while (PeekMessage(msg, true)) DispatchMessage(msg);
  EXPECT_EQ(gRuns.load(), 0);
}

TEST_F(Messages, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  TWindowHandle workerWindow = 0;
  TMessageResult result = 0;
  TEvent created(TEvent::ManualReset);
  std::thread worker([&] {
    workerWindow = CreateWindow(TestClass());
    created.Set();
    // While waiting for the main thread, this thread runs the main thread's send back to it.
    result = SendMessage(Window, kRelay, 5, 0);
    DestroyWindow(workerWindow);
  });
  ASSERT_TRUE(created.Wait(5000));
  gRelayTarget = workerWindow;
  ASSERT_TRUE(PumpUntil([&] { return gRuns.load() == 1; }));
  worker.join();
  EXPECT_EQ(result, 106);
  EXPECT_FALSE(gRanOnMain.load());  // the relayed ping ran on the worker
}

TEST_F(Messages, PostedMessagesArriveInOrderAndDieWithTheirWindow) {
  EXPECT_TRUE(PostMessage(Window, kPing, 1, 0));
  EXPECT_TRUE(PostMessage(Window, kPing, 2, 0));
  TMsg msg;
  ASSERT_TRUE(PeekMessage(msg, false));
  EXPECT_EQ(msg.WParam, 1u);
  ASSERT_TRUE(GetMessage(msg, 0));
  EXPECT_EQ(msg.WParam, 1u);
  EXPECT_EQ(DispatchMessage(msg), 1);
  DestroyWindow(Window);
  EXPECT_FALSE(PeekMessage(msg, true));
  EXPECT_FALSE(PostMessage(Window, kPing, 3, 0));
  EXPECT_EQ(gRuns.load(), 1);
}

TEST_F(Messages, HandlesAreNeverReused) {
  DestroyWindow(Window);
  const TWindowHandle next = CreateWindow(TestClass());
  EXPECT_NE(next, Window);
  EXPECT_GT(next, Window);
  EXPECT_FALSE(IsWindow(Window));
  DestroyWindow(next);
}

TEST_F(Messages, ClassNamesAreTakenOnce) {
  EXPECT_FALSE(RegisterWindowClass(TestClass(), TestProc));
  EXPECT_FALSE(RegisterWindowClass("", TestProc));
  EXPECT_TRUE(IsWindowClassRegistered(TestClass()));
  EXPECT_EQ(CreateWindow("NoSuchClass"), 0u);
}

TEST_F(Messages, OnlyTheOwnerMayDestroyAWindow) {
  bool destroyed = true;
  std::thread other([&] { destroyed = DestroyWindow(Window); });
  other.join();
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(IsWindow(Window));
}

TEST_F(Messages, QuitMessageEndsGetMessageAndCanBePeekedAndPutBack) {
  PostQuitMessage(3);
  TMsg msg;
  ASSERT_TRUE(PeekMessage(msg, true));
  EXPECT_EQ(msg.Message, WM_QUIT);
  EXPECT_EQ(msg.Window, 0u);
  // What a one-message pump does with it: post it again so the main loop still sees it.
  PostQuitMessage(static_cast<int>(msg.WParam));
  EXPECT_FALSE(GetMessage(msg, 0));
  EXPECT_EQ(msg.Message, WM_QUIT);
  EXPECT_EQ(msg.WParam, 3u);
  EXPECT_FALSE(PeekMessage(msg, true));
}

TEST_F(Messages, GetMessageTimesOutWithNullMessage) {
  TMsg msg;
  msg.Message = kPing;
  EXPECT_FALSE(GetMessage(msg, 20));
  EXPECT_EQ(msg.Message, WM_NULL);
}

TEST_F(Messages, WakeHookRunsForMainQueueOnlyAndOutsideInternalLocks) {
  std::atomic<int> wakes{0};
  SetMainQueueWakeHook([&] {
    if (IsWindow(Window)) ++wakes;  // would deadlock if called under the registry lock
  });
  TWindowHandle workerWindow = 0;
  std::thread worker([&] {
    PostMessage(Window, kPing, 0, 0);
    workerWindow = CreateWindow(TestClass());
    PostMessage(workerWindow, kPing, 0, 0);
    DestroyWindow(workerWindow);
  });
  worker.join();
  EXPECT_EQ(wakes.load(), 1);
  PostMessage(Window, kPing, 0, 0);
  EXPECT_EQ(wakes.load(), 2);
}

TEST_F(Messages, SynchronizeRunsOnMainAndCarriesExceptionsBack) {
  std::atomic<bool> done{false};
  bool ranOnMain = false;
  std::string caught;
  std::thread worker([&] {
    SynchronizeWithMain([&] { ranOnMain = IsMainThread(); });
    try {
      SynchronizeWithMain([] { throw EConvertError("from main"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(caught, "from main");
}

TEST_F(Messages, ExceptionShownFromAWorkerIsDisplayedOnTheMainThread) {
  std::string shown;
  bool shownOnMain = false;
  Application().SetExceptionDisplay([&](const std::string& message) {
    shown = message;
    shownOnMain = IsMainThread();
  });
  std::thread worker([] { Application().ShowException(std::runtime_error("worker failed")); });
  worker.join();
  EXPECT_TRUE(shown.empty());  // waits for the main thread's pump
  EXPECT_TRUE(PumpUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(shown, "worker failed");
  EXPECT_TRUE(shownOnMain);
  Application().SetExceptionDisplay(nullptr);
}

}  // namespace
