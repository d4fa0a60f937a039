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

// Handles travel as 16-bit words in every trigger event.
constexpr std::uint32_t kLargestTriggerHandle = 0xFFFF;

// Upper-casing of ignore-case data triggers.  Only the ASCII letters change, so a trigger
// matches the same bytes whatever the process locale is.
std::uint8_t UpperByte(std::uint8_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<std::uint8_t>(c - ('a' - 'A')) : c;
}


template <typename TList>
auto FindHandle(TList& list, std::uint32_t handle) {
  return std::find_if(list.begin(), list.end(), [handle](const auto& t) { return t.Handle == handle; });
}

void ClearMatchState(TDataTrigger& trigger) {
  std::memset(trigger.Slots, 0, sizeof trigger.Slots);
  trigger.Matched = 0;
}

}  // namespace

// ---- Registration -------------------------------------------------------------------------

int TSioBaseDispatcher::AddDataTrigger(const std::uint8_t* text, std::uint32_t length, bool ignoreCase) {
  if (text == nullptr || length == 0 || length > kDataTriggerSlots) return ecTriggerTooLong;
  std::lock_guard<TRecursiveLock> main(MainLock);
  if (FNextTriggerHandle > kLargestTriggerHandle) return ecNoMoreTriggers;
  TDataTrigger trigger;
  trigger.Handle = FNextTriggerHandle++;
  trigger.Length = length;
  trigger.IgnoreCase = ignoreCase ? 1 : 0;
  for (std::uint32_t i = 0; i < length; ++i) trigger.Text[i] = ignoreCase ? UpperByte(text[i]) : text[i];
  FDataTriggerList.push_back(trigger);
  if (FLogOn) LogRecord(lkTrigAllc, kLogDataList, trigger.Handle, trigger.Text, length);
  return static_cast<int>(trigger.Handle);
}

int TSioBaseDispatcher::AddTimerTrigger() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  if (FNextTriggerHandle > kLargestTriggerHandle) return ecNoMoreTriggers;
  TTimerTrigger trigger;
  trigger.Handle = FNextTriggerHandle++;
  FTimerTriggerList.push_back(trigger);
  if (FLogOn) LogRecord(lkTrigAllc, kLogTimerList, trigger.Handle);
  return static_cast<int>(trigger.Handle);
}

int TSioBaseDispatcher::AddStatusTrigger(std::uint32_t kind) {
  if (kind > stOutSent) return ecBadArgument;
  std::lock_guard<TRecursiveLock> main(MainLock);
  // The port reads the kind from the handle's three lowest bits, so the handle is the next
  // free number that carries it; the numbers skipped are simply never used.
  std::uint32_t handle = (FNextTriggerHandle & ~7u) | kind;
  if (handle < FNextTriggerHandle || handle == 0) handle += 8;
  if (handle > kLargestTriggerHandle) return ecNoMoreTriggers;
  FNextTriggerHandle = handle + 1;
  TStatusTrigger trigger;
  trigger.Handle = handle;
  trigger.Kind = kind;
  FStatusTriggerList.push_back(trigger);
  if (FLogOn) {
    const std::uint8_t kindByte = static_cast<std::uint8_t>(kind);
    LogRecord(lkTrigAllc, lsStatus, handle, &kindByte, 1);
  }
  return static_cast<int>(handle);
}

int TSioBaseDispatcher::SetTimerTrigger(std::uint32_t handle, std::uint32_t ticks55ms, bool activate) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  auto it = FindHandle(FTimerTriggerList, handle);
  if (it == FTimerTriggerList.end()) return ecBadTriggerHandle;
  const auto now = static_cast<std::int32_t>(MsClock() / 55);
  it->Timer.StartTicks = now;
  it->Timer.ExpireTicks = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + ticks55ms);
  it->Armed = activate ? 1 : 0;
  RefreshTriggerWatch();
  if (FLogOn) LogRecord(lkTrDatChg, kLogTimerList, handle);
  // A worker waiting without limit must start counting.
  if (activate) AskForArmedCheck(false);
  return 0;
}

int TSioBaseDispatcher::SetStatusTrigger(std::uint32_t handle, std::uint16_t value, bool activate) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  auto it = FindHandle(FStatusTriggerList, handle);
  if (it == FStatusTriggerList.end()) return ecBadTriggerHandle;
  it->Value = value;
  it->Armed = activate;
  RefreshTriggerWatch();
  if (FLogOn) {
    const std::uint8_t kindByte = static_cast<std::uint8_t>(it->Kind);
    LogRecord(lkTrDatChg, lsStatus, handle, &kindByte, 1);
  }
  // It may hold already (output free, say): the next pass tells, and starts the timed ones.
  if (activate) AskForArmedCheck(it->Kind == stOutFree || it->Kind == stOutUsed || it->Kind == stOutSent);
  return 0;
}

