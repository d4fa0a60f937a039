// The port's events: block I/O on an open line, trigger messages turned into events on the
// main thread, closing (and destroying) the port from inside a trigger event, and the open
// and close notifications.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "PortTestSupport.h"
#include "dispatch/SioPosix.h"
#include "platform/Clock.h"
#include "common/SioExcept.h"
#include "port/SioPort.h"

namespace {

// A window of the test's own, standing for another trigger handler or a listener.
std::vector<std::uint32_t> gWindowMessages;
std::vector<std::string>* gHeard = nullptr;  // where a listening window notes what it heard

TMessageResult TestWindowProc(TWindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) {
  gWindowMessages.push_back(message);
  if (gHeard != nullptr) gHeard->push_back(message == PortOpenedMsg ? "w+" : message == PortClosingMsg ? "w-" : "w?");
  return 0;
}

TWindowHandle MakeTestWindow() {
  static const bool registered = RegisterWindowClass("portTestWindow", &TestWindowProc);
  (void)registered;
  gWindowMessages.clear();
  return CreateWindow("portTestWindow");
}

bool SlotEmpty(int index) {
  std::lock_guard lock(DispatcherRegistryLock());
  return DispatcherAt(index) == nullptr;
}

std::intptr_t SlotParam(int index, std::uint16_t data = 0) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(index) << 16) | data);
}

using PortEvents = TPortFixture<TSioComPort>;

TEST_F(PortEvents, BlocksAreAllOrNothing) {
  Port->SetOpen(true);
  Port->PutBlock("Q", 0);
  try {
    Port->PutBlock("ABCDE", 5);
    ADD_FAILURE() << "queued past the output buffer";
  } catch (const EOutputBufferTooSmall& e) {
    EXPECT_EQ(e.Message(), "Output buffer too small for block");
  }
  char b = 0;
  try {
    Port->GetBlock(&b, 1);
    ADD_FAILURE() << "read from an empty buffer";
  } catch (const EBufferIsEmpty& e) {
    EXPECT_EQ(e.Message(), "Buffer is empty");
  }
  Port->PutBlock("wxyz", 4);
  EXPECT_EQ(Pty.ReadText(4), "wxyz");
}

TEST_F(PortEvents, AvailCountArrivesAsHandleAndData) {
  std::string got;
  std::vector<std::uint16_t> counts;
  Port->SetOnTrigger([&](TComponent* cp, std::uint16_t msg, std::uint16_t handle, std::uint16_t data) {
    EXPECT_EQ(cp, Port.get());
    EXPECT_EQ(msg, TriggerAvailMsg);
    EXPECT_EQ(handle, data);
    std::string block(handle, '\0');
    Port->GetBlock(block.data(), handle);
    got += block;
  });
  Port->SetOnTriggerAvail([&](TComponent*, std::uint16_t count) { counts.push_back(count); });
  Port->SetOpen(true);
  ASSERT_TRUE(Pty.Write("hello"));
  EXPECT_TRUE(PumpUntil([&] { return got.size() >= 5; }));
  EXPECT_EQ(got, "hello");
  EXPECT_FALSE(counts.empty());
}

TEST_F(PortEvents, StatusHandleKindPicksTheEvent) {
  std::vector<std::string> fired;
  Port->SetOnTriggerStatus([&](TComponent*, std::uint16_t h) { fired.push_back("status" + std::to_string(h)); });
  Port->SetOnTriggerModemStatus([&](TComponent*) { fired.push_back("modem"); });
  Port->SetOnTriggerLineError([&](TComponent*, std::uint16_t e, bool brk) {
    fired.push_back("line" + std::to_string(e) + (brk ? "b" : ""));
  });
  Port->SetOnTriggerOutbuffFree([&](TComponent*) { fired.push_back("free"); });
  Port->SetOnTriggerOutbuffUsed([&](TComponent*) { fired.push_back("used"); });
  Port->SetOnTriggerOutSent([&](TComponent*) { fired.push_back("sent"); });
  Port->SetOpen(true);
  const int index = Port->Dispatcher()->RegistryIndex();
  const char* expected[] = {"", "modem", "line0", "free", "used", "sent", "", ""};
  for (std::uint16_t kind = 1; kind <= 7; ++kind) {
    SCOPED_TRACE(kind);
    fired.clear();
    const std::uint16_t handle = static_cast<std::uint16_t>(8 + kind);
    SendMessage(Port->ComWindow(), TriggerStatusMsg, handle, SlotParam(index, 3));
    std::vector<std::string> want{"status" + std::to_string(handle)};
    if (*expected[kind] != '\0') want.push_back(expected[kind]);
    EXPECT_EQ(fired, want);
  }
}

