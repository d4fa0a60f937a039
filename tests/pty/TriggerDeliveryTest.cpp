// Trigger delivery end to end: bytes written by the peer of a pseudo-terminal, read by the
// dispatch worker, and announced to handler windows that run on the main thread.
//
// Where a test needs several bytes to arrive in one pass, the handler of an earlier message
// (which holds the dispatch worker) queues them in the device before it returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>
#include <thread>

#include "TriggerTestSupport.h"

namespace {

using namespace std::chrono_literals;

std::uint32_t ReadAll(std::uint32_t, std::uintptr_t wParam) { return static_cast<std::uint32_t>(wParam); }
std::uint32_t ReadNothing(std::uint32_t, std::uintptr_t) { return 0; }

const std::uint8_t* Bytes(const char* s) { return reinterpret_cast<const std::uint8_t*>(s); }

class TriggerDelivery : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Line.Open(Pty.SlavePath())); }
  TTestPty Pty;
  TTriggerLine Line;
};

struct TUnreadCase {
  std::uint32_t ReadPerCall;
  int Windows;
  const char* Burst;  // arrives in the pass after the first byte "p"
  const char* More;   // arrives after the second announcement
  const char* Expected;
};

// Each handler reads at most ReadPerCall of the announced bytes; what every handler leaves
// unread is announced again, with the newer bytes, at the next arrival.
TEST_F(TriggerDelivery, UnreadBytesAreAnnouncedAgainWithTheNextArrival) {
  const TUnreadCase cases[] = {
      {2, 1, "abc", "d", "A1:p A3:ab A2:cd"},
      {1, 1, "abcde", "f", "A1:p A5:a A5:b"},
      {0, 1, "abc", "d", "A1: A4: A5:"},
      {99, 1, "abc", "d", "A1:p A3:abc A1:d"},
      // Two handlers each read 3 of 5: both get the same bytes and the tail moves by 3.
      {3, 2, "abcde", "f", "A1:p A5:abc A3:def"},
  };
  for (const auto& c : cases) {
    TTestPty pty;
    TTriggerLine line;
    ASSERT_TRUE(line.Open(pty.SlavePath()));
    std::vector<std::unique_ptr<TTriggerWindow>> windows;
    for (int i = 0; i < c.Windows; ++i) {
      windows.push_back(std::make_unique<TTriggerWindow>(
          line, [&c](std::uint32_t, std::uintptr_t) { return c.ReadPerCall; }));
      line.AddWindowHandler(windows.back()->Handle);
    }
    line.UpdateHandlerState(1);
    line.SetAvailThreshold(1);
    TTriggerWindow& first = *windows.front();
    first.Before = [&](std::uint32_t, std::uintptr_t) {
      if (first.Calls.empty()) {
        EXPECT_TRUE(QueueForNextPass(pty, c.Burst));
      }
    };
    ASSERT_TRUE(pty.Write("p"));
    ASSERT_TRUE(PumpUntil([&] { return windows.back()->Calls.size() == 2; })) << windows.back()->Joined();
    ASSERT_TRUE(pty.Write(c.More));
    ASSERT_TRUE(PumpUntil([&] { return windows.back()->Calls.size() == 3; })) << windows.back()->Joined();
    for (const auto& w : windows) {
      EXPECT_EQ(w->Joined(), c.Expected) << "reading " << c.ReadPerCall << " per call";
      EXPECT_EQ(w->WrongRegistryIndex, 0);
    }
  }
}

struct TDataCase {
  const char* Text;
  const char* Input;  // arrives in one pass after the primer "!"
  std::uint32_t Threshold;
  const char* Expected;
};

// The primer "!" and the closing "ZZ" are data triggers of their own (D1 and the final D2).
// Avail handlers read everything announced; data handlers read nothing.
TEST_F(TriggerDelivery, DataTriggersFireOnTheirStringAndAvailCountsTheBytesBeforeIt) {
  const TDataCase cases[] = {
      {"AB", "xyzAB", 1, "D1 A1:! A3:xyz D2 A2:AB"},
      {"AB", "AAB", 1, "D1 A1:! A1:A D2 A2:AB"},
      {"AB", "ABAB", 1, "D1 A1:! D2 A2:AB D2 A2:AB"},
      {"AAB", "AAAB", 1, "D1 A1:! A1:A D3 A3:AAB"},
      {"ab", "xAb", 1, "D1 A1:! A1:x D2 A2:Ab"},  // registered ignoring case
      // Threshold 0: no avail at all, data triggers still fire.
      {"AB", "xyzAB", 0, "D1 D2"},
  };
  for (const auto& c : cases) {
    TTestPty pty;
    TTriggerLine line;
    ASSERT_TRUE(line.Open(pty.SlavePath()));
    TTriggerWindow window(line, ReadAll);
    const int primer = line.AddDataTrigger(Bytes("!"), 1, false);
    line.AddDataTrigger(Bytes(c.Text), static_cast<std::uint32_t>(std::strlen(c.Text)), std::islower(c.Text[0]) != 0);
    line.AddDataTrigger(Bytes("ZZ"), 2, false);
    window.Policy = [&](std::uint32_t message, std::uintptr_t wParam) {
      return message == TriggerAvailMsg ? static_cast<std::uint32_t>(wParam) : 0u;
    };
    window.Before = [&](std::uint32_t message, std::uintptr_t wParam) {
      if (message == TriggerDataMsg && wParam == static_cast<std::uintptr_t>(primer)) {
        EXPECT_TRUE(QueueForNextPass(pty, c.Input));
      }
    };
    Listen(line, window, c.Threshold);
    const std::string expected = std::string(c.Expected) + " D2";
    const auto count = static_cast<std::size_t>(std::count(expected.begin(), expected.end(), ' '));
    ASSERT_TRUE(pty.Write("!"));
    PumpUntil([&] { return window.Calls.size() == count; });
    ASSERT_TRUE(pty.Write("ZZ"));
    ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() > count; })) << window.Joined();
    window.Calls.resize(count + 1);
    EXPECT_EQ(window.Joined(), expected) << c.Text << " in " << c.Input;
  }
}

