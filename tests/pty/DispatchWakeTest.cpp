// Wake-ups of the dispatch worker over a pseudo-terminal.  While no timer, modem or
// line-error trigger is armed, the dispatch worker waits for a wake-up without limit, so each
// test here fails, by its deadline, when the wake-up it is about is lost.  None measures time.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include <sys/ioctl.h>

#include "TriggerTestSupport.h"
#include "dispatch/SioSysCalls.h"

namespace {

std::uint32_t ReadAll(std::uint32_t, std::uintptr_t wParam) { return static_cast<std::uint32_t>(wParam); }

// XOFF from the peer: the device takes no bytes until ReleaseOutput.
void HoldOutput(TTestPty& pty, TTriggerLine& line) {
  ASSERT_EQ(line.SetSoftwareFlow(100, 10, 1), 0);
  ASSERT_TRUE(pty.Write("\x13M"));
  // The byte after the XOFF is there: the XOFF has been seen.
  ASSERT_TRUE(WaitUntil([&] { return line.InCount() == 1; }));
  std::uint8_t byte = 0;
  ASSERT_EQ(line.ReadBlock(&byte, 1), 1);
}
void ReleaseOutput(TTestPty& pty) { ASSERT_TRUE(pty.Write("\x11")); }

struct TOutputCase {
  TStatusKind Kind;
  std::uint16_t Value;
  bool ArmBeforeWriting;
};

// Output triggers have no timed passes: the ring's drain (free, used) or the block written
// (sent) asks for the pass that fires them.  (For the sent kind the pass that arming asked
// for may come after the write and fire it too.)
TEST(DispatchWake, ArmedOutputTriggersFireWhenTheOutputMoves) {
  const TOutputCase cases[] = {
      {stOutFree, 4096, false},  // the full ring drains once the peer lets it
      {stOutUsed, 0, false},
      {stOutSent, 0, true},  // a block written after the trigger was armed
  };
  for (const auto& c : cases) {
    TTestPty pty;
    TTriggerLine line;
    ASSERT_TRUE(line.Open(pty.SlavePath()));
    HoldOutput(pty, line);
    TTriggerWindow window(line, ReadAll);
    Listen(line, window, 0);
    const int handle = line.AddStatusTrigger(c.Kind);
    auto arm = [&] { ASSERT_EQ(line.SetStatusTrigger(static_cast<std::uint32_t>(handle), c.Value, true), 0); };
    const std::vector<std::uint8_t> block(4096, 'w');
    if (c.ArmBeforeWriting) arm();
    ASSERT_EQ(line.WriteBlock(block.data(), 4096), 0);
    if (!c.ArmBeforeWriting) arm();
    ReleaseOutput(pty);
    EXPECT_TRUE(PumpUntil([&] { return !window.Calls.empty(); })) << "kind " << c.Kind;
    EXPECT_EQ(window.Joined(), "S" + std::to_string(handle));
    EXPECT_EQ(pty.Read(4096), block);
  }
}

class DispatchWakeLine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Line.Open(Pty.SlavePath())); }
  TTestPty Pty;
  TTriggerLine Line;
};

// Bytes that came while no avail trigger was wanted are announced once one is.
TEST_F(DispatchWakeLine, SettingTheAvailThresholdAnnouncesWhatIsUnread) {
  TTriggerWindow window(Line, ReadAll);
  Listen(Line, window, 0);
  ASSERT_TRUE(Pty.Write("abc"));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == 3; }));
  Line.SetAvailThreshold(1);
  EXPECT_TRUE(PumpUntil([&] { return !window.Calls.empty(); }));
  EXPECT_EQ(window.Joined(), "A3:abc");
}

// Triggers armed and bytes arriving during a delivery change nothing in the pass that is
// running: its status triggers, then its timer triggers, fire at its end, and the bytes are
// read by the next pass.
TEST_F(DispatchWakeLine, WakeUpsDuringADeliveryKeepThePassInOrder) {
  TTriggerWindow window(Line, ReadAll);
  Listen(Line, window, 1);
  const int timer = Line.AddTimerTrigger();
  const int free = Line.AddStatusTrigger(stOutFree);
  window.Before = [&](std::uint32_t, std::uintptr_t) {
    if (!window.Calls.empty()) return;
    ASSERT_EQ(Line.SetTimerTrigger(static_cast<std::uint32_t>(timer), 0, true), 0);
    ASSERT_TRUE(WaitUntil([&] {
      return TimerHasExpired(Line.Triggers().Timers->at(0).Timer);
    }));
    ASSERT_EQ(Line.SetStatusTrigger(static_cast<std::uint32_t>(free), 1, true), 0);
    ASSERT_TRUE(QueueForNextPass(Pty, "xy"));
  };
  ASSERT_TRUE(Pty.Write("p"));
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 4; })) << window.Joined();
  EXPECT_EQ(window.Joined(), "A1:p S" + std::to_string(free) + " T" + std::to_string(timer) + " A2:xy");
}