TEST_F(PortEvents, MessagesNamingNoLivePortDoNothing) {
  int events = 0;
  Port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) { ++events; });
  Port->SetOpen(true);
  // An emptied slot below a live one, a slot whose dispatcher has no port, and no slot at all.
  auto emptied = std::make_unique<TSioPosixDispatcher>(nullptr);
  TSioPosixDispatcher portless(nullptr);
  const int emptiedIndex = emptied->RegistryIndex();
  emptied.reset();
  ASSERT_TRUE(SlotEmpty(emptiedIndex));
  for (const int index : {emptiedIndex, portless.RegistryIndex(), DispatcherRegistryCount() + 3})
    SendMessage(Port->ComWindow(), TriggerAvailMsg, 1, SlotParam(index));
  EXPECT_EQ(events, 0);
  SendMessage(Port->ComWindow(), TriggerAvailMsg, 0, SlotParam(Port->Dispatcher()->RegistryIndex()));
  EXPECT_EQ(events, 1);
}

TEST_F(PortEvents, AnEventsExceptionIsShownAndEndsThatMessage) {
  int avail = 0;
  Port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) { throw Exception("boom"); });
  Port->SetOnTriggerAvail([&](TComponent*, std::uint16_t) { ++avail; });
  Port->SetOpen(true);
  const std::intptr_t lParam = SlotParam(Port->Dispatcher()->RegistryIndex());
  SendMessage(Port->ComWindow(), TriggerAvailMsg, 0, lParam);
  SendMessage(Port->ComWindow(), TriggerAvailMsg, 0, lParam);
  EXPECT_EQ(Shown.Messages, (std::vector<std::string>{"boom", "boom"}));
  EXPECT_EQ(avail, 0);
  EXPECT_EQ(Port->PortState(), psOpen);
}

TEST_F(PortEvents, CloseInsideOnTriggerCompletesLaterAndMayReopen) {
  enum TAfterClose { kStayClosed, kReopen, kReopenThenClose };
  for (const TAfterClose after : {kStayClosed, kReopen, kReopenThenClose}) {
    SCOPED_TRACE(after);
    int calls = 0;
    int index = -1;
    TPortState inside = psOpen;
    bool openInside = true;
    bool pendingInside = false;
    Port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t count, std::uint16_t) {
      if (++calls > 1) {
        std::string bytes(count, '\0');
        Port->GetBlock(bytes.data(), count);
        return;
      }
      Port->SetOpen(false);
      inside = Port->PortState();
      // A message that reaches the closing port raises nothing: no byte can be read now.
      SendMessage(Port->ComWindow(), TriggerAvailMsg, 1, SlotParam(index));
      if (after != kStayClosed) Port->SetOpen(true);
      if (after == kReopenThenClose) Port->SetOpen(false);
      // A reopen waiting for the close is asked for, not done: Open stays False until then.
      openInside = Port->Open();
      pendingInside = Port->ReopenPending();
    });
    Port->SetOpen(true);
    const TWindowHandle other = MakeTestWindow();
    Port->Dispatcher()->AddWindowHandler(other);
    index = Port->Dispatcher()->RegistryIndex();
    ASSERT_TRUE(Pty.Write("a"));
    EXPECT_TRUE(PumpUntil([&] { return calls > 0 && Port->PortState() != psClosing; }));
    EXPECT_EQ(inside, psClosing);
    EXPECT_FALSE(openInside);
    EXPECT_EQ(pendingInside, after == kReopen);
    EXPECT_EQ(calls, 1);                   // nor does the completion message
    EXPECT_TRUE(gWindowMessages.empty());  // the handlers after the port's were skipped
    EXPECT_FALSE(Port->ReopenPending());
    if (after == kReopen) {
      EXPECT_EQ(Port->PortState(), psOpen);
      EXPECT_TRUE(Port->Open());
      ASSERT_TRUE(Pty.Write("b"));
      EXPECT_TRUE(PumpUntil([&] { return calls > 1; }));
    } else {
      EXPECT_EQ(Port->PortState(), psClosed);
      EXPECT_FALSE(Port->Open());
      EXPECT_EQ(Port->ComWindow(), 0u);
      EXPECT_TRUE(SlotEmpty(index));
    }
    Port->SetOpen(false);
    DestroyWindow(other);
  }
}

