// The port component: the object through which the application uses one serial device.
//
// TSioCustomComPort keeps the line settings and options as properties, opens and closes the
// device through a dispatcher that it creates and owns, pushes every property change to the
// open device, and raises the dispatcher's trigger events (data received, status changes,
// timers) as its own events.  TSioComPort is the class a form description creates.
//
// Threads.  A port belongs to the thread that created it (the main thread of the program):
// every property, method and event runs there.  The port takes no lock of its own; the
// dispatcher's worker threads never call the port, they reach it only through messages to
// its hidden window ComWindow, which is owned by the same thread.  Trigger events therefore
// run only while that thread pumps its message queue.
//
// What may be called from where:
//   - On the port's thread, outside any event: everything, including polling with GetBlock
//     while the dispatch worker delivers (the bytes taken are not announced to the handlers
//     of that delivery, and never twice).
//   - Inside the port's own trigger events, and inside the handlers its dispatcher runs on
//     the port's thread (synchronized method handlers, further window handlers; see
//     TSioBaseDispatcher::AddMethodHandler and AddWindowHandler): everything as well.  A close
//     there completes once the event has returned (psClosing until then; a reopen asked for
//     meanwhile follows it), and destroying the port there is deferred alike: the port goes
//     at once, its dispatcher when its workers have ended.
//   - On any other thread, including the dispatcher's unsynchronized method and procedure
//     handlers (which run on the dispatch worker): nothing.  Opening, closing, the block and
//     flush methods, Dispatcher(), ComNumber and recorder changes raise Exception there, and
//     destroying a port that has a dispatcher there aborts the process with a message (it
//     could only hang or free the dispatcher under its own workers).  Such handlers may use
//     the dispatcher's own thread-safe operations instead (see dispatch/SioDispatch.h).
//   - A close outside an event waits for the workers to end and runs the thread's messages
//     meanwhile, so other ports' events and handlers run inside it: they may use this port
//     too (it is psClosing then), but destroying it there, or destroying a port twice,
//     aborts the process with a message.
//
// Failures.  Dispatcher results are negative codes; the port turns them into exceptions of
// the ESioException family (common/SioExcept.h) through CheckErrorCode.  While the component
// is loading from a form description the codes are returned instead of raised, and the
// operations that need a dispatcher then do nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/SioDispatch.h"
#include "platform/Messages.h"
#include "common/SioMisc.h"
#include "port/SioOpenFailure.h"

enum TDeviceLayer : std::uint8_t { dlWin16, dlFossil, dlWin32, dlWinsock };
enum TParity : std::uint8_t { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOptions : std::uint8_t { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };
enum TSWFlowOptions : std::uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState : std::uint8_t { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode : std::uint8_t { tmNone, tmAuto, tmOn, tmOff };
enum TPortState : std::uint8_t { psClosed, psClosing, psOpen };

// A set of THWFlowOptions in one byte: bit n is option n, so the bits are also the option
// values the dispatcher takes (1 DTR handshake, 2 RTS handshake, 4 require DSR, 8 require CTS).
class THWFlowOptionSet {
 public:
  constexpr THWFlowOptionSet() = default;
  constexpr THWFlowOptionSet(std::initializer_list<THWFlowOptions> options) {
    for (const THWFlowOptions o : options) FBits |= Bit(o);
  }
  static constexpr THWFlowOptionSet FromBits(std::uint8_t bits) {
    THWFlowOptionSet s;
    s.FBits = bits & 0x0F;
    return s;
  }
  constexpr std::uint8_t Bits() const { return FBits; }
  constexpr bool Contains(THWFlowOptions o) const { return (FBits & Bit(o)) != 0; }
  constexpr THWFlowOptionSet Without(THWFlowOptions o) const { return FromBits(FBits & ~Bit(o)); }
  constexpr bool operator==(const THWFlowOptionSet&) const = default;

