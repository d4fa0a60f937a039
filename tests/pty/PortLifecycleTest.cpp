// The port's life around its own trigger deliveries: a port destroyed inside an event and
// replaced by one at the same address, a port destroyed by a handler of its dispatcher's
// delivery that runs on the port's thread, and calls from a thread that does not own the port.
#include <atomic>
#include <functional>
#include <new>
#include <thread>
#include <utility>

#include "PortTestSupport.h"
#include "common/SioExcept.h"
#include "common/SioMisc.h"
#include "dispatch/SioPosix.h"
#include "platform/SysErrors.h"
#include "port/SioPort.h"

namespace {

bool SlotEmpty(int index) {
  std::lock_guard lock(DispatcherRegistryLock());
  return DispatcherAt(index) == nullptr;
}

// Every port of this class lives in the same block, so a port made after another was
// destroyed gets its address, as any allocator may hand it out.
class TSameAddressPort : public TSioComPort {
 public:
  using TSioComPort::TSioComPort;
  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;
};
alignas(TSameAddressPort) unsigned char gBlock[sizeof(TSameAddressPort)];
bool gBlockTaken = false;

void* TSameAddressPort::operator new(std::size_t size) {
  if (gBlockTaken || size > sizeof gBlock) throw std::bad_alloc();
  gBlockTaken = true;
  return gBlock;
}
void TSameAddressPort::operator delete(void*) noexcept { gBlockTaken = false; }

class PortLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(First.Ok() && Second.Ok());
    SetPortDevicePath(2, First.SlavePath());
    SetPortDevicePath(3, Second.SlavePath());
  }
  void TearDown() override {
    SetPortDevicePath(2, "");
    SetPortDevicePath(3, "");
  }
  TTestPty First;
  TTestPty Second;
  TShownMessages Shown;
};

// An event replaces its port by a new one at the same address, opened on another line.  The
// rest of the old port's message must not reach the new port, whose event depth stays 0, so
// that the new port destroyed inside its own event later defers its release as it should.
TEST_F(PortLifecycle, APortMadeAtADestroyedPortsAddressIsNotTakenForIt) {
  auto port = std::make_unique<TSameAddressPort>(nullptr);
  const void* address = port.get();
  int oldAvail = 0, newAvail = 0, newEvents = 0;
  int firstIndex = -1, secondIndex = -1;
  port->SetComNumber(2);
  port->SetOnTriggerAvail([&](TComponent*, std::uint16_t) { ++oldAvail; });
  port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
    // Locals, not the captures: the closure goes with the port.
    auto* slot = &port;
    auto* avail = &newAvail;
    auto* events = &newEvents;
    slot->reset();
    *slot = std::make_unique<TSameAddressPort>(nullptr);
    (*slot)->SetComNumber(3);
    (*slot)->SetOnTriggerAvail([avail](TComponent*, std::uint16_t) { ++*avail; });
    (*slot)->SetOnTrigger([slot, events](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
      ++*events;
      slot->reset();
    });
    (*slot)->SetOpen(true);
  });
  port->SetOpen(true);
  firstIndex = port->Dispatcher()->RegistryIndex();
  ASSERT_TRUE(First.Write("a"));
  ASSERT_TRUE(PumpUntil([&] { return SlotEmpty(firstIndex) && port && port->PortState() == psOpen; }));
  ASSERT_EQ(static_cast<const void*>(port.get()), address) << "the allocator did not reuse the block";
  EXPECT_EQ(port->EventDepth(), 0);
  EXPECT_EQ(oldAvail, 0);
  EXPECT_EQ(newAvail, 0);

  secondIndex = port->Dispatcher()->RegistryIndex();
  ASSERT_TRUE(Second.Write("b"));
  EXPECT_TRUE(PumpUntil([&] { return port == nullptr && SlotEmpty(secondIndex); }));
  EXPECT_EQ(newEvents, 1);
  EXPECT_TRUE(Shown.Messages.empty());
}

// The window of the test's own, added as a second trigger handler.
std::function<void(std::uint32_t)> gWindowHandler;
TMessageResult HandlerWindowProc(TWindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) {
  if (gWindowHandler) gWindowHandler(message);
  return 0;
}

// A synchronized method handler and a further window handler run on the port's thread while
// the dispatch worker waits for them.  Destroying the port there is deferred like a destroy
// inside the port's own event: the port goes at once, its dispatcher once the delivery has
// returned, and no handler of the port runs after it.
TEST_F(PortLifecycle, DestroyingThePortFromAHandlerOfItsDeliveryIsDeferred) {
  static const bool registered = RegisterWindowClass("portLifecycleWindow", &HandlerWindowProc);
  (void)registered;
  enum TWho { kSynchronizedMethod, kWindow };
  for (const TWho who : {kSynchronizedMethod, kWindow}) {
    SCOPED_TRACE(who);
    auto port = std::make_unique<TSioComPort>(nullptr);
    int portEvents = 0;
    bool deferred = false;
    port->SetComNumber(2);
    port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) { ++portEvents; });
    port->SetOpen(true);
    const int index = port->Dispatcher()->RegistryIndex();
    auto destroy = [&] {
      if (!port) return;
      port.reset();
      deferred = !SlotEmpty(index);
    };
    TWindowHandle window = 0;
    if (who == kSynchronizedMethod) {
      port->Dispatcher()->AddMethodHandler(&port, [&](std::uint32_t, std::uintptr_t, std::intptr_t) { destroy(); }, true);
    } else {
      window = CreateWindow("portLifecycleWindow");
      gWindowHandler = [&](std::uint32_t) { destroy(); };
      port->Dispatcher()->AddWindowHandler(window);
    }
    ASSERT_TRUE(First.Write("a"));
    EXPECT_TRUE(PumpUntil([&] { return port == nullptr && SlotEmpty(index); }));
    EXPECT_TRUE(deferred);
    // Method handlers run before window handlers; the port's own window is the first of those.
    EXPECT_EQ(portEvents, who == kSynchronizedMethod ? 0 : 1);
    gWindowHandler = nullptr;
    if (window != 0) DestroyWindow(window);
  }
}

