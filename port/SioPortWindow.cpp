// The port's hidden notification window: trigger messages from the dispatch worker become
// the port's events on the thread that owns the window, and a close started inside a
// trigger event completes here.  Also the open and close notifications.
#include "platform/Application.h"
#include "common/SioExcept.h"
#include "port/SioPort.h"

namespace {

constexpr const char* kComWindowClass = "sioComWindow";

// `port` is the identity the caller took before running an event, which may have destroyed
// the port (and let a new one take its address).
bool StillOpen(const TPortIdentity& port) { return IsLivePort(port) && port.Port->PortState() == psOpen; }

void ShowEventFailure(const std::exception* e) {
  // Off the main thread nobody could see it: dropped.
  if (!IsMainThread()) return;
  if (e != nullptr) {
    Application().ShowException(*e);
  } else {
    Application().ShowMessage("Unknown exception");
  }
}

}  // namespace

void TSioCustomComPort::SetComWindow(bool on) {
  if (on) {
    // Registered once per process, the first time any port needs it.
    static const bool registered =
        RegisterWindowClass(kComWindowClass, &TSioCustomComPort::ComWindowProc) ||
        IsWindowClassRegistered(kComWindowClass);
    FComWindow = registered ? CreateWindow(kComWindowClass) : 0;
    if (FComWindow == 0) Check(ecInternal);
    SetWindowData(FComWindow, this);
    FDispatcher->AddWindowHandler(FComWindow);
    return;
  }
  if (FComWindow == 0) return;
  if (FDispatcher) FDispatcher->RemoveWindowHandler(FComWindow);
  DestroyWindow(FComWindow);
  FComWindow = 0;
}

TMessageResult TSioCustomComPort::ComWindowProc(TWindowHandle window, std::uint32_t message,
                                                std::uintptr_t wParam, std::intptr_t lParam) {
  const bool trigger = message >= TriggerAvailMsg && message <= TriggerStatusMsg;
  if (!trigger && message != PortCloseMsg && message != LineLostMsg) {
    return DefWindowProc(window, message, wParam, lParam);
  }

  // Held while the events run, so the dispatcher cannot leave the registry under them; the
  // lock is recursive, so an event that closes the port does not block itself.
  std::lock_guard registryLock(DispatcherRegistryLock());
  const int index = static_cast<int>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFFFF);
  TSioBaseDispatcher* dispatcher = DispatcherAt(index);
  if (dispatcher == nullptr) return 0;
  // A port lets go of its dispatcher before it is destroyed (DetachPortComponent), so a port
  // named here is alive.  Only one that still owns this dispatcher is told anything.
  TSioCustomComPort* port = dispatcher->PortComponent();
  if (port == nullptr || port->FDispatcher.get() != dispatcher) return 0;

  const TPortIdentity who = port->Identity();
  ++port->FEventDepth;
  try {
    if (message == PortCloseMsg) {
      port->CompleteDeferredClose(window, lParam);
    } else if (message == LineLostMsg) {
      port->LineLost(static_cast<int>(wParam));
    } else {
      port->RaiseTriggerEvents(message, wParam, lParam);
    }
  } catch (const std::exception& e) {
    ShowEventFailure(&e);
  } catch (...) {
    ShowEventFailure(nullptr);
  }
  // An event may have freed the port, and a new one may live at its address now.
  if (IsLivePort(who)) --port->FEventDepth;
  return 0;
}

// Events are raised only while the port is open: once an event has closed the port, the
// rest of the message is skipped, and a message that reaches a closing port (one that was
// waiting while the close ran) raises nothing, since no byte can be read any more.
void TSioCustomComPort::RaiseTriggerEvents(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (PortState() != psOpen) return;
  const TPortIdentity self = Identity();
  const auto handle = static_cast<std::uint16_t>(wParam & 0xFFFF);
  // The avail message carries its count in wParam, so TriggerHandle and Data are both Count.
  const auto data = message == TriggerAvailMsg ? handle : static_cast<std::uint16_t>(lParam & 0xFFFF);
  FireTrigger(static_cast<std::uint16_t>(message), handle, data);
  if (!StillOpen(self)) return;
  switch (message) {
    case TriggerAvailMsg:
      FireTriggerAvail(handle);
      return;
    case TriggerDataMsg:
      FireTriggerData(handle);
      return;
    case TriggerTimerMsg:
      FireTriggerTimer(handle);
      return;
    default:
      break;
  }
  FireTriggerStatus(handle);
  if (!StillOpen(self)) return;
  switch (handle & 7) {
    case stModem:
      FireTriggerModemStatus();
      break;
    case stLineError: {
      const bool lineBreak = LineBreak();
      const std::uint16_t error = LineError();
      FireTriggerLineError(error, lineBreak);
      break;
    }
    case stOutFree:
      FireTriggerOutbuffFree();
      break;
    case stOutUsed:
      FireTriggerOutbuffUsed();
      break;
    case stOutSent:
      FireTriggerOutSent();
      break;
    default:
      break;
  }
}

