// Trigger registration and the trigger checks of the dispatch worker.
#include "dispatch/SioDispatch.h"
#include "port/SioErrorCodes.h"

void TSioBaseDispatcher::SaveTriggers(TSavedTriggers& saved) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  saved.AvailThreshold = FAvailThreshold.load();
  saved.Timers = FTimerTriggerList;
  saved.Data = FDataTriggerList;
  saved.Status = FStatusTriggerList;
}

void TSioBaseDispatcher::RestoreTriggers(const TSavedTriggers& saved) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FAvailThreshold = saved.AvailThreshold;
  FTimerTriggerList.clear();
  FDataTriggerList.clear();
  FStatusTriggerList.clear();
  if (saved.Timers) FTimerTriggerList = *saved.Timers;
  if (saved.Data) FDataTriggerList = *saved.Data;
  if (saved.Status) FStatusTriggerList = *saved.Status;
}

void TSioBaseDispatcher::FreeSavedTriggers(TSavedTriggers& saved) {
  saved.Timers.reset();
  saved.Data.reset();
  saved.Status.reset();
}

void TSioBaseDispatcher::ClearAllTriggers() {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FAvailThreshold = 0;
  FTimerTriggerList.clear();
  FDataTriggerList.clear();
  FStatusTriggerList.clear();
  FNextTriggerHandle = 1;
}

void TSioBaseDispatcher::SetAvailThreshold(std::uint32_t count) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FAvailThreshold = count;
}

int TSioBaseDispatcher::AddDataTrigger(const std::uint8_t*, std::uint32_t, bool) { return ecNoMoreTriggers; }
int TSioBaseDispatcher::AddTimerTrigger() { return ecNoMoreTriggers; }
int TSioBaseDispatcher::AddStatusTrigger(std::uint32_t) { return ecNoMoreTriggers; }
int TSioBaseDispatcher::SetTimerTrigger(std::uint32_t, std::uint32_t, bool) { return ecBadTriggerHandle; }
int TSioBaseDispatcher::SetStatusTrigger(std::uint32_t, std::uint16_t, bool) { return ecBadTriggerHandle; }
int TSioBaseDispatcher::RemoveTrigger(std::uint32_t) { return ecBadTriggerHandle; }
void TSioBaseDispatcher::ResetMatchState() {}
void TSioBaseDispatcher::ResetStatusFired() { FStatusFiredThisPass = false; }
bool TSioBaseDispatcher::MatchByte(TDataTrigger&, std::uint8_t) { return false; }
std::uint32_t TSioBaseDispatcher::CountBefore(std::uint32_t, std::uint32_t) { return 0; }
bool TSioBaseDispatcher::CheckDataTriggers() { return false; }
bool TSioBaseDispatcher::CheckStatusTriggers() { return false; }
bool TSioBaseDispatcher::CheckTimerTriggers() { return false; }