// A handler that re-arms an output trigger that still holds, without writing, asks for no
// pass at once; the trigger is checked again all the same (within the time of a timed pass).
TEST_F(DispatchWakeLine, AnOutputTriggerReArmedByItsHandlerIsCheckedAgain) {
  TTriggerWindow window(Line, ReadAll);
  Listen(Line, window, 0);
  const int free = Line.AddStatusTrigger(stOutFree);
  window.Before = [&](std::uint32_t, std::uintptr_t) {
    if (window.Calls.size() < 2) {
      ASSERT_EQ(Line.SetStatusTrigger(static_cast<std::uint32_t>(free), 1, true), 0);
    }
  };
  ASSERT_EQ(Line.SetStatusTrigger(static_cast<std::uint32_t>(free), 1, true), 0);
  EXPECT_TRUE(PumpUntil([&] { return window.Calls.size() == 3; })) << window.Joined();
}

// Holds the event worker right after a poll that found bytes on the line, until resumed.
class TPausingCalls : public TSioSysCalls {
 public:
  int Open(const char* path, int flags) override {
    const int fd = TSioSysCalls::Open(path, flags);
    Device = fd;
    return fd;
  }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].fd == Device && (fds[i].events & POLLIN) != 0) {
        int unread = 0;
        if (ioctl(fds[i].fd, FIONREAD, &unread) == 0 && unread > 0) ++WaitsOnUnread;
        ++DeviceWaits;
        WaitingOnLine = true;
      }
    }
    const int n = TSioSysCalls::Poll(fds, count, timeoutMs);
    WaitingOnLine = false;
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].fd == Device && (fds[i].revents & POLLIN) != 0 && PauseNext.exchange(false)) {
        Paused.Set();
        Resume.Wait();
      }
    }
    return n;
  }
  std::atomic<int> Device{-1};
  std::atomic<bool> PauseNext{true};
  std::atomic<int> DeviceWaits{0};  // polls that waited for bytes on the line
  std::atomic<int> WaitsOnUnread{0};  // of them, those begun while bytes waited unread
  std::atomic<bool> WaitingOnLine{false};  // the event worker is in such a poll
  TEvent Paused{TEvent::ManualReset};
  TEvent Resume{TEvent::ManualReset};
};

// Bytes the event worker has seen and not yet reported are read by its own pass, not by one
// somebody else asked for meanwhile (a threshold change here), and newer bytes that come once
// it waits on the line again are told after them.
TEST(DispatchWakeRace, BytesTheEventWorkerHasSeenAreToldBeforeNewerOnes) {
  TTestPty pty;
  TPausingCalls calls;
  TTriggerLine line;
  struct TResumeAtExit {
    TPausingCalls& Calls;
    ~TResumeAtExit() { Calls.Resume.Set(); }
  } resumeAtExit{calls};
  line.SetSysCalls(calls);
  ASSERT_TRUE(line.Open(pty.SlavePath()));
  TTriggerWindow window(line, ReadAll);
  line.AddWindowHandler(window.Handle);
  line.UpdateHandlerState(1);
  ASSERT_TRUE(pty.Write("ab"));
  ASSERT_TRUE(calls.Paused.Wait(5000));
  line.SetAvailThreshold(1);  // a pass while the event worker is held
  const int waits = calls.DeviceWaits;
  calls.Resume.Set();
  ASSERT_TRUE(PumpUntil([&] { return !window.Calls.empty(); }));
  // Its pass has ended once it waits on the line again; only then come newer bytes.
  ASSERT_TRUE(WaitUntil([&] { return calls.DeviceWaits > waits; }));
  ASSERT_TRUE(pty.Write("z"));
  EXPECT_TRUE(PumpUntil([&] { return window.Calls.size() == 2; })) << window.Joined();
  EXPECT_EQ(window.Joined(), "A2:ab A1:z");
}

// The event worker waits on the line again only once the pass it asked for has read what it
// saw, also after a pass that someone else asked for (here the threshold's) has ended while it
// waited on the line: that pass must not stand for the next one it asks for.
TEST(DispatchWakeRace, TheEventWorkerWaitsForItsOwnPassBeforeWaitingOnTheLineAgain) {
  TTestPty pty;
  TPausingCalls calls;
  calls.PauseNext = false;
  TTriggerLine line;
  line.SetSysCalls(calls);
  ASSERT_TRUE(line.Open(pty.SlavePath()));
  TTriggerWindow window(line, ReadAll);
  Listen(line, window, 0);
  ASSERT_TRUE(pty.Write("abc"));
  ASSERT_TRUE(WaitUntil([&] { return line.InCount() == 3 && calls.WaitingOnLine.load(); }));
  line.SetAvailThreshold(1);
  ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == 1; }));
  constexpr std::size_t kBytes = 20;
  for (std::size_t i = 1; i <= kBytes; ++i) {
    ASSERT_TRUE(pty.Write("e"));
    ASSERT_TRUE(PumpUntil([&] { return window.Calls.size() == i + 1; })) << window.Joined();
    ASSERT_TRUE(WaitUntil([&] { return calls.WaitingOnLine.load(); }));
  }
  EXPECT_EQ(calls.WaitsOnUnread.load(), 0);
}

}  // namespace
