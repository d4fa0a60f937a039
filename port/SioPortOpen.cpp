// The port's life: creation and destruction, opening and closing, loading from a form
// description, dispatcher access and the block and flush methods.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <mutex>
#include <utility>

#include "dispatch/SioPortName.h"
#include "dispatch/SioPosix.h"
#include "dispatch/SioSocket.h"
#include "dispatch/SioSocketPath.h"
#include "platform/Application.h"
#include "common/SioExcept.h"
#include "port/SioPort.h"
#include "port/SioSelCom.h"

namespace {

std::mutex& LivePortsLock() {
  static std::mutex lock;
  return lock;
}

// Each live port with its serial.  An address alone is no identity: a port destroyed inside
// one of its own events may be followed at once by a new one at the same address.
std::map<const TSioCustomComPort*, std::uint64_t>& LivePorts() {
  static auto* ports = new std::map<const TSioCustomComPort*, std::uint64_t>;
  return *ports;
}

std::uint64_t NextPortSerial() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

// A port's life and its dispatcher belong to its thread; from another thread the port's
// workers could be waited for by one of themselves, or its fields raced.
[[noreturn]] void DestroyedByStranger() {
  std::fputs("TSioCustomComPort destroyed on a thread that does not own it\n", stderr);
  std::abort();
}

// Runs `step` and keeps its exception in `failure` (the first one wins), so the steps after
// it still run.
template <typename F>
void RunKeepingFailure(std::exception_ptr& failure, F&& step) {
  try {
    step();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
}

void ShowFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    Application().ShowException(e);
  } catch (...) {
    Application().ShowMessage("Unknown exception");
  }
}

// Frees a dispatcher whose workers are still ending, from the main thread's queue.
void FreeWhenWorkersEnded(TSioBaseDispatcher* dispatcher) {
  const bool posted = PostToMainThread([dispatcher] {
    if (dispatcher->WorkersRunning()) {
      SleepMs(1);
      FreeWhenWorkersEnded(dispatcher);
    } else {
      delete dispatcher;
    }
  });
  // No main thread left to run it: the process is ending and takes the dispatcher along.
  (void)posted;
}

}  // namespace

bool IsLivePort(const TPortIdentity& port) {
  std::lock_guard lock(LivePortsLock());
  const auto it = LivePorts().find(port.Port);
  return it != LivePorts().end() && it->second == port.Serial;
}

TSioCustomComPort::TSioCustomComPort(TComponent* owner)
    : TSioBaseComponent(owner), FSerial(NextPortSerial()), FOwnerThread(std::this_thread::get_id()) {
  std::lock_guard lock(LivePortsLock());
  LivePorts()[this] = FSerial;
}

TPortState TSioCustomComPort::PortState() const {
  if (!FDispatcher) return psClosed;
  switch (FDispatcher->LineStage()) {
    case lsClosed:
      return psClosed;
    case lsOpen:
    case lsLost:
      return psOpen;
    default:
      return psClosing;
  }
}

void TSioCustomComPort::CheckOwnerThread() const {
  if (std::this_thread::get_id() != FOwnerThread)
    throw Exception("TSioCustomComPort used from a thread that does not own it");
}

TSioCustomComPort::~TSioCustomComPort() {
  if (FDispatcher && std::this_thread::get_id() != FOwnerThread) DestroyedByStranger();
  // A handler that the port's own close (or destruction) runs while it waits for the workers
  // (the line halting) must not destroy it: the close goes on with the port afterwards.
  if (FDestroying || (FDispatcher && FDispatcher->LineStage() == lsHalting)) {
    std::fputs("TSioCustomComPort destroyed while it closes, by a handler run meanwhile\n", stderr);
    std::abort();
  }
  FDestroying = true;
  FOpen = false;
  if (PortState() == psOpen) {
    try {
      ClosePort();
    } catch (...) {
      ShowFailure(std::current_exception());
    }
  }
  if (PortState() == psClosing) {
    if (FEventDepth > 0 || FDispatcher->InsideDelivery()) {
      // Destroyed from inside one of its own trigger events, or from another handler of its
      // dispatcher's delivery (a synchronized method handler, another window handler): the
      // dispatch worker waits for this very call to return, so its workers cannot end before
      // we do.  The window goes now (no completion message can reach us), the dispatcher
      // forgets us (no trigger message can reach us either) and is freed later.
      SetComWindow(false);
      FDispatcher->DetachPortComponent();
      FreeWhenWorkersEnded(FDispatcher.release());
    } else {
      while (PortState() == psClosing && FDispatcher->WorkersRunning()) {
        PumpOneMessage();
        if (PortState() == psClosing) SleepMs(1);
      }
      if (PortState() == psClosing) FinishClose();
    }
  }
  FPortListenerList.clear();
  TSioBaseDispatcher::FreeSavedTriggers(FSavedTriggers);
  std::lock_guard lock(LivePortsLock());
  LivePorts().erase(this);
}