// Timer and status triggers fire once and disarm; arming them again fires them again.
TEST_F(TriggerDelivery, TimerAndStatusTriggersFireOnceAndDisarm) {
  TTriggerWindow window(Line, ReadAll);
  Listen(Line, window, 1);
  const int timer = Line.AddTimerTrigger();
  const int free = Line.AddStatusTrigger(stOutFree);
  const int sent = Line.AddStatusTrigger(stOutSent);
  auto armed = [&](std::size_t timerIndex, std::size_t statusIndex) {
    const TSavedTriggers now = Line.Triggers();
    return std::make_pair(now.Timers->at(timerIndex).Armed != 0, now.Status->at(statusIndex).Armed);
  };
  const std::string t = "T" + std::to_string(timer);
  const std::string s = "S" + std::to_string(free);

  ASSERT_EQ(Line.SetTimerTrigger(static_cast<std::uint32_t>(timer), 1, true), 0);
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 1; }));
  EXPECT_FALSE(armed(0, 0).first);
  ASSERT_EQ(Line.SetStatusTrigger(static_cast<std::uint32_t>(free), 100, true), 0);
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 2; }));
  EXPECT_FALSE(armed(0, 0).second);
  ASSERT_EQ(Line.SetStatusTrigger(static_cast<std::uint32_t>(free), 100, true), 0);
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 3; }));
  ASSERT_EQ(Line.SetStatusTrigger(static_cast<std::uint32_t>(sent), 0, true), 0);
  ASSERT_EQ(Line.WriteBlock(Bytes("q"), 1), 0);
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 4; }));
  ASSERT_EQ(Line.SetTimerTrigger(static_cast<std::uint32_t>(timer), 1, true), 0);
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 5; }));
  EXPECT_EQ(window.Joined(), t + " " + s + " " + s + " S" + std::to_string(sent) + " " + t);
}

// A window handler that closes the line: the handlers after it are skipped, and the rings
// stay until the dispatch worker has ended.
TEST_F(TriggerDelivery, ClosingTheLineInsideADeliverySkipsTheRemainingHandlers) {
  TTriggerWindow closer(Line, ReadNothing);
  TTriggerWindow after(Line, ReadNothing);
  Line.AddWindowHandler(closer.Handle);
  Line.AddWindowHandler(after.Handle);
  Line.SetAvailThreshold(1);
  bool deferred = false;
  closer.Before = [&](std::uint32_t, std::uintptr_t) {
    Line.CloseLine();
    deferred = Line.CloseRequested();
  };
  ASSERT_TRUE(Pty.Write("x"));
  ASSERT_TRUE(PumpUntil([&] { return !closer.Calls.empty() && !Line.WorkersRunning(); }));
  EXPECT_TRUE(deferred) << "the rings stay until the dispatch worker has ended";
  EXPECT_EQ(Line.LineStage(), lsReleased);
  EXPECT_EQ(closer.Calls.size(), 1u);
  EXPECT_TRUE(after.Calls.empty());
}

// A main thread busy for longer than the send limit: the message it never took is withdrawn,
// the worker goes on, and the unread byte is announced with the next one.
TEST_F(TriggerDelivery, AMainThreadThatDoesNotAnswerDoesNotStopTheWorker) {
  TTriggerWindow window(Line, ReadAll);
  Listen(Line, window, 1);
  ASSERT_TRUE(Pty.Write("a"));
  ASSERT_TRUE(WaitUntil([&] { return Line.Dispatching(); }, 5s));
  ASSERT_TRUE(WaitUntil([&] { return !Line.Dispatching(); }, 10s));
  ASSERT_TRUE(Pty.Write("b"));
  ASSERT_TRUE(PumpUntil([&] { return !window.Calls.empty(); }));
  EXPECT_EQ(window.Joined(), "A2:ab");
}

// Handlers of every kind in one delivery: a synchronized method handler (main thread) that
// removes itself, a procedure handler (dispatch worker) and a window, each reading 2 bytes.
std::mutex ProcedureCallsLock;
std::vector<std::string> ProcedureCalls;
TTriggerLine* ProcedureLine = nullptr;

