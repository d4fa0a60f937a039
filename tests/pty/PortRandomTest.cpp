// A seeded randomized test of the port component over real pseudo-terminals (or, with
// --socket, over tcp:// lines served on 127.0.0.1).  Thousands of
// random steps: opening, closing, number and setting changes, block I/O, flushes, triggers of
// every kind, trace and log switches, destroying and recreating ports (also from a message
// that a close deferred inside an event runs), handlers of every kind - and the same from
// inside trigger events and synchronized handlers - while the far end of each line writes
// numbered bytes at changing rates, drains or stalls the port's output (also while the port's
// thread waits in a line change for it) and hangs up.  It checks that every byte arrives once
// and in order in each direction (except what a purge or a close may drop), that a port whose
// event reads everything hears of every byte (unless another of its handlers was told of bytes
// it still holds: a full ring announces them no more), that no handler runs after its port is gone,
// that event depths return to 0, that threads and descriptors return to the baseline after a
// destroy, and, through a watchdog, that nothing hangs.
//
// Some sequences are made on purpose, as chance brings them too seldom: a close made between
// events while a handler run inside it asks for a reopen (the port must be open afterwards);
// a port destroyed by the message that a close deferred inside its event runs, the close made
// by a number change in the event or by a lost line heard of there (nothing may touch the
// port afterwards, which AddressSanitizer tells); and a line change that waits longer than a
// trigger message may wait for the port's thread, the far end not reading meanwhile, after
// which every byte that came must still be announced.  The last takes seconds, so it comes by
// the clock (every 8-16 s), not by the step: a slow sanitizer build meets it as often as a
// fast one.  The run's last line counts the sequences made.
//
//   PortRandomTest [--seed=N] [--seconds=S] [--steps=N] [--socket] [--verbose]
// or the environment variables SIO_RANDOM_SEED, SIO_RANDOM_SECONDS, SIO_RANDOM_STEPS.  The
// seed is printed first; the same seed replays the same choices (the threads' timing differs).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <utility>

#include "RandomLine.h"
#include "common/SioExcept.h"
#include "platform/Application.h"
#include "port/SioPort.h"
#include "support/ProcessCounts.h"
#include "support/Wait.h"
#include "support/Watchdog.h"