void TSioCustomComPort::CompleteDeferredClose(TWindowHandle window, std::intptr_t lParam) {
  if (PortState() != psClosing) return;
  if (FDispatcher->WorkersRunning()) {
    // Ask again later; the short sleep keeps the loop from taking a whole core meanwhile.
    SleepMs(1);
    PostMessage(window, PortCloseMsg, 0, lParam);
    return;
  }
  FinishClose();
  ReopenIfAsked();
}

void TSioCustomComPort::RefreshTriggerHandling() {
  if (PortState() != psOpen) return;
  FDispatcher->UpdateHandlerState(AnyTriggerEventAssigned() ? 1 : 2);
}

void TSioCustomComPort::FireTrigger(std::uint16_t Msg, std::uint16_t TriggerHandle, std::uint16_t Data) {
  if (FOnTrigger) FOnTrigger(this, Msg, TriggerHandle, Data);
}
void TSioCustomComPort::FireTriggerAvail(std::uint16_t Count) {
  if (FOnTriggerAvail) FOnTriggerAvail(this, Count);
}
void TSioCustomComPort::FireTriggerData(std::uint16_t TriggerHandle) {
  if (FOnTriggerData) FOnTriggerData(this, TriggerHandle);
}
void TSioCustomComPort::FireTriggerStatus(std::uint16_t TriggerHandle) {
  if (FOnTriggerStatus) FOnTriggerStatus(this, TriggerHandle);
}
void TSioCustomComPort::FireTriggerTimer(std::uint16_t TriggerHandle) {
  if (FOnTriggerTimer) FOnTriggerTimer(this, TriggerHandle);
}
void TSioCustomComPort::FireTriggerLineError(std::uint16_t Error, bool LineBreak) {
  if (FOnTriggerLineError) FOnTriggerLineError(this, Error, LineBreak);
}
void TSioCustomComPort::FireTriggerModemStatus() {
  if (FOnTriggerModemStatus) FOnTriggerModemStatus(this);
}
void TSioCustomComPort::FireTriggerOutbuffFree() {
  if (FOnTriggerOutbuffFree) FOnTriggerOutbuffFree(this);
}
void TSioCustomComPort::FireTriggerOutbuffUsed() {
  if (FOnTriggerOutbuffUsed) FOnTriggerOutbuffUsed(this);
}
void TSioCustomComPort::FireTriggerOutSent() {
  if (FOnTriggerOutSent) FOnTriggerOutSent(this);
}
void TSioCustomComPort::FireWaitChar(char C) {
  if (FOnWaitChar) FOnWaitChar(this, C);
}

// ---- Open and close notifications ----

// Last registered first.  A listener may remove entries while it runs, so the walk goes by
// index and re-checks the size; the record is copied so its method outlives a removal.
void TSioCustomComPort::WalkListeners(bool opened) {
  for (std::size_t i = FPortListenerList.size(); i-- > 0;) {
    if (i >= FPortListenerList.size()) continue;
    const TPortListener listener = FPortListenerList[i];
    if (listener.Window != 0) {
      SendMessage(listener.Window, opened ? PortOpenedMsg : PortClosingMsg, 0, 0);
    } else if (listener.Method) {
      listener.Method(this, opened);
    }
  }
}

void TSioCustomComPort::NotifyPortOpened() {
  WalkListeners(true);
  if (FOnPortOpened) FOnPortOpened(this);
}

void TSioCustomComPort::NotifyPortClosing() {
  WalkListeners(false);
  if (FOnPortClosed) FOnPortClosed(this);
}
