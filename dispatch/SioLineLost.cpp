// A line whose device failed for good: a pulled USB adapter, a closed pseudo-terminal peer, a
// device that answers every call with an I/O error.  The workers do not close the line (only
// its owner may); they stop pretending that it works and tell the owner once.
#include "dispatch/SioDispatch.h"
#include "platform/Messages.h"
#include "platform/SysErrors.h"

void TSioBaseDispatcher::MarkLineLost(int systemError) {
  int none = 0;
  if (!FLineLostError.compare_exchange_strong(none, systemError != 0 ? systemError : static_cast<int>(ERROR_GEN_FAILURE)))
    return;
  // Also from under OutputLock (a write that found the device gone): no lock here.
  FLine.MoveTo(lsLost);
}

void TSioBaseDispatcher::ReportLineLost(int systemError) {
  MarkLineLost(systemError);
  // A pass left pending after a time-out must not stand for the one asked for below.  A stop
  // sets the stop flag before it signals DispatchDoneSignal, so clearing the signal first
  // and testing the flag after can never lose the stop's signal.
  DispatchDoneSignal->Reset();
  if (FLine.StopAsked()) return;
  // One more pass, as for any device event: what the device and the ring still hold reaches
  // the handlers before the report does (the pass's sends return before it ends).
  AskForEventPass();
  DispatchDoneSignal->Wait();
  if (FLine.StopAsked()) return;

  // Posted, not sent: the worker must never wait for the owner, who may be stopping it.
  // The platform's queue lock is innermost, so posting under MainLock is safe.
  std::lock_guard main(MainLock);
  bool told = false;
  for (const TWindowHandler& handler : FTriggers.Windows()) {
    if (!handler.Removed) told = PostLineLost(handler.Window) || told;
  }
  // A line lost while its port was still opening (the workers start before the port's
  // window is registered) is told to the first window that comes.
  FLineLostUntold = !told;
}

bool TSioBaseDispatcher::PostLineLost(TWindowHandle window) {
  const auto lParam = static_cast<std::intptr_t>(static_cast<std::uint32_t>(FRegistryIndex) << 16);
  return PostMessage(window, LineLostMsg, static_cast<std::uintptr_t>(FLineLostError.load()), lParam);
}
