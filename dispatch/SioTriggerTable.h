// The trigger table of one dispatcher: the timer, data and status triggers it watches for,
// with their handles and the avail threshold, and the handlers it tells when one fires
// (methods, procedures, windows).
//
// Guarded by the dispatcher's MainLock: every member is called with that lock held, except
// AvailThreshold, HandlersPresent and PortEventsWanted, which any thread may read without it
// (the dispatch worker tests them before it takes the lock).  The table takes no lock, keeps
// no time and touches no ring or device: its callers hand it the clock's ticks, the bytes to
// scan and what the status triggers compare with, so it is tested as a table on its own.
//
// Handles are 1..0xFFFF and never given twice until Clear; a status trigger's handle carries
// its kind in its three lowest bits (the port reads the kind there).  During a delivery the
// handler lists only grow: a removal is marked and done by EndDelivery, so the index of the
// handler that runs stays valid.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dispatch/SioTypes.h"

class TInputRing;

// TTriggerWatch::LeastFree when no output-free trigger is armed (above any ring's free space).
constexpr std::uint32_t kNoOutFreeWatch = 0xFFFFFFFFu;

// Which list a trigger was found in.
enum TTriggerKind : std::uint8_t { tkNone, tkData, tkTimer, tkStatus };

// What the status triggers compare with at one check.
struct TStatusInputs {
  std::uint32_t ModemState = 0;  // ModemState: levels in the high nibble, changes in the low
  std::uint32_t LineErrors = 0;  // CE_... bits
  bool OutputCounted = false;    // OutFree and OutUsed were read for this check
  std::uint32_t OutFree = 0;
  std::uint32_t OutUsed = 0;
  // Set when bytes went out; an output-sent trigger that is checked takes (clears) it.
  std::atomic<bool>* OutputSent = nullptr;
};

// What the waits of the dispatch worker and the output worker's drain need to know of the
// armed triggers.
struct TTriggerWatch {
  bool Timed = false;                          // a timer, modem or line-error trigger is armed
  std::uint32_t LeastFree = kNoOutFreeWatch;   // least armed output-free value
  std::int32_t MostUsed = -1;                  // largest armed output-used value; -1 none
  bool Sent = false;                           // an output-sent trigger is armed
};

class TTriggerTable {
 public:
  // ---- Triggers ----
  // The new handle (> 0), or ecTriggerTooLong (a data string empty or longer than
  // kDataTriggerSlots), ecBadArgument (no such status kind), ecNoMoreTriggers.  Timer and
  // status triggers come disarmed; an ignore-case string is kept in upper case (ASCII only).
  int AddData(const std::uint8_t* text, std::uint32_t length, bool ignoreCase);
  int AddTimer();
  int AddStatus(std::uint32_t kind);
  // Arms (or disarms) a timer to expire `ticks55ms` after `nowTicks` (MsClock() / 55).
  // 0, or ecBadTriggerHandle when no timer has the handle.
  int SetTimer(std::uint32_t handle, std::uint32_t ticks55ms, bool activate, std::uint32_t nowTicks);
  // The status trigger's kind (>= 0), or ecBadTriggerHandle.
  int SetStatus(std::uint32_t handle, std::uint16_t value, bool activate);
  // The list the trigger was taken out of; tkNone when no trigger has the handle.
  TTriggerKind Remove(std::uint32_t handle);
  // No triggers, threshold 0, handles from 1 again.  Handlers stay.
  void Clear();
  // A copy of every list and the threshold.
  void Save(TSavedTriggers& saved) const;
  // The saved set in place of the present triggers (a list never saved stays empty), without
  // the partial matches and fired marks of the line it came from; new handles follow the
  // largest restored one.
  void Restore(const TSavedTriggers& saved);
  void ResetMatches();
  void ResetStatusFired();
  std::uint32_t AvailThreshold() const { return FAvailThreshold.load(); }
  void SetAvailThreshold(std::uint32_t count) { FAvailThreshold = count; }
  TTriggerWatch Watch() const;
  const std::vector<TTimerTrigger>& Timers() const { return FTimers; }
  const std::vector<TDataTrigger>& DataTriggers() const { return FData; }
  const std::vector<TStatusTrigger>& StatusTriggers() const { return FStatus; }
  // One step of a data trigger's match state; true when the string completed with `c`.
  static bool MatchByte(TDataTrigger& trigger, std::uint8_t c);