TEST_F(PortEvents, ANumberChangeInsideAnEventReopensWithTraceAndTriggers) {
  TTestPty second;
  SetPortDevicePath(3, second.SlavePath());
  const std::string traceFile = testing::TempDir() + "port_event_renumber.trc";
  Port->SetTraceName(traceFile);
  bool changed = false;
  Port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
    if (changed) return;
    changed = true;
    Port->SetComNumber(3);
  });
  std::vector<std::uint16_t> matched;
  Port->SetOnTriggerData([&](TComponent*, std::uint16_t handle) { matched.push_back(handle); });
  Port->SetOpen(true);
  Port->SetTracing(tlOn);
  const int handle = Port->Dispatcher()->AddDataTrigger(reinterpret_cast<const std::uint8_t*>("AB"), 2, false);
  ASSERT_TRUE(Pty.Write("a"));
  ASSERT_TRUE(PumpUntil([&] { return changed && Port->PortState() == psOpen; }));
  EXPECT_EQ(Port->ComNumber(), 3);
  EXPECT_EQ(Port->Tracing(), tlOn);
  ASSERT_TRUE(second.Write("AB"));
  EXPECT_TRUE(PumpUntil([&] { return !matched.empty(); }));
  EXPECT_EQ(matched, std::vector<std::uint16_t>{static_cast<std::uint16_t>(handle)});
  Port->SetOpen(false);
  SetPortDevicePath(3, "");
  std::remove(traceFile.c_str());
}

TEST_F(PortEvents, AReopenAskedByACloseListenerLapses) {
  Port->SetOnPortClosed([&](TComponent*) { Port->SetOpen(true); });
  Port->SetOpen(true);
  Port->SetOpen(false);
  EXPECT_EQ(Port->PortState(), psClosed);
  EXPECT_FALSE(Port->ReopenPending());
  EXPECT_FALSE(Port->Open());
}

TEST_F(PortEvents, DestroyingAPortWhoseCloseIsDeferredIsSafe) {
  for (const bool insideEvent : {false, true}) {
    SCOPED_TRACE(insideEvent);
    if (!Port) SetUp();
    bool closed = false;
    Port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
      Port->SetOpen(false);
      closed = true;
      if (insideEvent) Port.reset();
    });
    Port->SetOpen(true);
    const int index = Port->Dispatcher()->RegistryIndex();
    const TWindowHandle window = Port->ComWindow();
    ASSERT_TRUE(Pty.Write("a"));
    // Stop pumping as soon as the event has run, so the completion message is still queued.
    TMsg held;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!closed && std::chrono::steady_clock::now() < deadline) {
      TMsg msg;
      if (!GetMessage(msg, 10)) continue;
      if (closed) {
        held = msg;
      } else {
        DispatchMessage(msg);
      }
    }
    ASSERT_TRUE(closed);
    if (insideEvent) {
      // The workers could not end while the event ran, so the port did not wait for them:
      // the dispatcher is freed later, from the queue.
      EXPECT_FALSE(SlotEmpty(index));
    } else {
      EXPECT_EQ(Port->PortState(), psClosing);
      Port.reset();
      EXPECT_TRUE(SlotEmpty(index));
    }
    EXPECT_FALSE(IsWindow(window));
    DispatchMessage(held);
    EXPECT_TRUE(PumpUntil([&] { return SlotEmpty(index); }));
  }
}

// While the port's thread waits in a line change for output the far end does not read, a
// trigger message times out (3 s) and is withdrawn: it reached nobody, so the bytes it
// announced are announced again once the thread runs its messages, though nothing more comes.
TEST_F(PortEvents, BytesAnnouncedToAThreadTooBusyToHearAreAnnouncedAgain) {
  Port->SetOutSize(4096);
  int heard = 0;
  Port->SetOnTriggerAvail([&](TComponent*, std::uint16_t count) {
    std::string block(count, '\0');
    Port->GetBlock(block.data(), count);
    heard += count;
  });
  Port->SetOpen(true);
  std::size_t queued = 0;
  while (Port->Dispatcher()->OutUsed() == 0) {
    Port->PutBlock("wxyz", 4);
    queued += 4;
  }
  ASSERT_TRUE(Pty.Write("a"));
  ASSERT_TRUE(WaitUntil([&] { return Port->Dispatcher()->Dispatching(); }));
  std::thread reader([&] {
    SleepMs(kTriggerSendTimeoutMs + 500);
    EXPECT_EQ(Pty.Read(queued, std::chrono::seconds(10)).size(), queued);
  });
  Port->SetBaud(19200);
  reader.join();
  EXPECT_TRUE(PumpUntil([&] { return heard == 1; }, std::chrono::seconds(3)));
  EXPECT_TRUE(Shown.Messages.empty());
}

