// Trigger registration, the saved trigger sets, and the trigger checks of the dispatch worker.
//
// The trigger lists are guarded by MainLock.  The checks run only in the dispatch worker and
// never hold MainLock while they deliver (a handler on the main thread may need it), nor while
// they ask for ring or output counts (InputLock and OutputLock come before MainLock).
#include <algorithm>
#include <cstring>
#include <mutex>

#include "dispatch/SioDispatch.h"
#include "common/SioErrorCodes.h"

namespace {

// Log subkinds naming the trigger lists in allocation and disposal entries.
constexpr std::uint8_t kLogDataList = 13;
constexpr std::uint8_t kLogTimerList = 14;

std::uint32_t NowTicks() { return MsClock() / 55; }

}  // namespace

// ---- Registration -------------------------------------------------------------------------

int TSioBaseDispatcher::AddDataTrigger(const std::uint8_t* text, std::uint32_t length, bool ignoreCase) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const int handle = FTriggers.AddData(text, length, ignoreCase);
  // The text as kept (upper case for an ignore-case trigger).
  if (handle > 0 && FLogOn) {
    LogRecord(lkTrigAllc, kLogDataList, static_cast<std::uint32_t>(handle), FTriggers.DataTriggers().back().Text, length);
  }
  return handle;
}

int TSioBaseDispatcher::AddTimerTrigger() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const int handle = FTriggers.AddTimer();
  if (handle > 0 && FLogOn) LogRecord(lkTrigAllc, kLogTimerList, static_cast<std::uint32_t>(handle));
  return handle;
}

int TSioBaseDispatcher::AddStatusTrigger(std::uint32_t kind) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const int handle = FTriggers.AddStatus(kind);
  if (handle > 0 && FLogOn) {
    const std::uint8_t kindByte = static_cast<std::uint8_t>(kind);
    LogRecord(lkTrigAllc, lsStatus, static_cast<std::uint32_t>(handle), &kindByte, 1);
  }
  return handle;
}

int TSioBaseDispatcher::SetTimerTrigger(std::uint32_t handle, std::uint32_t ticks55ms, bool activate) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  if (const int result = FTriggers.SetTimer(handle, ticks55ms, activate, NowTicks()); result != 0) return result;
  RefreshTriggerWatch();
  if (FLogOn) LogRecord(lkTrDatChg, kLogTimerList, handle);
  // A worker waiting without limit must start counting.
  if (activate) AskForArmedCheck(false);
  return 0;
}

int TSioBaseDispatcher::SetStatusTrigger(std::uint32_t handle, std::uint16_t value, bool activate) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const int kind = FTriggers.SetStatus(handle, value, activate);
  if (kind < 0) return kind;
  RefreshTriggerWatch();
  if (FLogOn) {
    const std::uint8_t kindByte = static_cast<std::uint8_t>(kind);
    LogRecord(lkTrDatChg, lsStatus, handle, &kindByte, 1);
  }
  // It may hold already (output free, say): the next pass tells, and starts the timed ones.
  if (activate) AskForArmedCheck(kind == stOutFree || kind == stOutUsed || kind == stOutSent);
  return 0;
}

int TSioBaseDispatcher::RemoveTrigger(std::uint32_t handle) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  const TTriggerKind kind = FTriggers.Remove(handle);
  if (kind == tkNone) return ecBadTriggerHandle;
  if (kind != tkData) RefreshTriggerWatch();
  if (FLogOn) {
    if (kind == tkStatus) {
      const std::uint8_t kindByte = static_cast<std::uint8_t>(handle & 7);
      LogRecord(lkTrigDisp, lsStatus, handle, &kindByte, 1);
    } else {
      LogRecord(lkTrigDisp, kind == tkData ? kLogDataList : kLogTimerList, handle);
    }
  }
  return 0;
}

void TSioBaseDispatcher::SetAvailThreshold(std::uint32_t count) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.SetAvailThreshold(count);
  if (FLogOn) LogRecord(lkTrDatChg, lsAvail, count);
  // Bytes already unread are announced by the next pass.
  WakeDispatchWorker();
}

void TSioBaseDispatcher::ClearAllTriggers() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.Clear();
  RefreshTriggerWatch();
}

void TSioBaseDispatcher::ResetMatchState() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.ResetMatches();
}

void TSioBaseDispatcher::ResetStatusFired() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.ResetStatusFired();
  FStatusFiredThisPass = false;
}

// ---- Saved sets ---------------------------------------------------------------------------

void TSioBaseDispatcher::SaveTriggers(TSavedTriggers& saved) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.Save(saved);
}

void TSioBaseDispatcher::RestoreTriggers(const TSavedTriggers& saved) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FTriggers.Restore(saved);
  RefreshTriggerWatch();
  WakeDispatchWorker();
}

void TSioBaseDispatcher::FreeSavedTriggers(TSavedTriggers& saved) {
  saved.Timers.reset();
  saved.Data.reset();
  saved.Status.reset();
}

// ---- Matching -----------------------------------------------------------------------------

std::uint32_t TSioBaseDispatcher::CountBefore(std::uint32_t position, std::uint32_t length) {
  std::lock_guard<TRecursiveLock> input(InputLock);
  std::uint32_t count = FInRing.CountBefore(position, length);
  const std::uint32_t taken = FLedger.Offset(TDeliveryLedger::rdHandler);
  if (FLedger.Reading()) count = count > taken ? count - taken : 0;
  return count;
}

// ---- Checks -------------------------------------------------------------------------------