int TSioBaseDispatcher::RemoveTrigger(std::uint32_t handle) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  if (auto it = FindHandle(FDataTriggerList, handle); it != FDataTriggerList.end()) {
    FDataTriggerList.erase(it);
    if (FLogOn) LogRecord(lkTrigDisp, kLogDataList, handle);
    return 0;
  }
  if (auto it = FindHandle(FTimerTriggerList, handle); it != FTimerTriggerList.end()) {
    FTimerTriggerList.erase(it);
    RefreshTriggerWatch();
    if (FLogOn) LogRecord(lkTrigDisp, kLogTimerList, handle);
    return 0;
  }
  if (auto it = FindHandle(FStatusTriggerList, handle); it != FStatusTriggerList.end()) {
    const std::uint8_t kindByte = static_cast<std::uint8_t>(it->Kind);
    FStatusTriggerList.erase(it);
    RefreshTriggerWatch();
    if (FLogOn) LogRecord(lkTrigDisp, lsStatus, handle, &kindByte, 1);
    return 0;
  }
  return ecBadTriggerHandle;
}

void TSioBaseDispatcher::SetAvailThreshold(std::uint32_t count) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FAvailThreshold = count;
  if (FLogOn) LogRecord(lkTrDatChg, lsAvail, count);
  // Bytes already unread are announced by the next pass.
  WakeDispatchWorker();
}

void TSioBaseDispatcher::ClearAllTriggers() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FAvailThreshold = 0;
  FTimerTriggerList.clear();
  FDataTriggerList.clear();
  FStatusTriggerList.clear();
  FNextTriggerHandle = 1;
  RefreshTriggerWatch();
}

void TSioBaseDispatcher::ResetMatchState() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  for (auto& trigger : FDataTriggerList) std::memset(trigger.Slots, 0, sizeof trigger.Slots);
}

void TSioBaseDispatcher::ResetStatusFired() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  for (auto& trigger : FStatusTriggerList) trigger.Fired = false;
  FStatusFiredThisPass = false;
}

// ---- Saved sets ---------------------------------------------------------------------------

void TSioBaseDispatcher::SaveTriggers(TSavedTriggers& saved) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FreeSavedTriggers(saved);
  saved.AvailThreshold = FAvailThreshold.load();
  saved.Timers.emplace(FTimerTriggerList);
  saved.Data.emplace(FDataTriggerList);
  saved.Status.emplace(FStatusTriggerList);
}

void TSioBaseDispatcher::RestoreTriggers(const TSavedTriggers& saved) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FAvailThreshold = saved.AvailThreshold;
  FTimerTriggerList.clear();
  FDataTriggerList.clear();
  FStatusTriggerList.clear();
  std::uint32_t largest = 0;
  if (saved.Timers) {
    FTimerTriggerList = *saved.Timers;
    for (const auto& t : FTimerTriggerList) largest = std::max(largest, t.Handle);
  }
  if (saved.Data) {
    FDataTriggerList = *saved.Data;
    // A partial match belongs to the byte stream of the line it was saved from; carried into
    // a new line it would complete on bytes that never formed the string.
    for (auto& t : FDataTriggerList) {
      ClearMatchState(t);
      largest = std::max(largest, t.Handle);
    }
  }
  if (saved.Status) {
    FStatusTriggerList = *saved.Status;
    for (auto& t : FStatusTriggerList) {
      t.Fired = false;
      largest = std::max(largest, t.Handle);
    }
  }
  // The open that precedes a restore starts handles again at 1; new triggers must not take
  // the handles of the restored ones.
  FNextTriggerHandle = std::max(FNextTriggerHandle, largest + 1);
  RefreshTriggerWatch();
  WakeDispatchWorker();
}

void TSioBaseDispatcher::FreeSavedTriggers(TSavedTriggers& saved) {
  saved.Timers.reset();
  saved.Data.reset();
  saved.Status.reset();
}

// ---- Matching -----------------------------------------------------------------------------

