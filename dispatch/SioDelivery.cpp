// The dispatch worker's passes, the delivery of trigger messages, and the handler lists.
//
// A delivery runs every handler with no dispatcher lock held: a handler on the main thread
// may read or write bytes, purge, add or remove handlers and triggers, or close the line.
// Handler lists only grow during a delivery (removals are marked and done when it ends), so
// a handler's index stays valid while it runs.
#include <algorithm>
#include <exception>
#include <mutex>
#include <utility>

#include "dispatch/SioDispatch.h"
#include "dispatch/SioWorkers.h"
#include "platform/Application.h"

namespace {

constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_RINGTE;
constexpr std::uint32_t kLineErrorEvents = EV_BREAK | EV_ERR;
// A read of at least this many bytes says a stream is running (see EventPass).
constexpr std::uint32_t kStreamingRead = 1024;
// Reads one pass makes at most: a stream that never pauses must not keep the worker from its
// timer pass (timer triggers, and the status checks it runs) for as long as it lasts.
constexpr int kMostReadsPerPass = 32;

// A handler that runs in a worker has no one to report to but the user: its exception is
// shown on the main thread and the delivery goes on as if it had returned.
template <typename TCall>
void CallGuarded(TCall&& call) {
  try {
    call();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  } catch (...) {
  }
}

}  // namespace

// ---- Passes -------------------------------------------------------------------------------

// Both passes run on the dispatch worker between deliveries, never inside one: a delivery is
// made by this worker alone and has ended (DeliverTrigger) before any check returns.
void TSioBaseDispatcher::EventPass() {
  // Runs the status checks until none fires; false when the line was closed meanwhile.
  auto statusLoop = [this]() {
    while (CheckStatusTriggers()) {
      if (FLine.StopAsked()) return false;
    }
    return !FLine.StopAsked();
  };

  const std::uint32_t events = FDeviceEventWord.load();
  if ((events & kModemEvents) != 0) {
    RefreshModemState();
    if (!statusLoop()) return;
    if (FStatusFiredThisPass) ResetStatusFired();
  }
  if ((events & kLineErrorEvents) != 0) {
    RefreshLineErrors();
    if (!statusLoop()) return;
    if (FStatusFiredThisPass) ResetStatusFired();
  }
  std::uint32_t got = FillInRing();
  for (int reads = 1;; ++reads) {
    if (!statusLoop()) return;
    while (CheckDataTriggers()) {
      if (FLine.StopAsked()) return;
    }
    if (FLine.StopAsked()) return;
    // A read this large comes from a stream that has most likely brought more meanwhile:
    // one more read finds it for the price of a system call, where handing back to the
    // event worker costs a poll and two thread wake-ups.  A short or empty read ends it.
    // The repeat is a pass of its own: status triggers that fired may fire again.
    if (got < kStreamingRead || reads == kMostReadsPerPass) break;
    if (FStatusFiredThisPass) ResetStatusFired();
    got = FillInRing();
    if (got == 0) break;
  }
  if (FStatusFiredThisPass) ResetStatusFired();
  if (FAnswerEventWorker && DispatchDoneSignal) DispatchDoneSignal->Set();
}

void TSioBaseDispatcher::TimerPass() {
  if (FLine.StopAsked()) return;
  FStatusFiredThisPass = false;
  for (;;) {
    if (!CheckStatusTriggers() && !CheckTimerTriggers()) break;
    if (FLine.StopAsked()) return;
  }
  if (FStatusFiredThisPass) ResetStatusFired();
}

// ---- Delivery -----------------------------------------------------------------------------