namespace {

using namespace std::chrono_literals;

struct TSettings {
  std::uint64_t Seed = 0;
  double Seconds = 10;
  unsigned long long Steps = ~0ull;
  bool Verbose = false;  // every action on stderr (--verbose)
  bool Socket = false;   // tcp:// lines (--socket)
} gSettings;

constexpr std::size_t kSlots = 2;
// The lines: three pseudo-terminals any port may open (a second open of one is refused), or
// two servers for each slot (a server would take a second connection and serve the newer).
std::vector<unsigned> gLines;
// Who reads a port's bytes in its deliveries: one handler only, since every handler of a
// delivery is shown the same bytes.
enum TRole { kOnTrigger, kSyncMethod, kWindow, kRoles };

class TRandomRun;

// One port's life, from its creation to its destruction.  Handlers hold it, so it may
// outlive the port: then Alive is false and no handler may run any more.
struct TPortCtx {
  TRandomRun* Run = nullptr;
  std::size_t Slot = 0;
  TSioComPort* Port = nullptr;            // main thread
  std::atomic<bool> Alive{true};
  std::shared_ptr<TLineStreams> Streams;  // the line's streams while the port has it open
  TWindowHandle Window = 0;               // a further trigger handler of the test's own
  TRole Role = kOnTrigger;
  int ReadPolicy = 0;                     // what the reading handler takes, see ReadInEvent
  int NestedLeft = 0;                     // handler calls still to do a nested action
  unsigned long long Actions = 0;         // actions made on it, also from handlers
  std::intptr_t ReopenToken = 0;          // a reopen may be asked for while it closes (ReopenWhileClosing)
  bool ReopenAsked = false;               // and was
  bool ChangeInEvent = false;             // its next event changes its number (ComChangeInEvent)
  std::intptr_t DestroyToken = 0;         // and a message it runs meanwhile may destroy it
  bool LostInEvent = false;               // its next event hears of its lost line (LostInDelivery)
  unsigned long long Losses = 0;          // lost lines it was told of
  int Busy = 0;                           // in a call that may close the port (not to be destroyed)
  bool DeferredClose = false;             // its close was asked for inside its own delivery
  bool LostClose = false;                 // the port closes itself for a lost line (counted in Busy)
  // The dispatcher each kind of handler of the test's own is registered with (one of each,
  // so that only one handler of a delivery reads).
  const void* SyncOn = nullptr;
  const void* WorkerOn = nullptr;
  const void* WindowOn = nullptr;
  // Bytes may have been announced to handlers that did not read them all: the port announces
  // them again only with newer ones, and a full ring gets none.  Until its ring is seen empty
  // between deliveries, its events owe nothing (see Announces).
  bool ToldUnread = false;
  bool OthersTold = false;  // a worker or window handler of its own since the last pump (Pumped)
};
using TCtxPtr = std::shared_ptr<TPortCtx>;

TMessageResult ExtraWindowProc(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t);
// Posted to a window of the test's own: asks for the reopen of slot wParam, if its close with
// token lParam is still running.
constexpr std::uint32_t kAskReopenMsg = WM_USER + 1;
// Likewise: destroys the port of slot wParam if a close deferred inside its event runs.
constexpr std::uint32_t kDestroyMsg = WM_USER + 2;

class TRandomRun {
 public:
  TRandomRun() : FRandom(gSettings.Seed), FDog(10s, "seed " + std::to_string(gSettings.Seed)) {
    Application().SetExceptionDisplay([this](const std::string& m) { Shown(m); });
    FTemp = std::filesystem::temp_directory_path() / ("sio-random-" + std::to_string(getpid()));
    std::filesystem::create_directories(FTemp);
    for (const unsigned n : gLines) FLines.emplace(n, std::make_unique<TFarEnd>(n, FRandom(), gSettings.Socket));
  }
  ~TRandomRun() {
    DestroyAll();
    FLines.clear();
    Application().SetExceptionDisplay(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(FTemp, ignored);
  }

  void Go();
  void OnHandler(const TCtxPtr& ctx, TRole who, std::uint32_t message, std::uintptr_t wParam);
  void AskReopen(std::size_t slot, std::intptr_t token);
  void DestroyInClose(std::size_t slot, std::intptr_t token);

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
  bool Chance(int percent) { return Pick(100) < percent; }
  TFarEnd& Line(unsigned n) { return *FLines.at(n); }
  unsigned AnyLine() { return gLines[static_cast<std::size_t>(Pick(static_cast<int>(gLines.size())))]; }
  unsigned LineFor(std::size_t slot) { return gSettings.Socket ? gLines[2 * slot + static_cast<std::size_t>(Pick(2))] : AnyLine(); }
  void Fail(const std::string& what) {
    if (FFailure.empty()) FFailure = what + " (step " + std::to_string(FStep) + ")";
  }
  void Shown(const std::string& message);
  template <typename F>
  void Guard(const char* action, const TCtxPtr& ctx, F&& f);
  void Step();
  void Action(int kind, std::size_t slot);
  void Create(std::size_t slot);
  void Destroy(std::size_t slot);
  // Every port goes, and no handler run meanwhile makes a new one.
  void DestroyAll();
  void Put(const TCtxPtr& ctx);
  void Poll(const TCtxPtr& ctx);
  bool MayRead(const TPortCtx* ctx) const;
  void ReadInEvent(const TCtxPtr& ctx, std::uintptr_t announced);
  void SeenEmpty(const TCtxPtr& ctx);
  void Take(const TCtxPtr& ctx, std::uint32_t count);
  void Flush(const TCtxPtr& ctx, bool input);
  void Settings(const TCtxPtr& ctx);
  void ReopenWhileClosing(std::size_t slot);
  void ComChangeInEvent(const TCtxPtr& ctx);
  void LostInDelivery(std::size_t slot);
  bool LineChangeUnread(std::size_t slot);
  void PutUntilQueued(const TCtxPtr& ctx);
  bool WaitAnnounced(const TCtxPtr& ctx, std::chrono::seconds limit, std::string& owed);
  void Triggers(const TCtxPtr& ctx);
  void Handlers(const TCtxPtr& ctx);
  void Recorders(const TCtxPtr& ctx);
  void FarEnd();
  void PumpFor(std::chrono::milliseconds time);
  void Pumped();
  void CheckQuiet();
  bool Announces(const TCtxPtr& ctx);
  void CheckAnnounced();
  void WaitForBaseline();
  void Checkpoint();
  void CollectFailures();

  std::mt19937_64 FRandom;
  TWatchdog FDog;
  std::filesystem::path FTemp;
  std::map<unsigned, std::unique_ptr<TFarEnd>> FLines;
  std::array<std::unique_ptr<TSioComPort>, kSlots> FPorts;
  std::array<TCtxPtr, kSlots> FCtx;
  std::vector<std::pair<const TPortCtx*, bool>> FHandlers;  // handlers running: port, reads
  int FBaseThreads = 0, FBaseFds = 0, FFdsPerPort = 0;
  unsigned long long FStep = 0, FCheckpoints = 0, FNested = 0;
  unsigned long long FReopensAsked = 0, FUnreadChanges = 0;  // the sequences made on purpose, done
  unsigned long long FDestroyedInClose = 0, FAnnouncedChecked = 0;
  unsigned long long FHandlerRuns = 0, FStepHandlers = 0;   // for the watchdog's report
  unsigned long long FShown = 0;                            // expected failures the display showed
  std::chrono::steady_clock::time_point FNextUnreadChange;  // LineChangeUnread is due
  std::chrono::steady_clock::time_point FLastPumped = std::chrono::steady_clock::now();
  bool FEnding = false;  // DestroyAll: no nested actions
  std::string FFailure;
  std::mutex FWorkerLock;
  std::string FWorkerFailure;  // under FWorkerLock: found on a dispatch worker
};

// ---- Handlers ------------------------------------------------------------------------------

TMessageResult ExtraWindowProc(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  auto* holder = static_cast<TCtxPtr*>(GetWindowData(window));
  if (holder != nullptr && message >= TriggerAvailMsg && message <= TriggerStatusMsg) {
    const TCtxPtr ctx = *holder;  // the window, and the holder with it, may go in there
    ctx->Run->OnHandler(ctx, kWindow, message, wParam);
  } else if (holder != nullptr && message == kAskReopenMsg) {
    const TCtxPtr ctx = *holder;
    ctx->Run->AskReopen(wParam, static_cast<std::intptr_t>(lParam));
  } else if (holder != nullptr && message == kDestroyMsg) {
    const TCtxPtr ctx = *holder;
    ctx->Run->DestroyInClose(wParam, static_cast<std::intptr_t>(lParam));
  }
  return 0;
}

void TRandomRun::OnHandler(const TCtxPtr& ctx, TRole who, std::uint32_t message, std::uintptr_t wParam) {
  if (!ctx->Alive) return Fail("a handler ran after its port was destroyed");
  if (ctx->Port == nullptr || ctx->Port->EventDepth() < (who == kOnTrigger ? 1 : 0))
    return Fail("an event of a port ran outside its own trigger message");
  Pumped();
  // The port's own event comes with every announcement that reached it.
  if (message == TriggerAvailMsg && who == kOnTrigger && !(ctx->Role == kOnTrigger && ctx->ReadPolicy == 0 && MayRead(ctx.get())))
    ctx->ToldUnread = true;
  FHandlers.emplace_back(ctx.get(), who == ctx->Role);
  // A step that runs handlers for long is busy, not hung: the report tells which.
  FDog.SetActivity("step " + std::to_string(FStep) + ", its handler " + std::to_string(++FHandlerRuns - FStepHandlers) +
                   ": message " + std::to_string(message) + " of COM" + std::to_string(ctx->Port->ComNumber()) +
                   (FHandlers.size() > 1 ? " (nested)" : ""));
  if (who == ctx->Role) ReadInEvent(ctx, message == TriggerAvailMsg ? wParam : 0);
  if (ctx->Port != nullptr && who == kOnTrigger && std::exchange(ctx->ChangeInEvent, false)) ComChangeInEvent(ctx);
  if (ctx->Port != nullptr && FHandlers.size() == 1 && std::exchange(ctx->LostInEvent, false)) {
    // The loss waits in the queue: its close is deferred, and runs the message posted here.
    ctx->DestroyToken = static_cast<std::intptr_t>(FStep);
    PostMessage(ctx->Window, kDestroyMsg, ctx->Slot, ctx->DestroyToken);
    for (const auto end = std::chrono::steady_clock::now() + 500ms;
         ctx->Alive && ctx->Port->PortState() == psOpen && std::chrono::steady_clock::now() < end;) {
      PumpFor(1ms);
    }
    ctx->DestroyToken = 0;
  }
  if (ctx->Port != nullptr && ctx->NestedLeft > 0 && !FEnding && Chance(50)) {
    --ctx->NestedLeft;
    ++FNested;
    Action(Pick(12), Chance(75) ? ctx->Slot : Pick(kSlots));
  }
  FHandlers.pop_back();
}

// A read is safe for the count of bytes unless a handler of the same port that is not its
// reader is running: that handler's delivery shows the same bytes to the reader later.
bool TRandomRun::MayRead(const TPortCtx* ctx) const {
  for (const auto& [port, reads] : FHandlers) {
    if (port == ctx && !reads) return false;
  }
  return true;
}

void TRandomRun::ReadInEvent(const TCtxPtr& ctx, std::uintptr_t announced) {
  TSioBaseDispatcher* d = ctx->Port->PortState() == psOpen ? ctx->Port->Dispatcher() : nullptr;
  if (d == nullptr) return;
  const std::uint32_t unread = d->InCount();
  switch (ctx->ReadPolicy) {
    case 0:  // everything shown
      return Take(ctx, unread);
    case 1:  // one byte at a time, as the front panel does
      return Take(ctx, std::min<std::uint32_t>(unread, 1));
    case 2:  // exactly the announced count, which polls may have made stale
      return Take(ctx, static_cast<std::uint32_t>(announced));
    case 3:
      return Take(ctx, unread == 0 ? 0 : static_cast<std::uint32_t>(Pick(static_cast<int>(unread)) + 1));
    default:  // nothing
      return;
  }
}

// ---- Actions -------------------------------------------------------------------------------

// Runs an action of the port's public API; the failures it may meet are expected, any other
// is a fault.  The line may have been hung up under the port: then anything may fail.
template <typename F>
void TRandomRun::Guard(const char* action, const TCtxPtr& ctx, F&& f) {
  try {
    f();
  } catch (const ESioException& e) {
    // EBadArgument: a line opened with flow levels beyond a smaller InSize set since.
    static const int expected[] = {ecAlreadyOpen, ecOutputBufferTooSmall, ecBufferIsEmpty, ecCommNotOpen, ecBadArgument};
    if (std::find(std::begin(expected), std::end(expected), e.ErrorCode) != std::end(expected)) return;
    if (ctx && ctx->Streams && ctx->Streams->Dead) return;
    Fail(std::string(action) + " raised " + e.Message() + " (" + std::to_string(e.ErrorCode) + ")");
  } catch (const std::exception& e) {
    if (ctx && ctx->Streams && ctx->Streams->Dead && dynamic_cast<const EInOutError*>(&e) != nullptr) return;
    Fail(std::string(action) + " raised " + e.what());
  }
}

void TRandomRun::Shown(const std::string& message) {
  // A reopen that completes a deferred close may find the line taken by the other port, or
  // refuse flow levels beyond a smaller InSize (see Guard).
  // The messages go on with the device and what holds it.
  for (const char* expected : {"ie_Open - device already open", "Bad argument passed to function"})
    if (message.rfind(expected, 0) == 0) {
      ++FShown;
      return;
    }
  Fail("the exception display showed \"" + message + "\"");
}

void TRandomRun::Action(int kind, std::size_t slot) {
  if (gSettings.Verbose) {
    std::fprintf(stderr, "step %llu%s: action %d on slot %zu\n", FStep, FHandlers.empty() ? "" : " (in an event)", kind, slot);
  }
  if (!FPorts[slot]) {
    if (kind < 6) Create(slot);
    return;
  }
  const TCtxPtr ctx = FCtx[slot];
  ++ctx->Actions;
  TSioComPort& port = *FPorts[slot];
  // A close runs messages while it waits for the workers; the port may not be destroyed by
  // a handler run there (the port says so loudly), so the test does not.  A close asked for
  // inside the port's own delivery is deferred instead, and the message it runs may destroy
  // the port.
  auto lifecycle = [&](const char* action, auto call) {
    Guard(action, ctx, [&] {
      ++ctx->Busy;
      try {
        call();
      } catch (...) {
        --ctx->Busy;
        throw;
      }
      --ctx->Busy;
    });
  };
  switch (kind) {
    case 0:
      if (ctx->Busy > 0 && !(ctx->DeferredClose && port.PortState() == psClosing)) return;
      Destroy(slot);
      if (Chance(50)) Create(slot);
      return;
    case 1:
      return lifecycle("Open", [&] { port.SetOpen(!port.Open()); });
    case 2:
      return lifecycle("Close and reopen", [&] {
        port.SetOpen(false);
        if (ctx->Alive) port.SetOpen(true);
      });
    case 3:
      return lifecycle("ComNumber", [&] { port.SetComNumber(static_cast<std::uint16_t>(LineFor(slot))); });
    case 4:
      return Settings(ctx);
    case 5:
      return Put(ctx);
    case 6:
      return Poll(ctx);
    case 7:
      return Flush(ctx, Chance(50));
    case 8:
      return Triggers(ctx);
    case 9:
      return Recorders(ctx);
    case 10:
      return Handlers(ctx);
    default:
      ctx->NestedLeft = Pick(4);
      if (ctx->Port->PortState() != psOpen || !ctx->Port->Dispatcher()->Dispatching()) {
        ctx->Role = static_cast<TRole>(Pick(kRoles));
        ctx->ReadPolicy = Pick(5);
      }
      return;
  }
}

void TRandomRun::Create(std::size_t slot) {
  if (FPorts[slot]) return;  // a handler run while the slot's port went has filled it again
  auto ctx = std::make_shared<TPortCtx>();
  ctx->Run = this;
  ctx->Slot = slot;
  ctx->Role = static_cast<TRole>(Pick(kRoles));
  ctx->ReadPolicy = Pick(5);
  ctx->NestedLeft = Pick(3);
  FPorts[slot] = std::make_unique<TSioComPort>(nullptr);
  FCtx[slot] = ctx;
  TSioComPort& port = *FPorts[slot];
  ctx->Port = &port;
  ctx->Window = CreateWindow("portRandomWindow");
  SetWindowData(ctx->Window, new TCtxPtr(ctx));
  port.SetComNumber(static_cast<std::uint16_t>(LineFor(slot)));
  port.SetBaud(9600);
  port.SetAutoOpen(Chance(30));
  port.SetAvailTriggerLength(static_cast<std::uint16_t>(Chance(80) ? 1 : Pick(200)));
  const std::string base = (FTemp / ("port" + std::to_string(slot))).string();
  port.SetTraceName(base + ".trc");
  port.SetLogName(base + ".log");
  port.SetOnPortOpened([ctx](TComponent*) {
    TFarEnd& line = *ctx->Run->FLines.at(ctx->Port->ComNumber());
    const int device = ctx->Port->Dispatcher()->DeviceHandle();
    // A server takes the connection on a thread of its own.
    if (gSettings.Socket) WaitUntil([&] { return line.IsDevice(device); });
    ctx->DeferredClose = false;
    ctx->Streams = line.Streams();
    if (ctx->Streams->Attached) ctx->Run->Fail("two open ports on one line");
    ctx->Streams->Attached = true;
    if (!line.IsDevice(device))
      ctx->Run->Fail("COM" + std::to_string(ctx->Port->ComNumber()) + " opened another line's device");
    if (gSettings.Verbose) std::fprintf(stderr, "  slot %zu opened COM%u (%p), out at %llu\n", ctx->Slot, ctx->Port->ComNumber(), (void*)ctx->Streams.get(), (unsigned long long)ctx->Streams->Queued);
    ctx->Streams->In.EndGap(ctx->Streams->Reserved);
    ctx->Streams->Out.EndGap(ctx->Streams->Queued);
  });
  port.SetOnPortClosed([ctx](TComponent*) {
    if (!ctx->Streams) return ctx->Run->Fail("a port closed that had not opened");
    if (gSettings.Verbose) std::fprintf(stderr, "  slot %zu closes COM%u (%p), out at %llu\n", ctx->Slot, ctx->Port->ComNumber(), (void*)ctx->Streams.get(), (unsigned long long)ctx->Streams->Queued);
    ctx->Streams->In.BeginGap();
    ctx->Streams->Out.BeginGap();
    ctx->Streams->Attached = false;
    ctx->Streams.reset();
    ctx->DeferredClose = ctx->Port->Dispatcher()->InsideDelivery();
    // A close the test did not ask for is the port's own, for a lost line.  It runs messages
    // while it waits for the workers, so the port may not be destroyed until OnLineLost.
    if (ctx->Busy == 0 && !ctx->LostClose) {
      ctx->LostClose = true;
      ++ctx->Busy;
    }
  });
  port.SetOnLineLost([ctx](TComponent*, int) {
    ++ctx->Losses;
    if (std::exchange(ctx->LostClose, false)) --ctx->Busy;
  });
  port.SetOnTrigger([ctx](TComponent* cp, std::uint16_t message, std::uint16_t count, std::uint16_t) {
    const TCtxPtr keep = ctx;  // the closure may go with the port
    if (cp != keep->Port) return keep->Run->Fail("an event named another port");
    keep->Run->OnHandler(keep, kOnTrigger, message, count);
  });
  // Raised after OnTrigger for the same messages; the handler check there covers them.
  port.SetOnTriggerData([](TComponent*, std::uint16_t) {});
  port.SetOnTriggerStatus([](TComponent*, std::uint16_t) {});
  if (Chance(70)) Guard("Open", ctx, [&] { port.SetOpen(true); });
}

void TRandomRun::Destroy(std::size_t slot) {
  if (!FPorts[slot]) return;
  // The slot is empty while the port goes: a handler run meanwhile may fill it again.
  const TCtxPtr ctx = std::move(FCtx[slot]);
  std::unique_ptr<TSioComPort> port = std::move(FPorts[slot]);
  ++ctx->Busy;
  port.reset();
  ctx->Alive = false;
  ctx->Port = nullptr;
  if (ctx->Streams) Fail("a destroyed port kept its line");
  delete static_cast<TCtxPtr*>(GetWindowData(ctx->Window));
  DestroyWindow(ctx->Window);
}

void TRandomRun::DestroyAll() {
  FEnding = true;
  for (std::size_t s = 0; s < kSlots; ++s) Destroy(s);
  FEnding = false;
}

void TRandomRun::Put(const TCtxPtr& ctx) {
  Guard("PutBlock", ctx, [&] {
    TSioComPort& port = *ctx->Port;
    if (port.PortState() == psClosing) return;
    TSioBaseDispatcher* d = port.Dispatcher();  // may open the port (AutoOpen)
    if (d == nullptr || !ctx->Streams) return;
    const std::uint32_t free = d->OutFree();
    const auto count = static_cast<std::uint16_t>(Pick(static_cast<int>(std::min<std::uint32_t>(free, 3000)) + 8));
    std::vector<std::uint8_t> bytes(count);
    FillNumbered(ctx->Streams->Queued, bytes.data(), count);
    const std::shared_ptr<TLineStreams> streams = ctx->Streams;
    if (gSettings.Verbose) std::fprintf(stderr, "  put %u at %llu (free %u) COM%u\n", count, (unsigned long long)streams->Queued, free, port.ComNumber());
    port.PutBlock(bytes.data(), count);
    streams->Queued += count;
  });
}

// Between deliveries an empty ring holds nothing anybody was told of: whatever arrives now is
// announced afresh.
void TRandomRun::SeenEmpty(const TCtxPtr& ctx) {
  if (ctx->Port == nullptr || ctx->Port->PortState() != psOpen) return;
  TSioBaseDispatcher* d = ctx->Port->Dispatcher();
  if (!d->Dispatching() && d->InCount() == 0) ctx->ToldUnread = false;
}

void TRandomRun::Take(const TCtxPtr& ctx, std::uint32_t count) {
  SeenEmpty(ctx);
  if (count == 0 || ctx->Port == nullptr || ctx->Port->PortState() != psOpen || !ctx->Streams || !MayRead(ctx.get()))
    return;
  Guard("GetBlock", ctx, [&] {
    std::vector<std::uint8_t> bytes(std::min<std::uint32_t>(count, 0xFFFF));
    const std::shared_ptr<TLineStreams> streams = ctx->Streams;
    ctx->Port->GetBlock(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    SeenEmpty(ctx);
    if (gSettings.Verbose)
      std::fprintf(stderr, "  take %zu at %llu from COM%u%s (%d handlers)\n", bytes.size(), (unsigned long long)streams->In.Count(),
                   ctx->Port->ComNumber(), FHandlers.empty() ? "" : " in an event", (int)FHandlers.size());
    streams->In.Received(bytes.data(), bytes.size());
  });
}

void TRandomRun::Poll(const TCtxPtr& ctx) {
  Guard("Poll", ctx, [&] {
    if (ctx->Port->PortState() == psClosing) return;
    TSioBaseDispatcher* d = ctx->Port->Dispatcher();
    if (d == nullptr) return;
    const std::uint32_t unread = d->InCount();
    Take(ctx, Chance(10) ? unread + 1 : unread == 0 ? 0 : static_cast<std::uint32_t>(Pick(static_cast<int>(unread)) + 1));
  });
}

void TRandomRun::Flush(const TCtxPtr& ctx, bool input) {
  Guard("Flush", ctx, [&] {
    TSioComPort& port = *ctx->Port;
    if (port.PortState() != psOpen || !ctx->Streams) return;
    const std::shared_ptr<TLineStreams> streams = ctx->Streams;
    TStreamCheck& check = input ? streams->In : streams->Out;
    if (gSettings.Verbose) std::fprintf(stderr, "  flush %s\n", input ? "in" : "out");
    check.BeginGap();
    try {
      input ? port.FlushInBuffer() : port.FlushOutBuffer();
    } catch (...) {
      check.EndGap(input ? streams->Reserved.load() : streams->Queued);
      throw;
    }
    check.EndGap(input ? streams->Reserved.load() : streams->Queued);
  });
}

void TRandomRun::Settings(const TCtxPtr& ctx) {
  static const std::int32_t kBauds[] = {4800, 9600, 19200, 57600, 115200};
  static const std::uint16_t kSizes[] = {4, 64, 4096};
  // A line change waits for the output to drain (10 s at most): the far end must be reading,
  // or stop for a while only, longer than a trigger message waits for the port's thread.
  const bool stalled = ctx->Streams && ctx->Port->PortState() == psOpen && Pick(200) == 0;
  Line(ctx->Port->ComNumber()).StallReader(false);
  if (ctx->Streams) {
    for (auto& [n, line] : FLines) {
      if (line->Streams() != ctx->Streams) continue;
      line->StallReader(false);
      if (stalled) line->StallReaderFor(kTriggerSendTimeoutMs + 500);
    }
  }
  if (stalled) {
    if (gSettings.Verbose) std::fprintf(stderr, "  a line change while the far end stops reading\n");
    for (int i = 0; i < 10 && ctx->Streams && ctx->Port->PortState() == psOpen &&
                    ctx->Port->Dispatcher()->OutUsed() == 0; ++i) {
      Put(ctx);
    }
  }
  Guard("a setting", ctx, [&] {
    TSioComPort& port = *ctx->Port;
    if (stalled) return port.SetBaud(port.Baud() == 9600 ? 19200 : 9600);
    const int which = Pick(13);
    if (gSettings.Verbose) std::fprintf(stderr, "  setting %d\n", which);
    switch (which) {
      case 0: return port.SetBaud(kBauds[Pick(5)]);
      // A pseudo-terminal keeps 8 data bits and no parity, and the C library reports a change
      // of either as a failure: those two stay as they are.
      case 1: return port.SetParity(pNone);
      case 2: return port.SetDataBits(8);
      case 3: return port.SetStopBits(static_cast<std::uint16_t>(1 + Pick(2)));
      case 4: return port.SetDTR(Chance(50));
      case 5: return port.SetRTS(Chance(50));
      case 6: return port.SetHWFlowOptions(THWFlowOptionSet::FromBits(static_cast<std::uint8_t>(Pick(16))));
      case 7: return port.SetAvailTriggerLength(static_cast<std::uint16_t>(Chance(50) ? 1 : Pick(9000)));
      case 8: return Chance(50) ? port.SetInSize(kSizes[Pick(3)]) : port.SetOutSize(kSizes[Pick(3)]);
      case 9: return port.SetThreadPriorityBoost(static_cast<std::uint8_t>(Pick(3)));
      case 10: return port.SetUseEventWord(Chance(50));
      // Bytes gathered before they are announced still come, however a close or purge meets them.
      case 11: return port.SetReceiveLatencyMs(static_cast<std::uint16_t>(Chance(50) ? 0 : Pick(60)));
      default: return port.SetAutoOpen(Chance(50));
    }
  });
}

// A close made between events runs messages while it waits for the port's workers; a handler
// run there (for a message posted to one of the test's windows just before) asks for the port
// to be opened again.  The reopen follows the close, also one that a delivery in progress
// deferred: the port is open afterwards, unless something else happened to it meanwhile.
void TRandomRun::ReopenWhileClosing(std::size_t slot) {
  const TCtxPtr ctx = FCtx[slot];
  if (!ctx || ctx->Busy > 0 || ctx->Port->PortState() != psOpen) return;
  const TCtxPtr other = FCtx[(slot + 1) % kSlots];
  const TCtxPtr asker = other && Chance(75) ? other : ctx;
  const auto token = static_cast<std::intptr_t>(FStep);
  ctx->ReopenToken = token;
  ctx->ReopenAsked = false;
  PostMessage(asker->Window, kAskReopenMsg, slot, token);
  const unsigned long long actions = ++ctx->Actions, losses = ctx->Losses, shown = FShown;
  bool raised = true;
  ++ctx->Busy;
  Guard("Close", ctx, [&] {
    ctx->Port->SetOpen(false);
    raised = false;
  });
  --ctx->Busy;
  for (const auto end = std::chrono::steady_clock::now() + 5s;
       ctx->Alive && ctx->Port->PortState() == psClosing && std::chrono::steady_clock::now() < end;) {
    PumpFor(1ms);
  }
  ctx->ReopenToken = 0;
  if (!ctx->Alive || !ctx->ReopenAsked || raised || ctx->Actions != actions || ctx->Losses != losses || FShown != shown)
    return;
  ++FReopensAsked;
  if (!ctx->Port->Open() || ctx->Port->PortState() != psOpen) {
    Fail("a reopen asked for while COM" + std::to_string(ctx->Port->ComNumber()) + " closed was dropped: Open " +
         (ctx->Port->Open() ? "true" : "false") + ", state " + std::to_string(ctx->Port->PortState()));
  }
}

void TRandomRun::AskReopen(std::size_t slot, std::intptr_t token) {
  const TCtxPtr ctx = FCtx[slot];
  if (!ctx || ctx->ReopenToken != token || ctx->Port->PortState() != psClosing) return;
  ctx->ReopenAsked = true;
  Guard("Open", ctx, [&] { ctx->Port->SetOpen(true); });
}

// Inside the port's own event its number changes: the close that this defers runs one
// message, which destroys the port.  Nothing may touch the port afterwards.
void TRandomRun::ComChangeInEvent(const TCtxPtr& ctx) {
  if (FEnding || ctx->Port->PortState() != psOpen) return;
  const auto token = static_cast<std::intptr_t>(FStep);
  ctx->DestroyToken = token;
  PostMessage(ctx->Window, kDestroyMsg, ctx->Slot, token);
  ++ctx->Actions;
  ++ctx->Busy;
  Guard("ComNumber", ctx, [&] {
    const std::uint16_t from = ctx->Port->ComNumber();
    std::uint16_t to = from;
    for (int i = 0; i < 8 && to == from; ++i) to = static_cast<std::uint16_t>(LineFor(ctx->Slot));
    ctx->Port->SetComNumber(to);
  });
  --ctx->Busy;
  ctx->DestroyToken = 0;
}

void TRandomRun::DestroyInClose(std::size_t slot, std::intptr_t token) {
  const TCtxPtr ctx = FCtx[slot];
  if (!ctx || ctx->DestroyToken != token || !ctx->DeferredClose || ctx->Port->PortState() != psClosing) return;
  ++FDestroyedInClose;
  Destroy(slot);
}

// The line is lost, and its port hears of it inside one of its events: the close the loss
// makes is deferred and runs one message, which destroys the port.  Nothing may touch the port
// afterwards.  The report of the loss comes after one more pass of the dispatcher: while this
// thread does not pump, it waits in the queue, and so does the delivery of a timer trigger
// armed then, which comes first when the thread pumps again (sent messages before posted ones).
void TRandomRun::LostInDelivery(std::size_t slot) {
  const TCtxPtr ctx = FCtx[slot];
  if (!ctx || ctx->Busy > 0 || ctx->Port->PortState() != psOpen || !ctx->Streams || ctx->Streams->Dead) return;
  TFarEnd& line = Line(ctx->Port->ComNumber());
  if (line.Streams() != ctx->Streams) return;
  // What came is delivered first, so that no delivery holds up the pass before the report.
  line.StallWriter(true);
  PumpFor(50ms);
  line.StallWriter(false);
  if (!ctx->Alive || ctx->Port->PortState() != psOpen || line.Streams() != ctx->Streams) return;
  CollectFailures();  // the old streams are forgotten
  line.HangUp();
  std::this_thread::sleep_for(300ms);
  if (ctx->Port->PortState() != psOpen) return;
  TSioBaseDispatcher& d = *ctx->Port->Dispatcher();
  const int timer = d.AddTimerTrigger();
  if (timer > 0) d.SetTimerTrigger(static_cast<std::uint32_t>(timer), 1, true);
  std::this_thread::sleep_for(250ms);
  ctx->LostInEvent = true;
  for (const auto end = std::chrono::steady_clock::now() + 3s;
       ctx->Alive && ctx->Port->PortState() == psOpen && std::chrono::steady_clock::now() < end;) {
    PumpFor(1ms);
  }
  ctx->LostInEvent = false;
}

// Fills the port's output ring until the device takes nothing more from it (two seconds at
// most): a line change then waits for the far end to read.
void TRandomRun::PutUntilQueued(const TCtxPtr& ctx) {
  auto full = [&] { return ctx->Port->PortState() == psOpen && ctx->Streams && ctx->Port->Dispatcher()->OutFree() == 0; };
  for (const auto end = std::chrono::steady_clock::now() + 2s;
       ctx->Port->PortState() == psOpen && ctx->Streams && std::chrono::steady_clock::now() < end;) {
    if (full()) {
      // A pseudo-terminal may still move bytes on inside the kernel and make room.
      std::this_thread::sleep_for(20ms);
      if (full()) return;
    }
    Guard("PutBlock", ctx, [&] {
      TLineStreams& streams = *ctx->Streams;
      const auto count = static_cast<std::uint16_t>(std::min<std::uint32_t>(ctx->Port->Dispatcher()->OutFree(), 0xFFFF));
      if (count == 0) return;
      std::vector<std::uint8_t> bytes(count);
      FillNumbered(streams.Queued, bytes.data(), count);
      ctx->Port->PutBlock(bytes.data(), count);
      streams.Queued += count;
    });
  }
}

// Pumps until the port's events have taken every byte that arrived; false when `limit`
// passed first, with what is owed.  Nothing is owed by a port that stopped announcing.
bool TRandomRun::WaitAnnounced(const TCtxPtr& ctx, std::chrono::seconds limit, std::string& owed) {
  for (const auto end = std::chrono::steady_clock::now() + limit;;) {
    if (!Announces(ctx)) return true;
    const std::uint32_t unread = ctx->Port->Dispatcher()->InCount();
    if (unread == 0) return true;
    if (std::chrono::steady_clock::now() > end) {
      owed = "COM" + std::to_string(ctx->Port->ComNumber()) + ": " + std::to_string(unread) + " of " +
             std::to_string(ctx->Streams->Written.load()) + " bytes written";
      return false;
    }
    PumpFor(1ms);
  }
}

// The port's thread waits in a line change for its output to drain, and the far end does
// not read for longer than a trigger message waits for that thread; one burst comes
// meanwhile, then nothing more.  The messages that timed out told nobody, and no later byte
// will ask for another: once the thread is back, the burst must still be announced.  False
// when the port is in no state for it now.
bool TRandomRun::LineChangeUnread(std::size_t slot) {
  const TCtxPtr ctx = FCtx[slot];
  if (!ctx || ctx->Busy > 0 || ctx->Port->PortState() != psOpen || !ctx->Streams || ctx->Streams->Dead) return false;
  TFarEnd& line = Line(ctx->Port->ComNumber());
  TSioBaseDispatcher& d = *ctx->Port->Dispatcher();
  if (line.Streams() != ctx->Streams || d.Dispatching()) return false;
  const std::shared_ptr<TLineStreams> streams = ctx->Streams;
  // One reader that takes all it is shown and is told of every byte.  This thread is held
  // for seconds, also from the other port's deliveries: neither port keeps a handler that a
  // timed-out message to its reader would leave as the one told (one on a worker, a window
  // whose message comes after the reader's has timed out).
  ctx->Role = kOnTrigger;
  ctx->ReadPolicy = 0;
  ctx->NestedLeft = 0;
  for (const TCtxPtr& port : FCtx) {
    if (!port || port->Port->PortState() != psOpen) continue;
    TSioBaseDispatcher* own = port->Port->Dispatcher();
    if (port->WorkerOn == own) {
      own->RemoveMethodHandler(&port->Alive);
      port->WorkerOn = nullptr;
    }
    if (port->WindowOn == own) {
      own->RemoveWindowHandler(port->Window);
      port->WindowOn = nullptr;
    }
  }
  Guard("AvailTriggerLength", ctx, [&] { ctx->Port->SetAvailTriggerLength(1); });
  // Everything written so far is taken first, so that the burst is all that is left.
  FDog.SetActivity("step " + std::to_string(FStep) + ": COM" + std::to_string(line.Number()) + " settles before a line change");
  line.StallReader(false);
  line.PauseWriter(true, streams->Reserved);
  std::string owed;
  for (const auto end = std::chrono::steady_clock::now() + 2s; !line.WriterIdle() && std::chrono::steady_clock::now() < end;)
    PumpFor(1ms);
  // Bytes announced before the reader took all it was shown are not announced again: taken here.
  PumpFor(20ms);
  if (ctx->Alive && ctx->Port->PortState() == psOpen) Take(ctx, ctx->Port->Dispatcher()->InCount());
  if (!line.WriterIdle() || !WaitAnnounced(ctx, 2s, owed) || !Announces(ctx)) {
    line.PauseWriter(false);
    return true;  // something else happened to it meanwhile: the next one is due later
  }
  line.StallReaderFor(kTriggerSendTimeoutMs + 1500);
  PutUntilQueued(ctx);
  line.SetRate(256, 1000);
  line.PauseWriter(true, streams->Written + 1);
  FDog.Progress();
  FDog.SetActivity("step " + std::to_string(FStep) + ": a line change while COM" + std::to_string(line.Number()) +
                   "'s far end does not read");
  const auto begin = std::chrono::steady_clock::now();
  Guard("a setting", ctx, [&] { ctx->Port->SetBaud(ctx->Port->Baud() == 9600 ? 19200 : 9600); });
  const bool waited = std::chrono::steady_clock::now() - begin > std::chrono::milliseconds(kTriggerSendTimeoutMs);
  FDog.Progress();
  for (const auto end = std::chrono::steady_clock::now() + 5s; !line.WriterIdle() && std::chrono::steady_clock::now() < end;)
    PumpFor(1ms);
  FDog.SetActivity("step " + std::to_string(FStep) + ": COM" + std::to_string(line.Number()) +
                   "'s bytes that came during a line change are to be announced");
  if (waited && line.WriterIdle() && Announces(ctx)) {
    ++FUnreadChanges;
    // Generous: a pass comes within 50 ms of bytes nobody heard of.
    if (!WaitAnnounced(ctx, 5s, owed)) Fail("bytes that came while the port's thread waited in a line change were never announced: " + owed);
  }
  line.PauseWriter(false);
  return true;
}

void TRandomRun::Triggers(const TCtxPtr& ctx) {
  if (ctx->Port->PortState() != psOpen) return;
  TSioBaseDispatcher& d = *ctx->Port->Dispatcher();
  const auto handle = [&](int h) { return static_cast<std::uint32_t>(h > 0 ? h : 0); };
  switch (Pick(5)) {
    case 0: {
      // Bytes the far end is about to send, so the trigger matches now and then.
      std::uint8_t text[3];
      const std::size_t length = 1 + static_cast<std::size_t>(Pick(3));
      FillNumbered(ctx->Streams ? ctx->Streams->Reserved.load() + static_cast<std::uint64_t>(Pick(4000)) : 0, text, length);
      d.AddDataTrigger(text, static_cast<std::uint32_t>(length), Chance(20));
      return;
    }
    case 1:
      d.SetTimerTrigger(handle(d.AddTimerTrigger()), static_cast<std::uint32_t>(1 + Pick(4)), true);
      return;
    case 2: {
      const int h = d.AddStatusTrigger(static_cast<std::uint32_t>(1 + Pick(5)));
      d.SetStatusTrigger(handle(h), static_cast<std::uint16_t>(Pick(5000)), true);
      return;
    }
    default:
      d.RemoveTrigger(static_cast<std::uint32_t>(1 + Pick(40)));
      return;
  }
}

void TRandomRun::Handlers(const TCtxPtr& ctx) {
  if (ctx->Port->PortState() != psOpen) return;
  TSioBaseDispatcher* d = ctx->Port->Dispatcher();
  switch (Pick(6)) {
    case 0:
      if (std::exchange(ctx->SyncOn, d) == d) return;
      d->AddMethodHandler(ctx.get(), [ctx](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
        ctx->Run->OnHandler(ctx, kSyncMethod, message, wParam);
      }, true);
      return;
    case 1:
      ctx->OthersTold = true;
      if (std::exchange(ctx->WorkerOn, d) == d) return;
      // On the dispatch worker: only the dispatcher's own thread-safe operations.
      d->AddMethodHandler(&ctx->Alive, [ctx, d](std::uint32_t, std::uintptr_t, std::intptr_t) {
        if (!ctx->Alive) {
          std::lock_guard lock(ctx->Run->FWorkerLock);
          ctx->Run->FWorkerFailure = "a worker handler ran after its port was destroyed";
        }
        d->InCount();
        d->OutFree();
      }, false);
      return;
    case 2:
      ctx->OthersTold = true;
      if (std::exchange(ctx->WindowOn, d) != d) d->AddWindowHandler(ctx->Window);
      return;
    case 3:
      ctx->SyncOn = nullptr;
      return d->RemoveMethodHandler(ctx.get());
    case 4:
      ctx->WorkerOn = nullptr;
      return d->RemoveMethodHandler(&ctx->Alive);
    default:
      ctx->WindowOn = nullptr;
      return d->RemoveWindowHandler(ctx->Window);
  }
}

void TRandomRun::Recorders(const TCtxPtr& ctx) {
  Guard("Tracing", ctx, [&] {
    TSioComPort& port = *ctx->Port;
    // Dumps overwrite; an append now and then keeps the files small.
    static const TTraceLogState kStates[] = {tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause, tlOn, tlDump};
    const TTraceLogState state = kStates[Pick(8)];
    switch (Pick(4)) {
      case 0: return port.SetTracing(state);
      case 1: return port.SetLogging(state);
      case 2: return port.SetTraceSize(static_cast<std::uint32_t>(100 + Pick(20000)));
      default: return port.SetLogSize(static_cast<std::uint32_t>(1000 + Pick(100000)));
    }
  });
}

void TRandomRun::FarEnd() {
  TFarEnd& line = Line(AnyLine());
  const int which = Pick(6);
  if (gSettings.Verbose) std::fprintf(stderr, "step %llu: far end %u: %d\n", FStep, line.Number(), which);
  switch (which) {
    case 0:
    case 1: {
      static const std::size_t kBursts[] = {1, 16, 256, 4096};
      static const unsigned kPauses[] = {0, 100, 1000, 5000};
      return line.SetRate(kBursts[Pick(4)], kPauses[Pick(4)]);
    }
    case 2: return line.StallWriter(Chance(30));
    case 3:
    case 4: return line.StallReader(Chance(30));
    default:
      if (!Chance(15)) return;
      CollectFailures();  // the old streams are forgotten
      return line.HangUp();
  }
}

// ---- The run -------------------------------------------------------------------------------

void TRandomRun::PumpFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end) {
    Pumped();
    TMsg msg;
    if (GetMessage(msg, 1)) DispatchMessage(msg);
  }
}

// This thread comes to its messages.  Held for longer than a trigger message waits for it, a
// port's own event may have missed announcements that a handler on a worker, or a window whose
// message came once the thread was free, took for it.  Half the wait, for a slow machine.
void TRandomRun::Pumped() {
  const auto now = std::chrono::steady_clock::now();
  const bool held = now - FLastPumped > std::chrono::milliseconds(kTriggerSendTimeoutMs / 2);
  FLastPumped = now;
  for (const TCtxPtr& ctx : FCtx) {
    if (!ctx) continue;
    if (held && ctx->OthersTold) ctx->ToldUnread = true;
    ctx->OthersTold = ctx->WorkerOn != nullptr || ctx->WindowOn != nullptr;
  }
}

void TRandomRun::CollectFailures() {
  {
    std::lock_guard lock(FWorkerLock);
    if (!FWorkerFailure.empty()) Fail(FWorkerFailure);
  }
  for (auto& [n, line] : FLines) {
    const auto streams = line->Streams();
    for (const TStreamCheck* check : {&streams->In, &streams->Out}) {
      if (const std::string f = check->Failure(); !f.empty()) Fail(f);
    }
  }
  for (const TCtxPtr& ctx : FCtx) {
    if (ctx && ctx->Streams) {
      if (const std::string f = ctx->Streams->In.Failure(); !f.empty()) Fail(f);
    }
  }
}

// Between steps no event runs: every port's event depth is 0.
void TRandomRun::CheckQuiet() {
  for (const auto& port : FPorts) {
    if (port && port->EventDepth() != 0) Fail("event depth " + std::to_string(port->EventDepth()) + " between events");
  }
}

// A port whose own event reads everything it is shown, with an avail trigger for every byte,
// on the line its far end writes, and that has told nobody else of bytes it still holds.
bool TRandomRun::Announces(const TCtxPtr& ctx) {
  return ctx && ctx->Alive && ctx->Port->PortState() == psOpen && ctx->Streams && !ctx->Streams->Dead && !ctx->ToldUnread &&
         ctx->Role == kOnTrigger && ctx->ReadPolicy == 0 && ctx->Port->AvailTriggerLength() == 1 &&
         Line(ctx->Port->ComNumber()).Streams() == ctx->Streams;
}

// The far ends have stopped writing: every byte that arrived must be announced to such a port
// (also bytes that came while its thread was too busy to hear of them), so its events take
// them all without anybody polling.
void TRandomRun::CheckAnnounced() {
  // Generous: a pass comes within 50 ms of bytes nobody heard of; this bounds a slow machine.
  const auto end = std::chrono::steady_clock::now() + 5s;
  FDog.Progress();
  Pumped();  // a hold that just ended
  for (const TCtxPtr& ctx : FCtx) FAnnouncedChecked += Announces(ctx) ? 1 : 0;
  for (;;) {
    std::string owed;
    for (const TCtxPtr& ctx : FCtx) {
      if (!Announces(ctx)) continue;
      if (const std::uint32_t unread = ctx->Port->Dispatcher()->InCount(); unread != 0)
        owed += " COM" + std::to_string(ctx->Port->ComNumber()) + ": " + std::to_string(unread) + " of " +
                std::to_string(ctx->Streams->Written.load()) + " bytes written";
    }
    if (owed.empty()) return;
    if (std::chrono::steady_clock::now() > end) return Fail("bytes no event announced:" + owed);
    PumpFor(1ms);
  }
}

// Threads and descriptors: each open or closing port has at most its three workers and its
// own descriptors; with none, the process is back where it started.
void TRandomRun::WaitForBaseline() {
  auto settled = [&] {
    int ports = 0;
    for (const auto& port : FPorts) ports += port && port->PortState() != psClosed ? 1 : 0;
    const int threads = CountThreads(), fds = CountDescriptors();
    FDog.SetActivity("step " + std::to_string(FStep) + ": waiting for " + std::to_string(threads) + " threads and " +
                     std::to_string(fds) + " descriptors to return to " + std::to_string(FBaseThreads) + " and " +
                     std::to_string(FBaseFds) + " with " + std::to_string(ports) + " ports open");
    if (ports == 0) return threads == FBaseThreads && fds == FBaseFds;
    return threads <= FBaseThreads + 3 * ports && fds <= FBaseFds + FFdsPerPort * ports;
  };
  while (!settled()) PumpFor(1ms);
}

// The far ends stop writing and read everything; every byte sent to or by a port that has
// its line open must arrive.  A gap may have dropped the last bytes sent; a byte sent after
// it then tells that nothing else is missing: the far end writes one more before it stops,
// and the port puts a few.
void TRandomRun::Checkpoint() {
  ++FCheckpoints;
  for (auto& [n, line] : FLines) {
    line->StallReader(false);
    const bool read = line->Streams()->Attached;
    line->PauseWriter(true, read ? line->Streams()->Reserved + 1 : 0);
  }
  std::uint64_t leastOwed = ~std::uint64_t{0};
  bool announcedChecked = false;
  for (;;) {
    std::string missing;
    for (auto& [n, line] : FLines) {
      if (!line->WriterIdle()) missing += " COM" + std::to_string(n) + " writing";
    }
    // Before anything is polled: the events alone must have taken what arrived.
    if (missing.empty() && !announcedChecked) {
      announcedChecked = true;
      CheckAnnounced();
    }
    for (std::size_t s = 0; s < kSlots; ++s) {
      const TCtxPtr ctx = FCtx[s];
      if (!ctx || ctx->Port->PortState() != psOpen || !ctx->Streams || ctx->Streams->Dead) continue;
      Poll(ctx);
      TLineStreams& st = *ctx->Streams;
      // A flush in an event may have dropped the last bytes meanwhile: one more each way.
      TFarEnd& line = Line(ctx->Port->ComNumber());
      if (st.In.Landing() && line.WriterIdle() && line.Streams() == ctx->Streams) line.PauseWriter(true, st.Reserved + 1);
      if (st.Out.Landing() && ctx->Port->Dispatcher()->OutUsed() == 0) {
        Guard("PutBlock", ctx, [&] {
          std::uint8_t bytes[4];
          FillNumbered(st.Queued, bytes, sizeof bytes);
          ctx->Port->PutBlock(bytes, sizeof bytes);
          st.Queued += sizeof bytes;
        });
      }
      if (!st.In.Complete(st.Written) || !st.Out.Complete(st.Queued)) {
        missing += " COM" + std::to_string(ctx->Port->ComNumber()) + " in " + std::to_string(st.In.Count()) + "/" +
                   std::to_string(st.Written) + " out " + std::to_string(st.Out.Count()) + "/" + std::to_string(st.Queued);
      }
    }
    CollectFailures();
    if (missing.empty() || !FFailure.empty()) break;
    // Progress for the watchdog: fewer bytes missing than ever before in this checkpoint.
    std::uint64_t owed = 0;
    for (const TCtxPtr& ctx : FCtx) {
      if (ctx && ctx->Streams) owed += (ctx->Streams->Written - ctx->Streams->In.Count()) + (ctx->Streams->Queued - ctx->Streams->Out.Count());
    }
    if (owed < leastOwed) {
      leastOwed = owed;
      FDog.Progress();
    }
    for (auto& [n, line] : FLines) missing += "; " + line->Describe();
    FDog.SetActivity("checkpoint after step " + std::to_string(FStep) + ": waiting for" + missing);
    PumpFor(1ms);
  }
  CheckQuiet();
  if (Chance(30)) {
    DestroyAll();
    WaitForBaseline();
  }
  for (auto& [n, line] : FLines) line->PauseWriter(false);
  // Traces and logs appended to would grow without end in a long run.
  std::error_code ignored;
  for (const auto& file : std::filesystem::directory_iterator(FTemp, ignored)) std::filesystem::remove(file, ignored);
}

void TRandomRun::Step() {
  ++FStep;
  FDog.Progress();
  FDog.SetActivity("step " + std::to_string(FStep));
  FStepHandlers = FHandlerRuns;
  const int roll = Pick(100);
  const std::size_t slot = static_cast<std::size_t>(Pick(kSlots));
  if (std::chrono::steady_clock::now() >= FNextUnreadChange && LineChangeUnread(slot)) {
    FNextUnreadChange = std::chrono::steady_clock::now() + std::chrono::milliseconds(8000 + Pick(8000));
  } else if (roll < 30) {
    PumpFor(std::chrono::milliseconds(Pick(15)));
  } else if (roll < 40) {
    FarEnd();
  } else if (roll < 43) {
    const bool had = FPorts[slot] != nullptr;
    Destroy(slot);
    if (had) WaitForBaseline();
  } else if (roll < 45) {
    ReopenWhileClosing(slot);
  } else if (roll < 46) {
    if (FCtx[slot]) FCtx[slot]->ChangeInEvent = true;
  } else if (roll < 47 && Chance(10)) {
    LostInDelivery(slot);
  } else {
    Action(Pick(12), slot);
  }
  CheckQuiet();
  CollectFailures();
}

void TRandomRun::Go() {
  static const bool registered = RegisterWindowClass("portRandomWindow", &ExtraWindowProc);
  (void)registered;
  FBaseThreads = CountThreads();
  FBaseFds = CountDescriptors();
  {
    // What one open port adds.
    TSioComPort probe(nullptr);
    probe.SetComNumber(static_cast<std::uint16_t>(gLines[0]));
    probe.SetOpen(true);
    // A server's end of the connection counts too.
    if (gSettings.Socket) WaitUntil([&] { return Line(gLines[0]).IsDevice(probe.Dispatcher()->DeviceHandle()); });
    FFdsPerPort = CountDescriptors() - FBaseFds;
  }
  WaitForBaseline();
  std::printf("PortRandomTest: seed %llu, %.0f s over %s (replay with --seed=%llu%s)\n",
              static_cast<unsigned long long>(gSettings.Seed), gSettings.Seconds,
              gSettings.Socket ? "tcp://" : "pseudo-terminals", static_cast<unsigned long long>(gSettings.Seed),
              gSettings.Socket ? " --socket" : "");
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(gSettings.Seconds);
  FNextUnreadChange = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000 + Pick(8000));
  unsigned long long nextCheckpoint = 100;
  while (FFailure.empty() && FStep < gSettings.Steps && std::chrono::steady_clock::now() < end) {
    Step();
    if (FStep >= nextCheckpoint) {
      Checkpoint();
      nextCheckpoint = FStep + 100 + static_cast<unsigned long long>(Pick(200));
    }
  }
  if (FFailure.empty()) Checkpoint();
  DestroyAll();
  if (FFailure.empty()) WaitForBaseline();
  CollectFailures();
  unsigned long long moved = 0;
  for (auto& [n, line] : FLines) moved += line->Moved();
  std::printf("PortRandomTest: seed %llu: %llu steps, %llu nested in events, %llu checkpoints, %llu bytes moved, "
              "%llu reopens asked while closing, %llu line changes the far end did not read through, "
              "%llu ports destroyed in a deferred close, %llu ports whose events were to take everything at a checkpoint\n",
              static_cast<unsigned long long>(gSettings.Seed), FStep, FNested, FCheckpoints, moved, FReopensAsked,
              FUnreadChanges, FDestroyedInClose, FAnnouncedChecked);
  EXPECT_EQ(FFailure, "") << "seed " << gSettings.Seed << " (replay with --seed=" << gSettings.Seed << ")";
}

