// Waking the dispatch worker: merged requests for a pass, how long it waits when nobody asks,
// and the watch the output worker keeps on the armed output triggers.  The protocol is
// described under "Waking the dispatch worker" in SioDispatch.h.
#include <algorithm>
#include <mutex>

#include "dispatch/SioDispatch.h"

void TSioBaseDispatcher::WakeDispatchWorker() {
  // The first request since the worker took the last one sets the signal; later ones find it
  // pending and add nothing.  Being read-modify-writes, the exchange here and the one in
  // TakeDispatchWake order what the caller changed before its request ahead of the pass.
  if (FDispatchWakePending.exchange(true)) return;
  // Null only once the workers have ended (or before they start): no pass to ask for.
  if (TThreadSignal* signal = DeviceEventSignal.get()) signal->Set();
}

std::uint32_t TSioBaseDispatcher::DispatchWaitLimit() {
  // Armed timer, modem and line-error triggers are checked on every pass, whatever woke it;
  // without the event worker only passes read the device; a failed read or a full ring left
  // bytes in the device that the event worker does not announce again (whoever frees the
  // ring also asks for a pass: this is the bound).
  if (FCheckWithinPassTime.exchange(false)) return kDispatchPassMs;
  if (FTimedPasses.load() || FReadFailed || FEventWorker.load() == nullptr) return kDispatchPassMs;
  std::lock_guard in(InputLock);
  return FInRing.Full() ? kDispatchPassMs : kInfinite;
}

void TSioBaseDispatcher::RefreshTriggerWatch() {
  const TTriggerWatch watch = FTriggers.Watch();
  FWatchOutFree = watch.LeastFree;
  FWatchOutUsed = watch.MostUsed;
  FWatchOutSent = watch.Sent;
  FTimedPasses = watch.Timed;
}

void TSioBaseDispatcher::AskForArmedCheck(bool outputKind) {
  if (!InsideDelivery()) {
    WakeDispatchWorker();
  } else if (outputKind) {
    if (FOutputMoves.load() != FOutputMovesAtPass.load()) {
      WakeDispatchWorker();
    } else {
      FCheckWithinPassTime = true;
    }
  }
}

void TSioBaseDispatcher::WatchOutputDrain() {
  NoteOutputMoved();
  // Read under OutputLock after the ring changed.  A trigger armed after this read wakes
  // the worker itself, and its pass reads the counts under OutputLock: either this drain
  // sees the trigger or that pass sees the drain.
  const std::uint32_t used = FOutRing.Count();
  const std::uint32_t free = FOutRing.Free();
  if (free >= FWatchOutFree.load() || static_cast<std::int64_t>(used) <= FWatchOutUsed.load()) {
    WakeDispatchWorker();
  }
}