bool TSioBaseDispatcher::DeliverTrigger(std::uint32_t message, std::uintptr_t wParam, std::uint16_t data) {
  FLedger.ResetReached();
  if (!FTriggers.HandlersPresent()) return true;
  {
    std::lock_guard<TRecursiveLock> main(MainLock);
    // A line closed by an earlier handler of this pass has no one left to tell.  Nor has one
    // closed, or whose workers are being stopped, since the pass began: the closing thread
    // found no delivery in progress and releases the line at once, running messages while it
    // waits for this worker, so a delivery starting now would reach handlers inside that close.
    if (FLine.StopAsked()) return false;
    // Tells the handlers of this delivery (run here or by threads this one waits for) from
    // everyone else: see InsideDelivery.
    FLedger.SetDeliverer(CurrentSenderId());
  }
  const bool reading = message == TriggerAvailMsg || message == TriggerDataMsg;
  {
    std::lock_guard<TRecursiveLock> input(InputLock);
    FLedger.Begin(reading);
  }
  const auto lParam = static_cast<std::intptr_t>(static_cast<std::uint32_t>(FRegistryIndex) * 65536u + data);

  auto beforeHandler = [this]() {
    std::lock_guard<TRecursiveLock> input(InputLock);
    FLedger.BeforeHandler();
  };
  // After each handler: false when the line was closed and the rest must be skipped.
  auto afterHandler = [this]() {
    if (FLine.StopAsked()) return false;
    std::lock_guard<TRecursiveLock> input(InputLock);
    FLedger.AfterHandler();
    return true;
  };

  bool closed = false;
  for (std::size_t i = 0; !closed; ++i) {
    TTriggerMethod method;
    bool synchronized = false;
    {
      std::lock_guard<TRecursiveLock> main(MainLock);
      const TTriggerTable::TSlot slot = FTriggers.LendMethod(i, method, synchronized);
      if (slot == TTriggerTable::slEnd) break;
      if (slot == TTriggerTable::slSkip) continue;
    }
    beforeHandler();
    CallGuarded([&]() {
      TSioDispatcherThread* worker = FDispatchWorker.load();
      if (!synchronized) {
        method(message, wParam, lParam);
      } else if (worker != nullptr) {
        worker->SyncCall(message, wParam, lParam, method);
      } else {
        SynchronizeWithMain([&]() { method(message, wParam, lParam); });
      }
    });
    FLedger.CountReached();
    {
      std::lock_guard<TRecursiveLock> main(MainLock);
      FTriggers.ReturnMethod(i, std::move(method));
    }
    closed = !afterHandler();
  }

  for (std::size_t i = 0; !closed; ++i) {
    TTriggerProc proc = nullptr;
    {
      std::lock_guard<TRecursiveLock> main(MainLock);
      const TTriggerTable::TSlot slot = FTriggers.ProcedureAt(i, proc);
      if (slot == TTriggerTable::slEnd) break;
      if (slot == TTriggerTable::slSkip) continue;
    }
    beforeHandler();
    CallGuarded([&]() { proc(message, wParam, lParam); });
    FLedger.CountReached();
    closed = !afterHandler();
  }

  for (std::size_t i = 0; !closed; ++i) {
    TWindowHandle window = 0;
    {
      std::lock_guard<TRecursiveLock> main(MainLock);
      const TTriggerTable::TSlot slot = FTriggers.WindowAt(i, window);
      if (slot == TTriggerTable::slEnd) break;
      if (slot == TTriggerTable::slSkip) continue;
    }
    beforeHandler();
    // On time-out the delivery goes on with what the handler had read so far.  A send that
    // timed out reached nobody: withdrawn unstarted, or still running with nobody waiting
    // for its end (an owner busy in a settings change that waits for the output to drain).
    TMessageResult ignored = 0;
    if (SendMessageTimeout(window, message, wParam, lParam, kTriggerSendTimeoutMs, &ignored)) FLedger.CountReached();
    closed = !afterHandler();
  }

  bool result = !closed;
  {
    std::lock_guard<TRecursiveLock> input(InputLock);
    if (!closed && reading) {
      // A handler still running after its send timed out may have read more since it was
      // last counted; its count is still in HandlerTaken.
      const std::uint32_t consumed = FLedger.Consumed();
      // A full ring left bytes in the device: the next pass fetches them at once.
      if (FInRing.Consume(consumed)) WakeDispatchWorker();
      if (message == TriggerAvailMsg && consumed != wParam) result = false;
    }
    FLedger.End();
  }
  {
    std::lock_guard<TRecursiveLock> main(MainLock);
    FLedger.SetDeliverer(nullptr);
    if (FTriggers.EndDelivery()) UpdateHandlerState(0);
  }
  return result;
}

// ---- Handlers -----------------------------------------------------------------------------

void TSioBaseDispatcher::AddWindowHandler(TWindowHandle window) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.AddWindow(window);
  if (FLogOn) LogRecord(lkTrgHdAlc, lsWindow, window);
  if (FLineLostUntold && PostLineLost(window)) FLineLostUntold = false;
}

void TSioBaseDispatcher::RemoveWindowHandler(TWindowHandle window) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const bool delivering = Dispatching();
  const bool found = FTriggers.RemoveWindow(window, delivering);
  if (found && FLogOn) LogRecord(lkTrgHdDsp, lsWindow, window);
  // One removed during a delivery still counts until the delivery ends.
  if (!found || !delivering) UpdateHandlerState(0);
}

void TSioBaseDispatcher::AddProcedureHandler(TTriggerProc proc) {
  if (proc == nullptr) return;
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.AddProcedure(proc);
  if (FLogOn) LogRecord(lkTrgHdAlc, lsProcedure, 0);
}

void TSioBaseDispatcher::RemoveProcedureHandler(TTriggerProc proc) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const bool delivering = Dispatching();
  const bool found = FTriggers.RemoveProcedure(proc, delivering);
  if (found && FLogOn) LogRecord(lkTrgHdDsp, lsProcedure, 0);
  if (!found || !delivering) UpdateHandlerState(0);
}

void TSioBaseDispatcher::AddMethodHandler(const void* identity, TTriggerMethod method, bool synchronized) {
  if (!method) return;
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.AddMethod(identity, std::move(method), synchronized);
  if (FLogOn) LogRecord(lkTrgHdAlc, lsMethod, 0);
}

void TSioBaseDispatcher::RemoveMethodHandler(const void* identity) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const bool delivering = Dispatching();
  const bool found = FTriggers.RemoveMethod(identity, delivering);
  if (found && FLogOn) LogRecord(lkTrgHdDsp, lsMethod, 0);
  if (!found || !delivering) UpdateHandlerState(0);
}

void TSioBaseDispatcher::UpdateHandlerState(std::uint8_t mode) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.UpdateHandlerState(mode);
}