 private:
  static constexpr std::uint8_t Bit(THWFlowOptions o) { return static_cast<std::uint8_t>(1u << o); }
  std::uint8_t FBits = 0;
};

// Events.  The first argument is the port that raises the event.  Trigger events run on the
// port's thread while it pumps messages; an exception thrown by a handler is shown by the
// application's exception display (main thread) and ends the handling of that message.
using TTriggerEvent =
    std::function<void(TComponent* CP, std::uint16_t Msg, std::uint16_t TriggerHandle, std::uint16_t Data)>;
using TTriggerAvailEvent = std::function<void(TComponent* CP, std::uint16_t Count)>;
using TTriggerDataEvent = std::function<void(TComponent* CP, std::uint16_t TriggerHandle)>;
using TTriggerStatusEvent = std::function<void(TComponent* CP, std::uint16_t TriggerHandle)>;
using TTriggerTimerEvent = std::function<void(TComponent* CP, std::uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent = std::function<void(TComponent* CP, std::uint16_t Error, bool LineBreak)>;
using TNotifyEvent = std::function<void(TComponent* Sender)>;
using TWaitCharEvent = std::function<void(TComponent* CP, char C)>;
// Error: the negated system error the device failed with (ErrorText gives its words).
using TLineLostEvent = std::function<void(TComponent* CP, int Error)>;
// A listener method learns of an open (opened = true) and of a close about to happen.
using TPortListenerMethod = std::function<void(TComponent* CP, bool opened)>;

// One open/close listener: a window that receives PortOpenedMsg / PortClosingMsg by a plain
// blocking send, or a method (Window 0) found again for removal by its Identity.
struct TPortListener {
  TWindowHandle Window = 0;
  TPortListenerMethod Method;
  const void* Identity = nullptr;
};

class TSioCustomComPort;

// Who a port is: its address and a serial number no other port of the process ever has, so a
// port created at the address of a destroyed one is never taken for it.
struct TPortIdentity {
  const TSioCustomComPort* Port = nullptr;
  std::uint64_t Serial = 0;
};

class TSioCustomComPort : public TSioBaseComponent {
 public:
  explicit TSioCustomComPort(TComponent* owner);
  // Closes an open port (a trace or log that is on is written out first).  A close still
  // completing from inside a trigger event is finished here, so its completion message never
  // reaches the freed port.  Never throws: a failure is shown by the exception display.
  ~TSioCustomComPort() override;

  std::string ClassName() const override { return "TSioCustomComPort"; }
  // Copies the configuration of another port (not its device state); any other source is
  // ignored without error.  Open reads False afterwards.
  void Assign(TComponent* source) override;
  // Opens the port when the form description asked for Open True.  An open failure is shown
  // by the application's exception display and the port stays closed; Loaded returns normally.
  void Loaded() override;

  // ---- Block I/O and flushing.  None of them does anything while the port is closing;
  // a closed port is opened first when AutoOpen is True, else ECommNotOpen is raised. ----
  // Discards everything received and not yet read.
  void FlushInBuffer();
  // Discards output not yet sent.
  void FlushOutBuffer();
  // Copies exactly Len received bytes into `buffer` and consumes them; EBufferIsEmpty when
  // fewer are buffered (nothing is taken).
  void GetBlock(void* buffer, std::uint16_t Len);
  // When the last byte of the last successful GetBlock arrived: read from the device by the
  // dispatch worker (monotonic clock, CLOCK_MONOTONIC in ns), however long it waited in the
  // input buffer before it was taken.  0 before the first read.
  std::int64_t LastReadArrivalNs() const { return FLastReadArrivalNs; }
  // Takes up to Len received bytes into `buffer`, as many as are buffered, and when each
  // arrived (as LastReadArrivalNs tells it, which stays as it is) into `arrivalNs`, Len
  // entries.  The number taken; 0 when none is buffered, which is no error.
  std::uint16_t GetAvailable(void* buffer, std::uint16_t Len, std::int64_t* arrivalNs);
  // Queues Len bytes for sending; Len 0 queues nothing.  EOutputBufferTooSmall when they do
  // not fit the free part of the OutSize-byte output buffer (nothing is queued).
  void PutBlock(const void* buffer, std::uint16_t Len);
  // Gives up the processor once through the dispatcher (the device layer's idle call).
  virtual void Yield();

  // While open: the dispatcher's last line error (1 overflow, 2 overrun, 3 parity, 4 framing,
  // 9 break, 0 none) and its break flag, each consumed by the read.  Otherwise 0 and false.
  std::uint16_t LineError();
  bool LineBreak();

  // The dispatcher, opening the port first when it is closed, AutoOpen is True and the
  // component is neither loading nor designing (which can raise).  Null when still closed.
  TSioBaseDispatcher* Dispatcher();
  // Dispatcher(), raising ECommNotOpen when there is none (returning null while loading).
  TSioBaseDispatcher* ValidDispatcher();

  // ---- Published properties (stored defaults in the constructor) ----
  TDeviceLayer DeviceLayer() const { return FDeviceLayer; }
  // Ignored while the port is not closed, and for layers outside AllowedDeviceLayers.
  void SetDeviceLayer(TDeviceLayer value);
  // The layer an open uses: dlWinsock for a port whose path is tcp://... or rfc2217://...
  // (dispatch/SioSocketPath.h) while DeviceLayer is dlWin32 and TapiMode is not on, else
  // DeviceLayer.
  TDeviceLayer EffectiveDeviceLayer() const;
  std::uint16_t ComNumber() const { return FComNumber; }
  // While open: the port closes, takes the new number and reopens with its triggers.
  void SetComNumber(std::uint16_t value);
  std::int32_t Baud() const { return FBaud; }
  void SetBaud(std::int32_t value);
  bool PromptForPort() const { return FPromptForPort; }
  void SetPromptForPort(bool value) { FPromptForPort = value; }
  TParity Parity() const { return FParity; }
  void SetParity(TParity value);
  std::uint16_t DataBits() const { return FDataBits; }
  void SetDataBits(std::uint16_t value);
  std::uint16_t StopBits() const { return FStopBits; }
  void SetStopBits(std::uint16_t value);
  std::uint16_t InSize() const { return FInSize; }
  void SetInSize(std::uint16_t value);
  std::uint16_t OutSize() const { return FOutSize; }
  void SetOutSize(std::uint16_t value);
  bool AutoOpen() const { return FAutoOpen; }
  void SetAutoOpen(bool value) { FAutoOpen = value; }
  // The requested state.  True opens the port (or, while a close is completing, reopens it
  // as soon as the close has completed: ReopenPending); False closes it (and cancels such a
  // reopen).  While loading only recorded.  It reads True only once an open has succeeded,
  // so not while a reopen waits.
  bool Open() const { return FOpen && PortState() != psClosing; }
  void SetOpen(bool value);
  bool DTR() const { return FDTR; }
  void SetDTR(bool value);
  bool RTS() const { return FRTS; }
  void SetRTS(bool value);
  THWFlowOptionSet HWFlowOptions() const { return FHWFlowOptions; }
  void SetHWFlowOptions(THWFlowOptionSet value);
  TSWFlowOptions SWFlowOptions() const { return FSWFlowOptions; }
  void SetSWFlowOptions(TSWFlowOptions value);
  char XOnChar() const { return FXOnChar; }
  void SetXOnChar(char value);
  char XOffChar() const { return FXOffChar; }
  void SetXOffChar(char value);
  // Input-buffer levels (bytes) at which flow control stops and resumes the peer.
  std::uint16_t BufferFull() const { return FBufferFull; }
  void SetBufferFull(std::uint16_t value);
  std::uint16_t BufferResume() const { return FBufferResume; }
  void SetBufferResume(std::uint16_t value);
  TTraceLogState Tracing() const { return FTracing; }
  void SetTracing(TTraceLogState value);
  // Trace entries, at most 4,000,000.
  std::uint32_t TraceSize() const { return FTraceSize; }
  void SetTraceSize(std::uint32_t value);
  const std::string& TraceName() const { return FTraceName; }
  void SetTraceName(const std::string& value);  // cut to 255 characters
  bool TraceHex() const { return FTraceHex; }
  void SetTraceHex(bool value) { FTraceHex = value; }
  bool TraceAllHex() const { return FTraceAllHex; }
  void SetTraceAllHex(bool value) { FTraceAllHex = value; }
  TTraceLogState Logging() const { return FLogging; }
  void SetLogging(TTraceLogState value);
  // Log bytes, at most 16,000,000.
  std::uint32_t LogSize() const { return FLogSize; }
  void SetLogSize(std::uint32_t value);
  const std::string& LogName() const { return FLogName; }
  void SetLogName(const std::string& value);  // cut to 255 characters
  bool LogHex() const { return FLogHex; }
  void SetLogHex(bool value) { FLogHex = value; }
  bool LogAllHex() const { return FLogAllHex; }
  void SetLogAllHex(bool value) { FLogAllHex = value; }
  // Always True; writes are accepted and ignored.
  bool UseMSRShadow() const { return FUseMSRShadow; }
  virtual void SetUseMSRShadow(bool value);
  bool UseEventWord() const { return FUseEventWord; }
  void SetUseEventWord(bool value);
  std::uint16_t CommNotificationLevel() const { return FCommNotificationLevel; }
  void SetCommNotificationLevel(std::uint16_t value) { FCommNotificationLevel = value; }
  TTapiMode TapiMode() const { return FTapiMode; }
  void SetTapiMode(TTapiMode value) { FTapiMode = value; }
  bool RS485Mode() const { return FRS485Mode; }
  // True also removes hwfUseRTS and hwfRequireCTS from HWFlowOptions and sets RTS False.
  void SetRS485Mode(bool value);
  // How long received bytes may wait before they are announced (ms; 0, the default,
  // announces them as they come).  On a slow line the bytes of a burst then come in one
  // trigger event instead of one each, and their arrival times stay those of the line (see
  // TSioBaseDispatcher::SetReceiveLatency).  Sending is never held back.
  std::uint16_t ReceiveLatencyMs() const { return FReceiveLatencyMs; }
  void SetReceiveLatencyMs(std::uint16_t value);

  // The ten trigger events; setting any of them tells an open dispatcher whether the port
  // wants trigger messages at all.
  void SetOnTrigger(TTriggerEvent handler);
  void SetOnTriggerAvail(TTriggerAvailEvent handler);
  void SetOnTriggerData(TTriggerDataEvent handler);
  void SetOnTriggerStatus(TTriggerStatusEvent handler);
  void SetOnTriggerTimer(TTriggerTimerEvent handler);
  void SetOnTriggerLineError(TTriggerLineErrorEvent handler);
  void SetOnTriggerModemStatus(TNotifyEvent handler);
  void SetOnTriggerOutbuffFree(TNotifyEvent handler);
  void SetOnTriggerOutbuffUsed(TNotifyEvent handler);
  void SetOnTriggerOutSent(TNotifyEvent handler);
  void SetOnWaitChar(TWaitCharEvent handler) { FOnWaitChar = std::move(handler); }
  const TTriggerEvent& OnTrigger() const { return FOnTrigger; }

  // ---- State that is not published ----
  TPortIdentity Identity() const { return {this, FSerial}; }
  // Trigger messages of this port being handled on the stack (0 outside its events).
  int EventDepth() const { return FEventDepth; }
  // Read off the line's stage (TLineStage): closed without a line or before it opened, open
  // while the line is in use (a lost line too, until the port has closed it), closing from
  // the start of a close until the line is released and let go of.
  TPortState PortState() const;
  bool ForceApply() const { return FForceApply; }
  // A reopen asked for while closing: Open reads True and the port opens once it is closed.
  bool ReopenPending() const { return FOpen && PortState() == psClosing; }
  bool OpenOnLoad() const { return FOpenOnLoad; }
  bool SavedTriggersValid() const { return FSavedTriggersValid; }
  const TSavedTriggers& SavedTriggers() const { return FSavedTriggers; }
  // The hidden notification window; 0 unless the port is open or closing.
  TWindowHandle ComWindow() const { return FComWindow; }
  static bool IsAllowedDeviceLayer(TDeviceLayer layer) { return layer == dlWin32; }
  std::uint16_t TapiDeviceHandle() const { return FTapiDeviceHandle; }
  void SetTapiDeviceHandle(std::uint16_t value) { FTapiDeviceHandle = value; }
  std::uint8_t ThreadPriorityBoost() const { return FThreadPriorityBoost; }
  void SetThreadPriorityBoost(std::uint8_t value);
  // Unread received bytes at which the avail trigger fires; 0 switches it off.
  std::uint16_t AvailTriggerLength() const { return FAvailTriggerLength; }
  void SetAvailTriggerLength(std::uint16_t value);
  void SetOnPortOpened(TNotifyEvent handler) { FOnPortOpened = std::move(handler); }
  void SetOnPortClosed(TNotifyEvent handler) { FOnPortClosed = std::move(handler); }
  // Raised once when the device of the open port failed for good (a pulled USB adapter, a
  // closed pseudo-terminal peer, a device that hung up), on the port's thread, after the port
  // has closed as ClosePort does (a running trace or log is written out; Open reads False).
  // Setting Open True afterwards opens the device again once it is back.  Not raised for a
  // line that the port closes itself.
  void SetOnLineLost(TLineLostEvent handler) { FOnLineLost = std::move(handler); }
  const TLineLostEvent& OnLineLost() const { return FOnLineLost; }

  // The device path of the last open (the one in use while the port is open).
  const std::string& DeviceName() const { return FDeviceName; }
  // Why the last open failed, with the message it raised; Problem opNone after an open that
  // worked.
  const TOpenFailure& LastOpenFailure() const { return FLastOpenFailure; }

  // Open/close listeners, told last-registered first.  A window gets PortOpenedMsg after an
  // open and PortClosingMsg before a close (wParam 0, lParam 0); a method is called with
  // (port, true) and (port, false).  Removal takes the first entry for the window or identity.
  void AddPortListener(TWindowHandle window);
  void AddPortListener(const void* identity, TPortListenerMethod method);
  void RemovePortListener(TWindowHandle window);
  void RemovePortListener(const void* identity);
  int PortListenerCount() const { return static_cast<int>(FPortListenerList.size()); }

  // The procedure of the "sioComWindow" class: turns trigger messages into the port's
  // events, completes a deferred close and closes a port whose line was lost (LineLostMsg).
  // Runs on the thread that owns the window.
  static TMessageResult ComWindowProc(TWindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam);

 protected:
  // ---- Overridable operations, in slot order ----
  // Makes the dispatcher for EffectiveDeviceLayer and TapiMode: the POSIX one, the socket
  // one, or ENullApi for any other layer.  A test port may return a subclass of either.
  virtual std::unique_ptr<TSioBaseDispatcher> CreateDispatcher();
  virtual void DeviceLayerChanged() {}
  // Opens the line with the current settings; 0 or the dispatcher's negative code.
  virtual int InitPort();
  // On: creates ComWindow and registers it as the dispatcher's trigger handler.
  // Off: deregisters and destroys it.
  virtual void SetComWindow(bool on);
  // Asks for a port number through the port selection dialog when ComNumber is 0.
  virtual void ValidatePortNumber();
  virtual void FireTrigger(std::uint16_t Msg, std::uint16_t TriggerHandle, std::uint16_t Data);
  virtual void FireTriggerAvail(std::uint16_t Count);
  virtual void FireTriggerData(std::uint16_t TriggerHandle);
  virtual void FireTriggerStatus(std::uint16_t TriggerHandle);
  virtual void FireTriggerTimer(std::uint16_t TriggerHandle);
  // While open: tells the dispatcher whether any of the ten trigger events is assigned.
  virtual void RefreshTriggerHandling();
  virtual void FireTriggerLineError(std::uint16_t Error, bool LineBreak);
  virtual void FireTriggerModemStatus();
  virtual void FireTriggerOutbuffFree();
  virtual void FireTriggerOutbuffUsed();
  virtual void FireTriggerOutSent();
  virtual void FireWaitChar(char C);
  // Closes the line.  From inside a trigger event the release of the dispatcher and window
  // waits for the posted PortCloseMsg, and the port stays psClosing until then.
  virtual void ClosePort();
  virtual void OpenPort();
  virtual void NotifyPortOpened();
  virtual void NotifyPortClosing();
  virtual void FireLineLost(int Error);
  // LineLostMsg from the dispatcher: closes the port and raises OnLineLost.
  void LineLost(int systemError);

  // Sets ForceApply for its lifetime and restores the earlier value on every way out.
  class TForceApplyScope {
   public:
    explicit TForceApplyScope(bool& flag) : FFlag(flag), FSaved(flag) { FFlag = true; }
    ~TForceApplyScope() { FFlag = FSaved; }
    TForceApplyScope(const TForceApplyScope&) = delete;
    TForceApplyScope& operator=(const TForceApplyScope&) = delete;

   private:
    bool& FFlag;
    bool FSaved;
  };

  // Raises for a negative code (returns it while loading).
  int Check(int code) const;
  // Raises Exception unless called on the thread that created the port.
  void CheckOwnerThread() const;
  // While open: sends Baud, Parity, DataBits and StopBits to the dispatcher.
  void SendLineParams();
  // Releases the window and the dispatcher of a closing port: psClosed.
  void FinishClose();
  // After a close has completed: opens the port again when Open was set True meanwhile
  // (ReopenPending), unless the port is being destroyed.
  void ReopenIfAsked();
  // PortCloseMsg: completes the deferred close once the workers have ended.
  void CompleteDeferredClose(TWindowHandle window, std::intptr_t lParam);
  // Runs the events of one trigger message while the port is open.
  void RaiseTriggerEvents(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  bool AnyTriggerEventAssigned() const;
  void WalkListeners(bool opened);

  // ---- Fields ----
  // The line's life is not kept here: the dispatcher's line stage tells it (PortState).  What
  // the port keeps of its own is the owner's wish (FOpen), and two facts about its own
  // thread and object that no line knows: how deep its events are on the stack
  // (FEventDepth), and that it is being destroyed (FDestroying).
  bool FForceApply = false;
  std::int64_t FLastReadArrivalNs = 0;
  bool FOpenOnLoad = false;
  std::vector<TPortListener> FPortListenerList;
  bool FSavedTriggersValid = false;
  TSavedTriggers FSavedTriggers;
  TWindowHandle FComWindow = 0;
  TDeviceLayer FDeviceLayer = dlWin32;
  std::unique_ptr<TSioBaseDispatcher> FDispatcher;
  std::uint16_t FComNumber = 0;
  std::int32_t FBaud = 19200;
  TParity FParity = pNone;
  std::uint16_t FDataBits = 8;
  std::uint16_t FStopBits = 1;
  std::uint16_t FInSize = 4096;
  std::uint16_t FOutSize = 4096;
  // The owner's wish: open, or, while the port is closing, open again once it is closed
  // (Open reads False then).
  bool FOpen = false;
  bool FPromptForPort = true;
  bool FAutoOpen = true;
  std::uint16_t FCommNotificationLevel = 10;
  std::uint16_t FTapiDeviceHandle = 0;
  TTapiMode FTapiMode = tmAuto;
  bool FRS485Mode = false;
  std::uint16_t FReceiveLatencyMs = 0;
  std::uint8_t FThreadPriorityBoost = 0;
  bool FDTR = true;
  bool FRTS = true;
  std::uint16_t FBufferFull = 0;
  std::uint16_t FBufferResume = 0;
  THWFlowOptionSet FHWFlowOptions;
  TSWFlowOptions FSWFlowOptions = swfNone;
  char FXOnChar = 17;
  char FXOffChar = 19;
  TTraceLogState FTracing = tlOff;
  std::uint32_t FTraceSize = 10000;
  std::string FTraceName = "SIO.TRC";
  bool FTraceHex = true;
  bool FTraceAllHex = false;
  TTraceLogState FLogging = tlOff;
  std::uint32_t FLogSize = 10000;
  std::string FLogName = "SIO.LOG";
  bool FLogHex = true;
  bool FLogAllHex = false;
  bool FUseMSRShadow = true;
  bool FUseEventWord = true;
  std::uint16_t FAvailTriggerLength = 1;
  TTriggerEvent FOnTrigger;
  TTriggerAvailEvent FOnTriggerAvail;
  TTriggerDataEvent FOnTriggerData;
  TTriggerStatusEvent FOnTriggerStatus;
  TTriggerTimerEvent FOnTriggerTimer;
  TTriggerLineErrorEvent FOnTriggerLineError;
  TNotifyEvent FOnTriggerModemStatus;
  TNotifyEvent FOnTriggerOutbuffFree;
  TNotifyEvent FOnTriggerOutbuffUsed;
  TNotifyEvent FOnTriggerOutSent;
  TNotifyEvent FOnPortOpened;
  TNotifyEvent FOnPortClosed;
  TWaitCharEvent FOnWaitChar;
  TLineLostEvent FOnLineLost;
  std::string FDeviceName;
  TOpenFailure FLastOpenFailure;
  // Trigger messages being handled for this port on the stack (ComWindowProc): a close or
  // destruction there cannot wait for the workers, whose delivery waits for the event.
  int FEventDepth = 0;
  // The destructor runs: nothing opens the port again, and a handler that its close runs
  // may not destroy it a second time.
  bool FDestroying = false;
  const std::uint64_t FSerial;
  const std::thread::id FOwnerThread;

 private:
  // The trace (log = false) or log state machine for a new state.
  void ApplyRecorderState(bool log, TTraceLogState value);
  // Restarts an open trace or log with the new size.
  void RestartRecorder(bool log);
};

// The class a form description creates; it publishes the properties and adds nothing.
class TSioComPort : public TSioCustomComPort {
 public:
  using TSioCustomComPort::TSioCustomComPort;
  std::string ClassName() const override { return "TSioComPort"; }
};

// Whether that very port still lives (not merely a port at that address).  Any thread.
bool IsLivePort(const TPortIdentity& port);