// ---- Open and close ----

void TSioCustomComPort::SetOpen(bool value) {
  CheckOwnerThread();
  if (value == FOpen) return;
  if (IsLoading() || IsDesigning()) {
    FOpen = value;
    FOpenOnLoad = value;
    return;
  }
  if (!value) {
    // Also cancels a reopen still waiting for a close to complete.
    ClosePort();
  } else if (PortState() == psClosed) {
    OpenPort();
  } else {
    FOpen = true;  // the reopen follows the close (ReopenIfAsked)
  }
}

void TSioCustomComPort::Loaded() {
  TSioBaseComponent::Loaded();
  if (IsDesigning()) return;
  if (FOpenOnLoad) FOpen = true;
  if (!FOpen) return;
  FOpenOnLoad = false;
  try {
    OpenPort();
  } catch (const std::exception& e) {
    FOpen = false;
    Application().ShowException(e);
  }
}

void TSioCustomComPort::ValidatePortNumber() {
  if (FComNumber != 0) return;
  if (!FPromptForPort) {
    Check(ecNoPortSelected);
    return;
  }
  const std::unique_ptr<TModalDialog> dialog = Application().CreateDialog("TComSelectForm");
  auto* select = dynamic_cast<TComSelectDialog*>(dialog.get());
  if (select == nullptr || select->ShowModal() != mrOk) {
    Check(ecNoPortSelected);
    return;
  }
  SetComNumber(static_cast<std::uint16_t>(select->ChosenPortNumber()));
}

TDeviceLayer TSioCustomComPort::EffectiveDeviceLayer() const {
  // The port's own layer stays dlWin32 (form descriptions store it); a network path
  // chooses the socket layer for the open.
  if (FDeviceLayer == dlWin32 && FTapiMode != tmOn && SocketPathKind(PortDeviceName(FComNumber)) != skNone)
    return dlWinsock;
  return FDeviceLayer;
}

std::unique_ptr<TSioBaseDispatcher> TSioCustomComPort::CreateDispatcher() {
  switch (EffectiveDeviceLayer()) {
    case dlWin32:
      if (FTapiMode == tmOn) return std::make_unique<TSioTAPI32Dispatcher>(this, FTapiDeviceHandle);
      return std::make_unique<TSioPosixDispatcher>(this);
    case dlWinsock:
      return std::make_unique<TSioSocketDispatcher>(this);
    default:
      Check(ecNullApi);
      return nullptr;
  }
}

int TSioCustomComPort::InitPort() {
  const std::string name = FTapiMode == tmOn ? std::string() : PortDeviceName(FComNumber);
  FDeviceName = name;
  std::uint32_t options = 0;
  if (FDTR) options |= olDtrOn;
  if (FRTS) options |= olRtsOn;
  if (FHWFlowOptions.Contains(hwfUseDTR)) options |= olDtrHandshake;
  if (FHWFlowOptions.Contains(hwfUseRTS)) options |= olRtsHandshake;
  return FDispatcher->OpenLine(name, static_cast<std::uint32_t>(FBaud), FParity,
                               static_cast<std::uint8_t>(FDataBits), static_cast<std::uint8_t>(FStopBits),
                               FInSize, FOutSize, options);
}