bool TSioBaseDispatcher::CheckDataTriggers() {
  std::uint32_t head = 0;
  std::uint64_t arrived = 0;  // FInRing.Arrived() with head at the same moment
  {
    std::lock_guard<TRecursiveLock> input(InputLock);
    head = FInRing.Head();
    arrived = FInRing.Arrived();
    if (FPurgesSeen != FInputPurges) {
      // Input was thrown away since the last check: neither scan nor announce it again.
      // What is left starts at the tail.
      FPurgesSeen = FInputPurges;
      FMatchScanPos = FLastAvailHead = FInRing.Tail();
      FLastAvailArrived = arrived - FInRing.Count();
    }
  }
  std::uint32_t p = head;
  std::uint32_t longest = 0;
  {
    // Read without InputLock: only this worker moves the head, and the storage lives until
    // it has ended.
    std::lock_guard<TRecursiveLock> main(MainLock);
    p = FTriggers.Scan(FInRing, FMatchScanPos, head, longest);
  }
  const bool anyMatched = longest != 0;

  if (!anyMatched) {
    // Scanned to the head.  Arrivals, not positions, tell whether bytes came since the last
    // notification: a whole ring brings the head back to where it was.
    FMatchScanPos = p;
    const std::uint32_t threshold = FTriggers.AvailThreshold();
    // With nobody to tell, nothing counts as announced: the first handler to come hears of
    // these bytes at the next pass, also when the ring is full and nothing more can arrive
    // (a full ring has a pass every 50 ms, see DispatchWaitLimit).
    if (threshold == 0 || arrived == FLastAvailArrived || !FTriggers.HandlersPresent()) return false;
    const std::uint32_t n = InCount();
    if (n < threshold) return false;
    if (FLogOn) LogRecord(lkTrigger, lsTrigAvail, n);
    const bool result = DeliverTrigger(TriggerAvailMsg, n, 0);
    // A notification that reached no handler is none: the bytes are announced at the next
    // pass that has someone to tell, which comes within 50 ms even when nothing more
    // arrives to ask for it.
    if (FLedger.Reached() == 0) {
      FCheckWithinPassTime = true;
      return false;
    }
    FLastAvailHead = p;
    FLastAvailArrived = arrived;
    return result;
  }

  bool result = true;
  const std::uint32_t threshold = FTriggers.AvailThreshold();
  // The match stopped before the head (p differs from it): p's arrival count is unambiguous.
  const std::uint64_t arrivedAtP = arrived - (head + kInRingSize - p) % kInRingSize;
  bool told = true;
  if (threshold != 0 && arrivedAtP != FLastAvailArrived && FTriggers.HandlersPresent()) {
    const auto before = static_cast<std::int32_t>(CountBefore(p, 0));
    if (before - static_cast<std::int32_t>(longest) >= static_cast<std::int32_t>(threshold)) {
      const std::uint32_t count = CountBefore(p, longest);
      if (FLogOn) LogRecord(lkTrigger, lsTrigAvail, count);
      result = DeliverTrigger(TriggerAvailMsg, count, 0);
      if (FLine.StopAsked()) return false;
      told = FLedger.Reached() != 0;
      if (!told) FCheckWithinPassTime = true;
    }
    FMatchScanPos = p;
    if (told) {
      FLastAvailHead = p;
      FLastAvailArrived = arrivedAtP;
    }
  }

  std::unique_lock<TRecursiveLock> main(MainLock);
  std::size_t i = FTriggers.DataCount();
  std::uint32_t handle = 0;
  std::uint32_t length = 0;
  while (FTriggers.NextMatched(i, handle, length)) {
    if (FLogOn) LogRecord(lkTrigger, lsTrigData, handle);
    main.unlock();
    result = DeliverTrigger(TriggerDataMsg, handle, static_cast<std::uint16_t>(length));
    if (FLine.StopAsked()) return false;
    main.lock();
  }
  main.unlock();
  FMatchScanPos = TInputRing::Next(p);
  return result;
}

bool TSioBaseDispatcher::CheckStatusTriggers() {
  // The output counts need OutputLock, which may not be taken under MainLock: read them
  // first, and only when an armed output trigger wants them.
  TStatusInputs inputs;
  {
    std::lock_guard<TRecursiveLock> main(MainLock);
    inputs.OutputCounted = FTriggers.WantsOutputCounts();
  }
  if (inputs.OutputCounted) {
    inputs.OutUsed = OutUsed();
    inputs.OutFree = OutFree();
  }
  inputs.OutputSent = &FOutputSentPending;

  std::unique_lock<TRecursiveLock> main(MainLock);
  inputs.ModemState = FModemState;
  inputs.LineErrors = FLineErrors.load();
  std::uint32_t handle = 0;
  std::uint32_t count = 0;
  if (!FTriggers.FireStatus(inputs, handle, count)) return false;
  RefreshTriggerWatch();
  FStatusFiredThisPass = true;
  if (FLogOn) LogRecord(lkTrigger, lsTrigStatus, handle);
  main.unlock();
  return DeliverTrigger(TriggerStatusMsg, handle, static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 0xFFFF)));
}

bool TSioBaseDispatcher::CheckTimerTriggers() {
  std::unique_lock<TRecursiveLock> main(MainLock);
  std::uint32_t handle = 0;
  if (!FTriggers.FireTimer(NowTicks(), handle)) return false;
  RefreshTriggerWatch();
  if (FLogOn) LogRecord(lkTrigger, lsTrigTimer, handle);
  main.unlock();
  return DeliverTrigger(TriggerTimerMsg, handle, 0);
}
