// The port's setters for line, buffer, line-control and event properties, Assign and the
// listener list.
#include <algorithm>

#include "common/SioExcept.h"
#include "port/SioPort.h"

namespace {
std::uint8_t LowByte(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
}  // namespace

int TSioCustomComPort::Check(int code) const { return CheckErrorCode(this, code); }

// ---- Line and buffer settings: compared with the stored value only ----

// A rejected value stays stored: the next accepted change sends all four again.
void TSioCustomComPort::SendLineParams() {
  if (PortState() != psOpen) return;
  Check(FDispatcher->SetLineParams(static_cast<std::uint32_t>(FBaud), FParity, LowByte(FDataBits),
                                   LowByte(FStopBits)));
}

void TSioCustomComPort::SetBaud(std::int32_t value) {
  if (value == FBaud) return;
  FBaud = value;
  SendLineParams();
}

void TSioCustomComPort::SetParity(TParity value) {
  if (value == FParity) return;
  FParity = value;
  SendLineParams();
}

void TSioCustomComPort::SetDataBits(std::uint16_t value) {
  if (value == FDataBits) return;
  FDataBits = value;
  SendLineParams();
}

void TSioCustomComPort::SetStopBits(std::uint16_t value) {
  if (value == FStopBits) return;
  FStopBits = value;
  SendLineParams();
}

void TSioCustomComPort::SetReceiveLatencyMs(std::uint16_t value) {
  if (value == FReceiveLatencyMs && !FForceApply) return;
  FReceiveLatencyMs = value;
  if (PortState() == psOpen) FDispatcher->SetReceiveLatency(value);
}

// The rings keep their sizes until the next open, so a failure here changes nothing that
// matters and is not reported.
void TSioCustomComPort::SetInSize(std::uint16_t value) {
  if (value == FInSize) return;
  FInSize = value;
  if (PortState() == psOpen) FDispatcher->SetQueueSizes(FInSize, FOutSize);
}

void TSioCustomComPort::SetOutSize(std::uint16_t value) {
  if (value == FOutSize) return;
  FOutSize = value;
  if (PortState() == psOpen) FDispatcher->SetQueueSizes(FInSize, FOutSize);
}

// ---- Setters that also act on an equal value while ForceApply is set ----

void TSioCustomComPort::SetDTR(bool value) {
  if (value == FDTR && !FForceApply) return;
  if (PortState() != psOpen) {
    FDTR = value;
    return;
  }
  // 1 means the line is under handshake control: the request is not taken.
  if (Check(FDispatcher->SetDtr(value)) == 0) FDTR = value;
}

void TSioCustomComPort::SetRTS(bool value) {
  if (value == FRTS && !FForceApply) return;
  if (PortState() != psOpen) {
    FRTS = value;
    return;
  }
  if (Check(FDispatcher->SetRts(value)) == 0) FRTS = value;
}

void TSioCustomComPort::SetXOnChar(char value) {
  if (value == FXOnChar && !FForceApply) return;
  FXOnChar = value;
  if (PortState() == psOpen)
    Check(FDispatcher->SetFlowChars(static_cast<std::uint8_t>(FXOnChar), static_cast<std::uint8_t>(FXOffChar)));
}

void TSioCustomComPort::SetXOffChar(char value) {
  if (value == FXOffChar && !FForceApply) return;
  FXOffChar = value;
  if (PortState() == psOpen)
    Check(FDispatcher->SetFlowChars(static_cast<std::uint8_t>(FXOnChar), static_cast<std::uint8_t>(FXOffChar)));
}

void TSioCustomComPort::SetUseEventWord(bool value) {
  if (value == FUseEventWord && !FForceApply) return;
  FUseEventWord = value;
  if (PortState() != psOpen) return;
  if (value) {
    FDispatcher->SetOptionBits(4);
  } else {
    FDispatcher->ClearOptionBits(4);
  }
}

void TSioCustomComPort::SetAvailTriggerLength(std::uint16_t value) {
  if (value == FAvailTriggerLength && !FForceApply) return;
  FAvailTriggerLength = value;
  if (PortState() == psOpen) FDispatcher->SetAvailThreshold(value);
}

void TSioCustomComPort::SetThreadPriorityBoost(std::uint8_t value) {
  if (value == FThreadPriorityBoost && !FForceApply) return;
  FThreadPriorityBoost = value;
  if (PortState() == psOpen) FDispatcher->SetWorkerBoost(value);
}

void TSioCustomComPort::SetUseMSRShadow(bool) {}

// ---- Trigger events ----

void TSioCustomComPort::SetOnTrigger(TTriggerEvent handler) {
  FOnTrigger = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent handler) {
  FOnTriggerAvail = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerData(TTriggerDataEvent handler) {
  FOnTriggerData = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerStatus(TTriggerStatusEvent handler) {
  FOnTriggerStatus = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerTimer(TTriggerTimerEvent handler) {
  FOnTriggerTimer = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent handler) {
  FOnTriggerLineError = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerModemStatus(TNotifyEvent handler) {
  FOnTriggerModemStatus = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerOutbuffFree(TNotifyEvent handler) {
  FOnTriggerOutbuffFree = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerOutbuffUsed(TNotifyEvent handler) {
  FOnTriggerOutbuffUsed = std::move(handler);
  RefreshTriggerHandling();
}
void TSioCustomComPort::SetOnTriggerOutSent(TNotifyEvent handler) {
  FOnTriggerOutSent = std::move(handler);
  RefreshTriggerHandling();
}

bool TSioCustomComPort::AnyTriggerEventAssigned() const {
  return FOnTrigger || FOnTriggerAvail || FOnTriggerData || FOnTriggerStatus || FOnTriggerTimer ||
         FOnTriggerLineError || FOnTriggerModemStatus || FOnTriggerOutbuffFree ||
         FOnTriggerOutbuffUsed || FOnTriggerOutSent;
}

// ---- Line error and break, consumed by reading ----

std::uint16_t TSioCustomComPort::LineError() {
  if (PortState() != psOpen) return 0;
  return static_cast<std::uint16_t>(FDispatcher->TakeLineError());
}

bool TSioCustomComPort::LineBreak() {
  if (PortState() != psOpen) return false;
  return FDispatcher->TakeBreak();
}

// ---- Assign ----

void TSioCustomComPort::Assign(TComponent* source) {
  auto* src = dynamic_cast<TSioCustomComPort*>(source);
  if (src == nullptr || src == this) return;
  FPortListenerList = src->FPortListenerList;
  if (src->PortState() == psOpen && src->FDispatcher) {
    src->FDispatcher->SaveTriggers(FSavedTriggers);
    FSavedTriggersValid = true;
  }
  FDeviceLayer = src->FDeviceLayer;
  FComNumber = src->FComNumber;
  FBaud = src->FBaud;
  FParity = src->FParity;
  FDataBits = src->FDataBits;
  FStopBits = src->FStopBits;
  FInSize = src->FInSize;
  FOutSize = src->FOutSize;
  FAutoOpen = src->FAutoOpen;
  FPromptForPort = src->FPromptForPort;
  FRS485Mode = src->FRS485Mode;
  FReceiveLatencyMs = src->FReceiveLatencyMs;
  FThreadPriorityBoost = src->FThreadPriorityBoost;
  FDTR = src->FDTR;
  FRTS = src->FRTS;
  FBufferFull = src->FBufferFull;
  FBufferResume = src->FBufferResume;
  FHWFlowOptions = src->FHWFlowOptions;
  FSWFlowOptions = src->FSWFlowOptions;
  FXOnChar = src->FXOnChar;
  FXOffChar = src->FXOffChar;
  FTracing = src->FTracing;
  FTraceSize = src->FTraceSize;
  FTraceName = src->FTraceName;
  FTraceHex = src->FTraceHex;
  FTraceAllHex = src->FTraceAllHex;
  FLogging = src->FLogging;
  FLogSize = src->FLogSize;
  FLogName = src->FLogName;
  FLogHex = src->FLogHex;
  FLogAllHex = src->FLogAllHex;
  FAvailTriggerLength = src->FAvailTriggerLength;
  FOnPortOpened = src->FOnPortOpened;
  FOnPortClosed = src->FOnPortClosed;
  FTapiMode = src->FTapiMode;
  SetOnTrigger(src->FOnTrigger);
  SetOnTriggerAvail(src->FOnTriggerAvail);
  SetOnTriggerData(src->FOnTriggerData);
  SetOnTriggerStatus(src->FOnTriggerStatus);
  SetOnTriggerTimer(src->FOnTriggerTimer);
  FOpen = false;
}

// ---- Listeners ----

void TSioCustomComPort::AddPortListener(TWindowHandle window) {
  FPortListenerList.push_back(TPortListener{window, nullptr, nullptr});
}

void TSioCustomComPort::AddPortListener(const void* identity, TPortListenerMethod method) {
  FPortListenerList.push_back(TPortListener{0, std::move(method), identity});
}

void TSioCustomComPort::RemovePortListener(TWindowHandle window) {
  const auto it = std::find_if(FPortListenerList.begin(), FPortListenerList.end(),
                               [&](const TPortListener& l) { return l.Window != 0 && l.Window == window; });
  if (it != FPortListenerList.end()) FPortListenerList.erase(it);
}

void TSioCustomComPort::RemovePortListener(const void* identity) {
  const auto it = std::find_if(FPortListenerList.begin(), FPortListenerList.end(),
                               [&](const TPortListener& l) { return l.Window == 0 && l.Identity == identity; });
  if (it != FPortListenerList.end()) FPortListenerList.erase(it);
}