void TSioCustomComPort::OpenPort() {
  if (FTapiMode != tmOn) {
    ValidatePortNumber();
    // Only reached with no number while loading, when raising is held back.
    if (FComNumber == 0 && IsLoading()) return;
  }
  FDispatcher = CreateDispatcher();
  if (!FDispatcher) return;
  try {
    if (FTapiMode == tmOn) {
      // The telephony service hands over a line that is already open and set up.
      if (FTapiDeviceHandle == 0) Check(ecNotOpenedByTapi);
      std::uint32_t baud = 0, hw = 0, sw = 0;
      std::uint8_t parity = 0, dataBits = 0, stopBits = 0, xon = 0, xoff = 0;
      FDispatcher->GetLineParams(baud, parity, dataBits, stopBits);
      // Settings that could not be read are not taken over.
      if (FDispatcher->GetFlowSettings(hw, sw, xon, xoff) == 0) {
      FBaud = static_cast<std::int32_t>(baud);
      FParity = parity <= pSpace ? static_cast<TParity>(parity) : pNone;
      FDataBits = dataBits;
      FStopBits = stopBits;
      static constexpr TSWFlowOptions kSoftware[] = {swfNone, swfTransmit, swfReceive, swfBoth};
      FSWFlowOptions = kSoftware[sw & 3];
      FXOnChar = static_cast<char>(xon);
      FXOffChar = static_cast<char>(xoff);
      FHWFlowOptions = THWFlowOptionSet::FromBits(static_cast<std::uint8_t>(hw));
      }
    }
    int result = InitPort();
    if (result == -5) {
      result = ecAlreadyOpen;
    } else if (result == -2 || result == -3) {
      result = ecBadId;
    }
    if (result != 0) {
      // The class is the one CheckErrorCode picks; the message names the device and what
      // was found out about it (a bare "Sio exception" for a system error helps nobody).
      FLastOpenFailure = DescribeOpenFailure(result, FDeviceName);
      try {
        Check(result);
        throw ESioException(result);  // a code CheckErrorCode let through
      } catch (Exception& e) {
        e.SetMessage(FLastOpenFailure.Message);
        if (auto* sio = dynamic_cast<ESioException*>(&e); sio != nullptr && sio->ErrorCode == 0) sio->ErrorCode = result;
        throw;
      }
    }
    FLastOpenFailure = TOpenFailure{};
    RefreshTriggerHandling();
    {
      TForceApplyScope force(FForceApply);
      SetTracing(FTracing);
      SetLogging(FLogging);
      SetHWFlowOptions(FHWFlowOptions);
      SetSWFlowOptions(FSWFlowOptions);
      SetXOnChar(FXOnChar);
      SetXOffChar(FXOffChar);
      SetAvailTriggerLength(FAvailTriggerLength);
      SetDTR(FDTR);
      SetRTS(FRTS);
      SetUseEventWord(FUseEventWord);
      SetRS485Mode(FRS485Mode);
      SetThreadPriorityBoost(FThreadPriorityBoost);
      SetReceiveLatencyMs(FReceiveLatencyMs);
    }
    FOpen = true;
    SetComWindow(true);
    if (FSavedTriggersValid) {
      FSavedTriggersValid = false;
      FDispatcher->RestoreTriggers(FSavedTriggers);
    }
    NotifyPortOpened();
  } catch (...) {
    FOpen = false;
    if (FComWindow != 0) SetComWindow(false);
    FDispatcher.reset();
    throw;
  }
}

void TSioCustomComPort::ClosePort() {
  FOpen = false;
  if (PortState() != psOpen) return;
  // A recorder that cannot be written out, or a close listener that raises, must not leave
  // the line half closed: the close goes on and the first failure is raised at its end.
  std::exception_ptr failure;
  RunKeepingFailure(failure, [this] { SetTracing(tlDump); });
  RunKeepingFailure(failure, [this] { SetLogging(tlDump); });
  FDispatcher->BeginClose();
  RunKeepingFailure(failure, [this] { NotifyPortClosing(); });
  // A reopen asked for by a close listener lapses when the close completes at once: a
  // listener that always reopens would leave no way to close the port.
  const bool listenerAsked = std::exchange(FOpen, false);
  FDispatcher->SaveTriggers(FSavedTriggers);
  FSavedTriggersValid = true;
  // Stopping the workers runs this thread's messages (the line is halting meanwhile), and
  // the port is used afterwards: it must not be destroyed from a handler run there (see the
  // destructor).
  FDispatcher->CloseLine();
  const bool deferred = FDispatcher->CloseRequested();
  if (deferred) {
    FOpen = FOpen || listenerAsked;
    // Called from inside a trigger event: the dispatch worker still uses the dispatcher, so
    // the release waits for PortCloseMsg and the end of the workers.
    PostMessage(FComWindow, PortCloseMsg, 0,
                static_cast<std::intptr_t>(static_cast<std::uint32_t>(FDispatcher->RegistryIndex()) << 16));
  } else {
    FinishClose();
  }
  if (deferred) {
    // The port is not used after this message (a handler may even destroy it).
    PumpOneMessage();
  } else {
    // A reopen asked for while the workers were stopped (by a handler of another port run
    // meanwhile) follows the close, as it follows a deferred one.
    RunKeepingFailure(failure, [this] { ReopenIfAsked(); });
  }
  if (failure) std::rethrow_exception(failure);
}