TEST_F(PortEvents, ListenersHearOfOpenAndCloseLastAddedFirst) {
  const TWindowHandle window = MakeTestWindow();
  std::vector<std::string> heard;
  gHeard = &heard;
  Port->AddPortListener(window);
  Port->AddPortListener(&heard, [&](TComponent*, bool opened) { heard.push_back(opened ? "m+" : "m-"); });
  Port->SetOnPortOpened([&](TComponent*) { heard.push_back("opened"); });
  Port->SetOnPortClosed([&](TComponent*) { heard.push_back("closed"); });
  for (const bool removed : {false, true}) {
    SCOPED_TRACE(removed);
    heard.clear();
    Port->SetOpen(true);
    Port->SetOpen(false);
    const std::vector<std::string> all{"m+", "w+", "opened", "m-", "w-", "closed"};
    const std::vector<std::string> eventsOnly{"opened", "closed"};
    EXPECT_EQ(heard, removed ? eventsOnly : all);
    Port->RemovePortListener(window);
    Port->RemovePortListener(&heard);
  }
  gHeard = nullptr;
  DestroyWindow(window);
}

// A receive latency: bytes of a slow line that come close together are announced once, with
// the times they came, not the time they were read; without it every arrival is announced as
// it comes; and a close does not wait for a gather.  At 50 baud a character takes 200 ms, so
// the line counts as quiet after at least 800 ms without a byte, and the 60 s limit never ends
// a gather here: bytes written 20 ms apart gather, and a close that waited would take a minute.
TEST_F(PortEvents, ReceiveLatencyGathersBytesAndNeverHoldsAClose) {
  enum TPlay { kOneAtATime, kTogether, kCloseWhileComing };
  struct TCase {
    const char* Name;
    std::uint16_t LatencyMs;
    TPlay Play;
    std::size_t Announcements;  // of kChunks chunks; kCloseWhileComing: none
  };
  constexpr std::int64_t kQuietNs = 800'000'000;
  const std::vector<std::string> kChunks = {"ab", "cde", "f"};
  const TCase cases[] = {
      {"off: each arrival on its own", 0, kOneAtATime, 3},
      {"on: gathered", 60000, kTogether, 1},
      {"on: closed while bytes keep coming", 60000, kCloseWhileComing, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string got;
    std::vector<std::int64_t> times;
    std::vector<std::int64_t> announcedAt;
    Port->SetOnTriggerAvail([&](TComponent*, std::uint16_t count) {
      std::vector<char> bytes(count);
      std::vector<std::int64_t> at(count);
      const std::uint16_t n = Port->GetAvailable(bytes.data(), count, at.data());
      got.append(bytes.data(), n);
      times.insert(times.end(), at.begin(), at.begin() + n);
      announcedAt.push_back(QueryPerformanceCounter());
    });
    Port->SetBaud(50);
    Port->SetReceiveLatencyMs(c.LatencyMs);
    Port->SetOpen(true);
    // The passes the open asked for (its settings) read what has come by then, gathered or not.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::int64_t start = QueryPerformanceCounter();
    if (c.Play == kCloseWhileComing) {
      std::atomic<bool> stop{false};
      std::thread peer([&] {
        while (!stop) {
          ASSERT_TRUE(Pty.Write("x"));
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      const auto closing = std::chrono::steady_clock::now();
      Port->SetOpen(false);
      EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(10));
      stop = true;
      peer.join();
      tcflush(Pty.Slave(), TCIFLUSH);
    } else {
      std::string sent;
      for (const std::string& chunk : kChunks) {
        ASSERT_TRUE(Pty.Write(chunk));
        sent += chunk;
        if (c.Play == kOneAtATime) {
          EXPECT_TRUE(PumpUntil([&] { return got.size() == sent.size(); }));
        } else {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
      }
      EXPECT_TRUE(PumpUntil([&] { return got.size() == sent.size(); }));
      EXPECT_EQ(got, sent);
      Port->SetOpen(false);
      ASSERT_EQ(times.size(), sent.size());
      EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
      EXPECT_GE(times.front(), start);
      // The last byte keeps the time it was seen: the quiet that ended the gather came after.
      if (c.LatencyMs != 0) {
        EXPECT_LE(times.back(), announcedAt.back() - kQuietNs);
      }
    }
    EXPECT_EQ(announcedAt.size(), c.Announcements);
    Port->SetOnTriggerAvail(nullptr);
  }
}


}  // namespace