bool TSioBaseDispatcher::MatchByte(TDataTrigger& trigger, std::uint8_t c) {
  if (trigger.IgnoreCase) c = UpperByte(c);
  const std::uint32_t length = trigger.Length;
  std::uint32_t* slot = trigger.Slots;
  const std::uint8_t* text = trigger.Text;
  bool matched = false;
  bool started = false;
  bool go = true;
  for (std::uint32_t i = 0; i < length; ++i) {
    if (go) {
      const std::uint32_t k = slot[i];
      if (text[k] == c) {
        if (k == length - 1) {
          matched = true;
          std::memset(trigger.Slots, 0, sizeof trigger.Slots);
        } else {
          slot[i] = k + 1;
        }
      } else if (!started && text[0] == c) {
        // A dropped candidate starts again on this byte only when no other one has: several
        // slots restarting together would all follow one alignment and leave no idle slot
        // for a later one, so a string like BABAA could pass unmatched.
        started = true;
        slot[i] = 1;
      } else {
        slot[i] = 0;
      }
    }
    if (slot[i] == 1) started = true;
    if (i + 1 == length) {
      go = false;
    } else if (started) {
      go = slot[i + 1] != 0;
    } else {
      go = slot[i + 1] != 0 || text[0] == c;
    }
  }
  return matched;
}

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
  std::uint32_t p = FMatchScanPos;
  std::uint32_t longest = 0;
  bool anyMatched = false;
  {
    std::lock_guard<TRecursiveLock> main(MainLock);
    if (FDataTriggerList.empty()) {
      p = head;
    } else {
      while (p != head) {
        const std::uint8_t c = FInRing.At(p);
        for (auto& trigger : FDataTriggerList) {
          if (trigger.Length == 0) continue;
          if (trigger.Matched == 0) trigger.Matched = MatchByte(trigger, c) ? 0xFFFFFFFFu : 0;
          if (trigger.Matched != 0) {
            anyMatched = true;
            longest = std::max(longest, trigger.Length);
          }
        }
        if (anyMatched) break;
        p = TInputRing::Next(p);
      }
    }
  }

  if (!anyMatched) {
    // Scanned to the head.  Arrivals, not positions, tell whether bytes came since the last
    // notification: a whole ring brings the head back to where it was.
    FMatchScanPos = p;
    const std::uint32_t threshold = FAvailThreshold.load();
    // With nobody to tell, nothing counts as announced: the first handler to come hears of
    // these bytes at the next pass, also when the ring is full and nothing more can arrive
    // (a full ring has a pass every 50 ms, see DispatchWaitLimit).
    if (threshold == 0 || arrived == FLastAvailArrived || !FHandlersPresent) return false;
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
  const std::uint32_t threshold = FAvailThreshold.load();
  // The match stopped before the head (p differs from it): p's arrival count is unambiguous.
  const std::uint64_t arrivedAtP = arrived - (head + kInRingSize - p) % kInRingSize;
  bool told = true;
  if (threshold != 0 && arrivedAtP != FLastAvailArrived && FHandlersPresent) {
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

  // Last to first, so that handlers may remove the trigger they are told about.
  std::unique_lock<TRecursiveLock> main(MainLock);
  for (std::size_t i = FDataTriggerList.size(); i-- > 0;) {
    if (i >= FDataTriggerList.size()) break;
    TDataTrigger& trigger = FDataTriggerList[i];
    if (trigger.Matched == 0) continue;
    const std::uint32_t handle = trigger.Handle;
    const std::uint32_t length = trigger.Length;
    trigger.Matched = 0;
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
  bool wantsOutput = false;
  {
    std::lock_guard<TRecursiveLock> main(MainLock);
    for (const auto& t : FStatusTriggerList) {
      if (t.Armed && !t.Fired && (t.Kind == stOutFree || t.Kind == stOutUsed)) wantsOutput = true;
    }
  }
  std::uint32_t outFree = 0;
  std::uint32_t outUsed = 0;
  if (wantsOutput) {
    outUsed = OutUsed();
    outFree = OutFree();
  }

  std::unique_lock<TRecursiveLock> main(MainLock);
  for (std::size_t i = 0; i < FStatusTriggerList.size(); ++i) {
    TStatusTrigger& trigger = FStatusTriggerList[i];
    if (!trigger.Armed || trigger.Fired) continue;
    bool holds = false;
    std::uint32_t count = 0;
    switch (trigger.Kind) {
      case stModem:
        holds = (((trigger.Value & 0xFF) ^ (FModemState & 0xFF)) & (trigger.Value >> 8)) != 0;
        break;
      case stLineError:
        holds = (trigger.Value & FLineErrors) != 0;
        if (holds) trigger.Value = static_cast<std::uint16_t>(FLineErrors & 0xFFFF);
        break;
      case stOutFree:
        // Armed after the counts were (not) read: tested at the next pass.
        if (!wantsOutput) continue;
        holds = outFree >= trigger.Value;
        count = outFree;
        break;
      case stOutUsed:
        if (!wantsOutput) continue;
        holds = outUsed <= trigger.Value;
        count = outUsed;
        break;
      case stOutSent:
        holds = FOutputSentPending.exchange(false);
        break;
      default:
        break;
    }
    if (!holds) continue;
    trigger.Armed = false;
    trigger.Fired = true;
    RefreshTriggerWatch();
    FStatusFiredThisPass = true;
    const std::uint32_t handle = trigger.Handle;
    if (FLogOn) LogRecord(lkTrigger, lsTrigStatus, handle);
    main.unlock();
    return DeliverTrigger(TriggerStatusMsg, handle, static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 0xFFFF)));
  }
  return false;
}

bool TSioBaseDispatcher::CheckTimerTriggers() {
  std::unique_lock<TRecursiveLock> main(MainLock);
  for (auto& trigger : FTimerTriggerList) {
    if (trigger.Armed == 0 || !TimerHasExpired(trigger.Timer)) continue;
    trigger.Armed = 0;
    RefreshTriggerWatch();
    const std::uint32_t handle = trigger.Handle;
    if (FLogOn) LogRecord(lkTrigger, lsTrigTimer, handle);
    main.unlock();
    return DeliverTrigger(TriggerTimerMsg, handle, 0);
  }
  return false;
}