TEST(PortRandom, RandomStepsKeepEveryByteAndLeaveNothingBehind) {
  TRandomRun run;
  run.Go();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto number = [](const char* text) { return std::strtod(text, nullptr); };
  gSettings.Seed = std::random_device()();
  // CTest sets the default length of a run; the caller's own setting wins.
  if (const char* v = std::getenv("SIO_RANDOM_DEFAULT_SECONDS")) gSettings.Seconds = number(v);
  if (const char* v = std::getenv("SIO_RANDOM_SEED")) gSettings.Seed = std::strtoull(v, nullptr, 10);
  if (const char* v = std::getenv("SIO_RANDOM_SECONDS")) gSettings.Seconds = number(v);
  if (const char* v = std::getenv("SIO_RANDOM_STEPS")) gSettings.Steps = std::strtoull(v, nullptr, 10);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--seed=", 0) == 0) gSettings.Seed = std::strtoull(arg.c_str() + 7, nullptr, 10);
    else if (arg.rfind("--seconds=", 0) == 0) gSettings.Seconds = number(arg.c_str() + 10);
    else if (arg.rfind("--steps=", 0) == 0) gSettings.Steps = std::strtoull(arg.c_str() + 8, nullptr, 10);
    else if (arg == "--verbose") gSettings.Verbose = true;
    else if (arg == "--socket") gSettings.Socket = true;
    else {
      std::fprintf(stderr, "PortRandomTest: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  if (const char* v = std::getenv("SIO_RANDOM_SOCKET")) gSettings.Socket = std::strcmp(v, "0") != 0;
  gLines = gSettings.Socket ? std::vector<unsigned>{2, 3, 4, 5} : std::vector<unsigned>{2, 3, 4};
  return RUN_ALL_TESTS();
}
