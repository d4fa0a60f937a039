// The dispatch worker's passes and the delivery of trigger messages to the handlers.
#include "dispatch/SioDispatch.h"

void TSioBaseDispatcher::EventPass() {
  FillInRing();
  if (DispatchDoneSignal) DispatchDoneSignal->Set();
}

void TSioBaseDispatcher::TimerPass() {}

bool TSioBaseDispatcher::DeliverTrigger(std::uint32_t, std::uintptr_t, std::uint16_t) { return true; }

void TSioBaseDispatcher::AddWindowHandler(TWindowHandle window) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FWindowHandlerList.push_back({window, false});
  FHandlersPresent = true;
}

void TSioBaseDispatcher::RemoveWindowHandler(TWindowHandle window) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  for (auto it = FWindowHandlerList.begin(); it != FWindowHandlerList.end(); ++it) {
    if (it->Window == window) {
      FWindowHandlerList.erase(it);
      return;
    }
  }
}

void TSioBaseDispatcher::AddProcedureHandler(TTriggerProc proc) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FProcedureHandlerList.push_back({proc, false});
  FHandlersPresent = true;
}

void TSioBaseDispatcher::RemoveProcedureHandler(TTriggerProc) {}

void TSioBaseDispatcher::AddMethodHandler(const void* identity, TTriggerMethod method, bool synchronized) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  FMethodHandlerList.push_back({std::move(method), identity, false, synchronized});
  FHandlersPresent = true;
}

void TSioBaseDispatcher::RemoveMethodHandler(const void*) {}

void TSioBaseDispatcher::UpdateHandlerState(std::uint8_t mode) {
  std::lock_guard<TRecursiveLock> main(MainLock);
  if (mode == 1) {
    FPortEventsWanted = true;
    FHandlersPresent = true;
  }
}
