#include "dispatch/SioTriggerTable.h"

#include <algorithm>
#include <cstring>

#include "common/SioErrorCodes.h"
#include "dispatch/SioRings.h"

namespace {

// Handles travel as 16-bit words in every trigger event.
constexpr std::uint32_t kLargestTriggerHandle = 0xFFFF;

// Only the ASCII letters change, so a trigger matches the same bytes whatever the process
// locale is.
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

template <typename TList>
std::uint32_t LargestHandle(const TList& list) {
  std::uint32_t largest = 0;
  for (const auto& t : list) largest = std::max(largest, t.Handle);
  return largest;
}

// The first live entry that `same` picks: taken out, or only marked during a delivery.
template <typename TList, typename TSame>
bool RemoveHandler(TList& list, TSame same, bool delivering, bool& pending) {
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& h) { return !h.Removed && same(h); });
  if (it == list.end()) return false;
  if (delivering) {
    it->Removed = true;
    pending = true;
  } else {
    list.erase(it);
  }
  return true;
}

}  // namespace

// ---- Triggers -----------------------------------------------------------------------------

std::uint32_t TTriggerTable::TakeHandle() {
  if (FNextHandle > kLargestTriggerHandle) return 0;
  return FNextHandle++;
}

int TTriggerTable::AddData(const std::uint8_t* text, std::uint32_t length, bool ignoreCase) {
  if (text == nullptr || length == 0 || length > kDataTriggerSlots) return ecTriggerTooLong;
  const std::uint32_t handle = TakeHandle();
  if (handle == 0) return ecNoMoreTriggers;
  TDataTrigger trigger;
  trigger.Handle = handle;
  trigger.Length = length;
  trigger.IgnoreCase = ignoreCase ? 1 : 0;
  for (std::uint32_t i = 0; i < length; ++i) trigger.Text[i] = ignoreCase ? UpperByte(text[i]) : text[i];
  FData.push_back(trigger);
  return static_cast<int>(handle);
}

int TTriggerTable::AddTimer() {
  const std::uint32_t handle = TakeHandle();
  if (handle == 0) return ecNoMoreTriggers;
  TTimerTrigger trigger;
  trigger.Handle = handle;
  FTimers.push_back(trigger);
  return static_cast<int>(handle);
}

int TTriggerTable::AddStatus(std::uint32_t kind) {
  if (kind > stOutSent) return ecBadArgument;
  // The next free number that carries the kind; the numbers skipped are simply never used.
  std::uint32_t handle = (FNextHandle & ~7u) | kind;
  if (handle < FNextHandle || handle == 0) handle += 8;
  if (handle > kLargestTriggerHandle) return ecNoMoreTriggers;
  FNextHandle = handle + 1;
  TStatusTrigger trigger;
  trigger.Handle = handle;
  trigger.Kind = kind;
  FStatus.push_back(trigger);
  return static_cast<int>(handle);
}

int TTriggerTable::SetTimer(std::uint32_t handle, std::uint32_t ticks55ms, bool activate, std::uint32_t nowTicks) {
  auto it = FindHandle(FTimers, handle);
  if (it == FTimers.end()) return ecBadTriggerHandle;
  it->Timer.StartTicks = static_cast<std::int32_t>(nowTicks);
  it->Timer.ExpireTicks = static_cast<std::int32_t>(nowTicks + ticks55ms);
  it->Armed = activate ? 1 : 0;
  return 0;
}

int TTriggerTable::SetStatus(std::uint32_t handle, std::uint16_t value, bool activate) {
  auto it = FindHandle(FStatus, handle);
  if (it == FStatus.end()) return ecBadTriggerHandle;
  it->Value = value;
  it->Armed = activate;
  return static_cast<int>(it->Kind);
}

TTriggerKind TTriggerTable::Remove(std::uint32_t handle) {
  if (auto it = FindHandle(FData, handle); it != FData.end()) {
    FData.erase(it);
    return tkData;
  }
  if (auto it = FindHandle(FTimers, handle); it != FTimers.end()) {
    FTimers.erase(it);
    return tkTimer;
  }
  if (auto it = FindHandle(FStatus, handle); it != FStatus.end()) {
    FStatus.erase(it);
    return tkStatus;
  }
  return tkNone;
}

void TTriggerTable::Clear() {
  FAvailThreshold = 0;
  FTimers.clear();
  FData.clear();
  FStatus.clear();
  FNextHandle = 1;
}

void TTriggerTable::Save(TSavedTriggers& saved) const {
  saved.AvailThreshold = FAvailThreshold.load();
  saved.Timers.emplace(FTimers);
  saved.Data.emplace(FData);
  saved.Status.emplace(FStatus);
}