void TSioCustomComPort::FinishClose() {
  SetComWindow(false);
  FDispatcher.reset();
}

void TSioCustomComPort::ReopenIfAsked() {
  if (!FOpen) return;
  // OpenPort sets it again once the port is open.
  FOpen = false;
  if (!FDestroying) OpenPort();
}

void TSioCustomComPort::SetComNumber(std::uint16_t value) {
  if (value == FComNumber) return;
  CheckOwnerThread();
  if (PortState() != psOpen) {
    FComNumber = value;
    return;
  }
  FDispatcher->SaveTriggers(FSavedTriggers);
  const TTraceLogState tracing = FTracing;
  const TTraceLogState logging = FLogging;
  const TPortIdentity self = Identity();
  // Stored before the close: a reopen that another handler asks for while the close runs
  // follows the close at once, and must open the new number.
  FComNumber = value;
  SetOpen(false);
  // A close deferred inside an event runs one message, which may have destroyed the port.
  if (!IsLivePort(self)) return;
  if (PortState() == psClosing) {
    // Changed from inside a trigger event: the close completes, and the reopen follows,
    // once the event has returned.  The recorders are kept as wishes for that open, as a
    // closed port keeps them; the open restores the saved triggers itself.
    FTracing = tracing == tlOn ? tlOn : tlOff;
    FLogging = logging == tlOn ? tlOn : tlOff;
    SetOpen(true);
    return;
  }
  SetTracing(tracing);
  SetLogging(logging);
  SetOpen(true);
  if (FDispatcher) FDispatcher->RestoreTriggers(FSavedTriggers);
}

void TSioCustomComPort::SetDeviceLayer(TDeviceLayer value) {
  if (value == FDeviceLayer || PortState() != psClosed) return;
  if (!IsAllowedDeviceLayer(value)) return;
  FDeviceLayer = value;
  DeviceLayerChanged();
}

// ---- Dispatcher access and the block methods ----

TSioBaseDispatcher* TSioCustomComPort::Dispatcher() {
  CheckOwnerThread();
  if (!FDispatcher && !IsLoading() && !IsDesigning() && PortState() != psOpen && FAutoOpen) SetOpen(true);
  return FDispatcher.get();
}

TSioBaseDispatcher* TSioCustomComPort::ValidDispatcher() {
  TSioBaseDispatcher* dispatcher = Dispatcher();
  if (dispatcher == nullptr) Check(ecCommNotOpen);
  return dispatcher;
}

void TSioCustomComPort::FlushInBuffer() {
  if (PortState() == psClosing) return;
  if (TSioBaseDispatcher* d = ValidDispatcher()) Check(d->PurgeInput());
}

void TSioCustomComPort::FlushOutBuffer() {
  if (PortState() == psClosing) return;
  if (TSioBaseDispatcher* d = ValidDispatcher()) Check(d->PurgeOutput());
}

void TSioCustomComPort::GetBlock(void* buffer, std::uint16_t Len) {
  if (PortState() == psClosing) return;
  if (TSioBaseDispatcher* d = ValidDispatcher()) {
    Check(d->ReadBlock(static_cast<std::uint8_t*>(buffer), Len, &FLastReadArrivalNs));
  }
}

std::uint16_t TSioCustomComPort::GetAvailable(void* buffer, std::uint16_t Len, std::int64_t* arrivalNs) {
  if (PortState() == psClosing) return 0;
  TSioBaseDispatcher* d = ValidDispatcher();
  if (d == nullptr) return 0;
  return static_cast<std::uint16_t>(d->ReadAvailable(static_cast<std::uint8_t*>(buffer), Len, arrivalNs));
}

void TSioCustomComPort::PutBlock(const void* buffer, std::uint16_t Len) {
  if (PortState() == psClosing) return;
  if (TSioBaseDispatcher* d = ValidDispatcher()) Check(d->WriteBlock(static_cast<const std::uint8_t*>(buffer), Len));
}

void TSioCustomComPort::Yield() {
  if (TSioBaseDispatcher* d = ValidDispatcher()) Check(d->DeviceIdle());
}