void RecordingProcedure(std::uint32_t, std::uintptr_t wParam, std::intptr_t) {
  std::string bytes(std::min<std::uintptr_t>(wParam, 2), '\0');
  ProcedureLine->ReadBlock(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
  std::lock_guard<std::mutex> lock(ProcedureCallsLock);
  ProcedureCalls.push_back("A" + std::to_string(wParam) + ":" + bytes);
}

TEST_F(TriggerDelivery, HandlersOfEveryKindShareTheBytesAndMayRemoveThemselves) {
  std::vector<std::string> methodCalls;
  bool methodOnMainThread = true;
  ProcedureLine = &Line;
  ProcedureCalls.clear();
  Line.AddMethodHandler(&methodCalls, [&](std::uint32_t, std::uintptr_t wParam, std::intptr_t) {
    methodOnMainThread = methodOnMainThread && IsMainThread();
    std::string bytes(std::min<std::uintptr_t>(wParam, 2), '\0');
    Line.ReadBlock(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
    methodCalls.push_back("A" + std::to_string(wParam) + ":" + bytes);
    Line.RemoveMethodHandler(&methodCalls);
  }, true);
  Line.AddProcedureHandler(RecordingProcedure);
  TTriggerWindow window(Line, [](std::uint32_t, std::uintptr_t) { return 2u; });
  Listen(Line, window, 1);
  window.Before = [&](std::uint32_t, std::uintptr_t) {
    if (window.Calls.empty()) {
      EXPECT_TRUE(QueueForNextPass(Pty, "abc"));
    }
  };
  ASSERT_TRUE(Pty.Write("p"));
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 2; })) << window.Joined();
  Line.RemoveProcedureHandler(RecordingProcedure);
  EXPECT_TRUE(methodOnMainThread);
  EXPECT_EQ(methodCalls, std::vector<std::string>{"A1:p"});
  EXPECT_EQ(ProcedureCalls, (std::vector<std::string>{"A1:p", "A3:ab"}));
  EXPECT_EQ(window.Joined(), "A1:p A3:ab");
  EXPECT_EQ(Line.InCount(), 1u);
}

}  // namespace

namespace {

// A whole ring that arrives before the threshold is reached brings the head back to where the
// last notification left it: it is announced all the same, once the ring is full.
TEST_F(TriggerDelivery, AFullRingIsAnnouncedWhenItsHeadComesBackToTheLastNotification) {
  std::atomic<std::uintptr_t> announced{0};
  int owner = 0;
  Line.AddMethodHandler(&owner, [&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message == TriggerAvailMsg) announced = wParam;
  }, false);
  Line.SetAvailThreshold(kInRingSize);
  const std::string sent(kInRingSize, 'x');
  std::thread peer([&] { EXPECT_TRUE(Pty.Write(sent)); });
  EXPECT_TRUE(WaitUntil([&] { return announced.load() != 0; }, 10s));
  peer.join();
  EXPECT_EQ(announced.load(), kInRingSize);
  Line.CloseLine();
}

// Bytes that fill the ring while nobody listens are announced to the first handler that
// comes, though nothing more can arrive (before, they counted as announced to nobody and the
// handler waited for ever).
TEST_F(TriggerDelivery, BytesThatCameWhileNobodyListenedAreAnnouncedToTheFirstHandler) {
  Line.SetAvailThreshold(1);
  const std::string sent(kInRingSize + 100, 'y');
  std::thread peer([&] { EXPECT_TRUE(Pty.Write(sent)); });
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == kInRingSize; }));
  std::atomic<std::uintptr_t> announced{0};
  int owner = 0;
  Line.AddMethodHandler(&owner, [&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message == TriggerAvailMsg) announced = wParam;
  }, false);
  EXPECT_TRUE(WaitUntil([&] { return announced.load() != 0; }, 10s));
  EXPECT_EQ(announced.load(), kInRingSize);
  Line.CloseLine();
  peer.join();
}

// A port asks for its events before its window is registered: a notification made meanwhile
// reached nobody and does not count, so the window hears of the full ring once it is there.
TEST_F(TriggerDelivery, AFullRingIsAnnouncedToAWindowRegisteredAfterTheEventsWereWanted) {
  Line.UpdateHandlerState(1);
  Line.SetAvailThreshold(1);
  const std::string sent(kInRingSize + 100, 'w');
  std::thread peer([&] { EXPECT_TRUE(Pty.Write(sent)); });
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == kInRingSize; }));
  // Passes have looked at the full ring with nobody to tell.
  std::this_thread::sleep_for(100ms);
  TTriggerWindow window(Line, ReadAll);
  Line.AddWindowHandler(window.Handle);
  EXPECT_TRUE(PumpUntil([&] { return !window.Calls.empty(); }, 10s));
  ASSERT_FALSE(window.Calls.empty());
  EXPECT_EQ(window.Calls[0].substr(0, 6), "A8192:");
  Line.CloseLine();
  peer.join();
}

}  // namespace