void TTriggerTable::Restore(const TSavedTriggers& saved) {
  FAvailThreshold = saved.AvailThreshold;
  FTimers = saved.Timers.value_or(std::vector<TTimerTrigger>{});
  FData = saved.Data.value_or(std::vector<TDataTrigger>{});
  FStatus = saved.Status.value_or(std::vector<TStatusTrigger>{});
  // A partial match belongs to the byte stream of the line it was saved from; carried into
  // a new line it would complete on bytes that never formed the string.
  for (auto& t : FData) ClearMatchState(t);
  ResetStatusFired();
  // The open that precedes a restore starts handles again at 1; new triggers must not take
  // the handles of the restored ones.
  const std::uint32_t largest = std::max({LargestHandle(FTimers), LargestHandle(FData), LargestHandle(FStatus)});
  FNextHandle = std::max(FNextHandle, largest + 1);
}

void TTriggerTable::ResetMatches() {
  for (auto& trigger : FData) std::memset(trigger.Slots, 0, sizeof trigger.Slots);
}

void TTriggerTable::ResetStatusFired() {
  for (auto& trigger : FStatus) trigger.Fired = false;
}

TTriggerWatch TTriggerTable::Watch() const {
  TTriggerWatch watch;
  watch.Timed = std::any_of(FTimers.begin(), FTimers.end(), [](const TTimerTrigger& t) { return t.Armed != 0; });
  for (const TStatusTrigger& t : FStatus) {
    if (!t.Armed) continue;
    // Modem and line-error triggers look at state that the refreshes and the device status
    // reads change; the output kinds change only as the ring is written, drained or purged,
    // each of which asks for a pass while they are armed.
    if (t.Kind == stModem || t.Kind == stLineError) watch.Timed = true;
    if (t.Kind == stOutFree) watch.LeastFree = std::min<std::uint32_t>(watch.LeastFree, t.Value);
    if (t.Kind == stOutUsed) watch.MostUsed = std::max<std::int32_t>(watch.MostUsed, t.Value);
    if (t.Kind == stOutSent) watch.Sent = true;
  }
  return watch;
}