// A close asked for inside an event is deferred and runs one message of the port's thread;
// when that message destroys the port (another port's event may), the call that closed must
// not touch the port afterwards: a change of ComNumber, and a lost line (LineLostMsg taken by
// a handler that runs messages, as a modal box does, while the delivery is in progress).
TEST_F(PortLifecycle, APortDestroyedByTheMessageItsDeferredCloseRunsIsNotUsedAfterIt) {
  enum TCloser { kComNumber, kLineLost };
  for (const TCloser closer : {kComNumber, kLineLost}) {
    SCOPED_TRACE(closer);
    auto port = std::make_unique<TSioComPort>(nullptr);
    bool lostRaised = false;
    port->SetComNumber(2);
    port->SetOnLineLost([&](TComponent*, int) { lostRaised = true; });
    port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
      TSioComPort* self = port.get();
      const int index = self->Dispatcher()->RegistryIndex();
      if (closer == kLineLost) {
        PostMessage(self->ComWindow(), LineLostMsg, ERROR_GEN_FAILURE, static_cast<std::intptr_t>(index) << 16);
      }
      PostToMainThread([&port] { port.reset(); });
      if (closer == kComNumber) {
        self->SetComNumber(3);
      } else {
        PumpOneMessage();
      }
    });
    port->SetOpen(true);
    const int index = port->Dispatcher()->RegistryIndex();
    ASSERT_TRUE(First.Write("a"));
    EXPECT_TRUE(PumpUntil([&] { return port == nullptr && SlotEmpty(index); }));
    EXPECT_FALSE(lostRaised) << "OnLineLost of a destroyed port";
  }
  EXPECT_TRUE(Shown.Messages.empty());
}

// SetOpen(True) from a handler run while a close made outside any event waits for the
// device and the workers (another port's event) opens the port again once the close has
// completed.  The port's device close runs the thread's messages until that event has run.
TEST_F(PortLifecycle, AReopenAskedForWhileACloseStopsTheWorkersFollowsIt) {
  struct TPumpingLine : TSioPosixDispatcher {
    TPumpingLine(TSioCustomComPort* port, std::function<void()>& whileClosing)
        : TSioPosixDispatcher(port), WhileClosing(whileClosing) {}
    int DeviceClose() override {
      if (WhileClosing) std::exchange(WhileClosing, nullptr)();
      return TSioPosixDispatcher::DeviceClose();
    }
    std::function<void()>& WhileClosing;
  };
  struct TPumpingPort : TSioComPort {
    TPumpingPort() : TSioComPort(nullptr) {}
    std::unique_ptr<TSioBaseDispatcher> CreateDispatcher() override {
      return std::make_unique<TPumpingLine>(this, WhileClosing);
    }
    std::function<void()> WhileClosing;
  };
  auto port = std::make_unique<TPumpingPort>();
  auto other = std::make_unique<TSioComPort>(nullptr);
  port->SetComNumber(2);
  other->SetComNumber(3);
  int asked = 0;
  other->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
    if (asked++ == 0) port->SetOpen(true);
  });
  port->SetOpen(true);
  other->SetOpen(true);
  port->WhileClosing = [&] { EXPECT_TRUE(PumpUntil([&] { return asked > 0; })); };
  ASSERT_TRUE(Second.Write("b"));
  port->SetOpen(false);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(port->Open());
  EXPECT_EQ(port->PortState(), psOpen);
  EXPECT_FALSE(port->ReopenPending());
  EXPECT_TRUE(Shown.Messages.empty());
}

// The dispatch worker's own handlers may not use the port: it says so instead of racing the
// port's thread or waiting for itself.
TEST_F(PortLifecycle, ThePortRefusesCallsFromOtherThreads) {
  auto port = std::make_unique<TSioComPort>(nullptr);
  port->SetComNumber(2);
  port->SetOpen(true);
  std::atomic<int> refused{0};
  std::atomic<bool> done{false};
  auto expectRefused = [&](auto call) {
    try {
      call();
    } catch (const Exception& e) {
      if (e.Message() == "TSioCustomComPort used from a thread that does not own it") ++refused;
    }
  };
  port->Dispatcher()->AddMethodHandler(&port, [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message != TriggerAvailMsg || done) return;
    char byte = 0;
    expectRefused([&] { port->GetBlock(&byte, 1); });
    expectRefused([&] { port->SetOpen(false); });
    expectRefused([&] { port->SetComNumber(3); });
    done = true;
  }, false);
  ASSERT_TRUE(First.Write("a"));
  ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
  EXPECT_EQ(refused.load(), 3);
  EXPECT_EQ(port->PortState(), psOpen);
  EXPECT_EQ(port->ComNumber(), 2);
}

TEST_F(PortLifecycle, AnOpenPortDestroyedByAnotherThreadStopsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        auto port = std::make_unique<TSioComPort>(nullptr);
        port->SetComNumber(2);
        port->SetOpen(true);
        std::thread([&] { port.reset(); }).join();
      },
      "destroyed on a thread that does not own it");
}

}  // namespace