  // ---- The dispatch worker's checks ----
  bool HasDataTriggers() const { return !FData.empty(); }
  // Feeds the ring's bytes from `from` up to `to` to the data triggers that have not matched,
  // and stops on the first byte that completes any: its position, with the longest string
  // completed there in `longest`.  `to` with `longest` 0 when none completed.
  std::uint32_t Scan(const TInputRing& ring, std::uint32_t from, std::uint32_t to, std::uint32_t& longest);
  // Counting `index` down from DataCount(): the next matched data trigger, cleared, with its
  // handle and length; false when none is left.  Downwards, so that a handler told about
  // one may remove it.
  bool NextMatched(std::size_t& index, std::uint32_t& handle, std::uint32_t& length);
  std::size_t DataCount() const { return FData.size(); }
  // An armed output-free or output-used trigger needs the output counts for its check.
  bool WantsOutputCounts() const;
  // The first armed status trigger that holds (output-free and output-used ones only when
  // the counts were read): disarmed and marked fired, with its handle and, for those two,
  // the count it saw.  False when none holds.
  bool FireStatus(const TStatusInputs& inputs, std::uint32_t& handle, std::uint32_t& count);
  // The first armed timer that has expired at `nowTicks`, disarmed; false when none has.
  bool FireTimer(std::uint32_t nowTicks, std::uint32_t& handle);

  // ---- Handlers ----
  void AddWindow(TWindowHandle window);
  void AddProcedure(TTriggerProc proc);
  void AddMethod(const void* identity, TTriggerMethod method, bool synchronized);
  // The first live entry for the window, procedure or identity goes; false when there is
  // none.  `delivering`: a delivery is in progress, so the entry is only marked.
  bool RemoveWindow(TWindowHandle window, bool delivering);
  bool RemoveProcedure(TTriggerProc proc, bool delivering);
  bool RemoveMethod(const void* identity, bool delivering);
  // At the end of a delivery: the entries marked during it go.  True when there were any.
  bool EndDelivery();
  // Whether there is anyone to tell: mode 0 counts again, 1 the port wants its events, 2 it
  // does not.  The port's own window (the first) counts only while the port wants events.
  void UpdateHandlerState(std::uint8_t mode);
  bool HandlersPresent() const { return FHandlersPresent.load(); }
  bool PortEventsWanted() const { return FPortEventsWanted.load(); }

  // ---- A delivery's walk over the handlers, by index ----
  enum TSlot : std::uint8_t { slEnd, slSkip, slTaken };
  // The method handler at `index`, lent for its call (moved out: a handler added meanwhile
  // may move the list, and moving allocates nothing); ReturnMethod puts it back.
  TSlot LendMethod(std::size_t index, TTriggerMethod& method, bool& synchronized);
  void ReturnMethod(std::size_t index, TTriggerMethod&& method);
  TSlot ProcedureAt(std::size_t index, TTriggerProc& proc) const;
  // The window at `index`; the port's window alone is served only while the port wants events.
  TSlot WindowAt(std::size_t index, TWindowHandle& window) const;
  // Every window handler not marked removed, for a notice that goes to all of them.
  const std::vector<TWindowHandler>& Windows() const { return FWindows; }

 private:
  // The next free handle, or 0 when they are used up.
  std::uint32_t TakeHandle();

  std::vector<TTimerTrigger> FTimers;
  std::vector<TDataTrigger> FData;
  std::vector<TStatusTrigger> FStatus;
  std::uint32_t FNextHandle = 1;
  std::atomic<std::uint32_t> FAvailThreshold{0};
  std::vector<TWindowHandler> FWindows;
  std::vector<TProcedureHandler> FProcedures;
  std::vector<TMethodHandler> FMethods;
  bool FRemovalPending = false;
  std::atomic<bool> FHandlersPresent{false};
  std::atomic<bool> FPortEventsWanted{false};
};