bool TTriggerTable::MatchByte(TDataTrigger& trigger, std::uint8_t c) {
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

// ---- Checks -------------------------------------------------------------------------------

std::uint32_t TTriggerTable::Scan(const TInputRing& ring, std::uint32_t from, std::uint32_t to, std::uint32_t& longest) {
  longest = 0;
  if (FData.empty()) return to;
  // Per byte: one look at the ring and one match step per trigger that has not matched.
  for (std::uint32_t p = from; p != to; p = TInputRing::Next(p)) {
    const std::uint8_t c = ring.At(p);
    bool any = false;
    for (auto& trigger : FData) {
      if (trigger.Matched == 0) trigger.Matched = MatchByte(trigger, c) ? 0xFFFFFFFFu : 0;
      if (trigger.Matched != 0) {
        any = true;
        longest = std::max(longest, trigger.Length);
      }
    }
    if (any) return p;
  }
  return to;
}

bool TTriggerTable::NextMatched(std::size_t& index, std::uint32_t& handle, std::uint32_t& length) {
  while (index-- > 0) {
    // A handler may have removed more than the trigger it was told about: the walk goes on
    // from the last one left, so no match stays pending (a pending one would be announced
    // again at the first byte of the next scan).
    if (index >= FData.size()) {
      index = FData.size();
      continue;
    }
    TDataTrigger& trigger = FData[index];
    if (trigger.Matched == 0) continue;
    trigger.Matched = 0;
    handle = trigger.Handle;
    length = trigger.Length;
    return true;
  }
  return false;
}

bool TTriggerTable::WantsOutputCounts() const {
  return std::any_of(FStatus.begin(), FStatus.end(), [](const TStatusTrigger& t) {
    return t.Armed && !t.Fired && (t.Kind == stOutFree || t.Kind == stOutUsed);
  });
}

bool TTriggerTable::FireStatus(const TStatusInputs& in, std::uint32_t& handle, std::uint32_t& count) {
  for (TStatusTrigger& trigger : FStatus) {
    if (!trigger.Armed || trigger.Fired) continue;
    bool holds = false;
    count = 0;
    switch (trigger.Kind) {
      case stModem:
        holds = (((trigger.Value & 0xFF) ^ (in.ModemState & 0xFF)) & (trigger.Value >> 8)) != 0;
        break;
      case stLineError:
        holds = (trigger.Value & in.LineErrors) != 0;
        if (holds) trigger.Value = static_cast<std::uint16_t>(in.LineErrors & 0xFFFF);
        break;
      case stOutFree:
        // Armed after the counts were (not) read: tested at the next check.
        if (!in.OutputCounted) continue;
        holds = in.OutFree >= trigger.Value;
        count = in.OutFree;
        break;
      case stOutUsed:
        if (!in.OutputCounted) continue;
        holds = in.OutUsed <= trigger.Value;
        count = in.OutUsed;
        break;
      case stOutSent:
        holds = in.OutputSent != nullptr && in.OutputSent->exchange(false);
        break;
      default:
        break;
    }
    if (!holds) continue;
    trigger.Armed = false;
    trigger.Fired = true;
    handle = trigger.Handle;
    return true;
  }
  return false;
}

bool TTriggerTable::FireTimer(std::uint32_t nowTicks, std::uint32_t& handle) {
  for (auto& trigger : FTimers) {
    if (trigger.Armed == 0 || !TimerHasExpiredAt(trigger.Timer, nowTicks)) continue;
    trigger.Armed = 0;
    handle = trigger.Handle;
    return true;
  }
  return false;
}

// ---- Handlers -----------------------------------------------------------------------------

void TTriggerTable::AddWindow(TWindowHandle window) {
  FWindows.push_back({window, false});
  FHandlersPresent = true;
}

void TTriggerTable::AddProcedure(TTriggerProc proc) {
  FProcedures.push_back({proc, false});
  FHandlersPresent = true;
}

void TTriggerTable::AddMethod(const void* identity, TTriggerMethod method, bool synchronized) {
  FMethods.push_back({std::move(method), identity, false, synchronized});
  FHandlersPresent = true;
}

bool TTriggerTable::RemoveWindow(TWindowHandle window, bool delivering) {
  return RemoveHandler(FWindows, [window](const TWindowHandler& h) { return h.Window == window; }, delivering,
                       FRemovalPending);
}

bool TTriggerTable::RemoveProcedure(TTriggerProc proc, bool delivering) {
  return RemoveHandler(FProcedures, [proc](const TProcedureHandler& h) { return h.Proc == proc; }, delivering,
                       FRemovalPending);
}

bool TTriggerTable::RemoveMethod(const void* identity, bool delivering) {
  return RemoveHandler(FMethods, [identity](const TMethodHandler& h) { return h.Identity == identity; }, delivering,
                       FRemovalPending);
}

bool TTriggerTable::EndDelivery() {
  if (!FRemovalPending) return false;
  std::erase_if(FWindows, [](const TWindowHandler& h) { return h.Removed; });
  std::erase_if(FProcedures, [](const TProcedureHandler& h) { return h.Removed; });
  std::erase_if(FMethods, [](const TMethodHandler& h) { return h.Removed; });
  FRemovalPending = false;
  return true;
}

void TTriggerTable::UpdateHandlerState(std::uint8_t mode) {
  const bool others = FWindows.size() > 1 || !FProcedures.empty() || !FMethods.empty();
  switch (mode) {
    case 0:
      FHandlersPresent = others || FPortEventsWanted;
      break;
    case 1:
      FPortEventsWanted = true;
      FHandlersPresent = true;
      break;
    case 2:
      FPortEventsWanted = false;
      FHandlersPresent = others;
      break;
    default:
      break;
  }
}

TTriggerTable::TSlot TTriggerTable::LendMethod(std::size_t index, TTriggerMethod& method, bool& synchronized) {
  if (index >= FMethods.size()) return slEnd;
  TMethodHandler& handler = FMethods[index];
  if (handler.Removed || !handler.Method) return slSkip;
  method = std::move(handler.Method);
  synchronized = handler.Synchronized;
  return slTaken;
}

void TTriggerTable::ReturnMethod(std::size_t index, TTriggerMethod&& method) { FMethods[index].Method = std::move(method); }

TTriggerTable::TSlot TTriggerTable::ProcedureAt(std::size_t index, TTriggerProc& proc) const {
  if (index >= FProcedures.size()) return slEnd;
  if (FProcedures[index].Removed || FProcedures[index].Proc == nullptr) return slSkip;
  proc = FProcedures[index].Proc;
  return slTaken;
}

TTriggerTable::TSlot TTriggerTable::WindowAt(std::size_t index, TWindowHandle& window) const {
  if (index >= FWindows.size()) return slEnd;
  if (FWindows.size() < 2 && !FPortEventsWanted) return slEnd;
  if (FWindows[index].Removed) return slSkip;
  window = FWindows[index].Window;
  return slTaken;
}
