// The dispatcher: one open serial line on behalf of one port component.
//
// It owns the device (through the device operations a device layer supplies), a shadow of
// the device settings, the 8192-byte input ring, the output ring, three locks, the worker
// threads, the trigger and handler lists, and the trace and log recorders.
//
// Threads.  Four threads come here: the thread that owns the port (the main thread: open,
// close, settings, WriteBlock, and ReadBlock inside trigger events), the dispatch worker
// (FillInRing, the refreshes, trigger checks and deliveries), the event worker (device
// waits) and the output worker (drains the output ring).
//
// Locks, all recursive:
//   InputLock   the input ring (FInRing), the delivery ledger (FLedger), the arrival marks.
//   OutputLock  the output ring (FOutRing); status reads feeding the counts.
//   MainLock    DeviceSettings read-modify-write, modem and line-error taking, the trigger
//               table (FTriggers: triggers and handler lists), the line's stage (FLine) and
//               the deliverer, worker start and stop, trace and log.
// Order: InputLock -> OutputLock, InputLock -> MainLock.  OutputLock is released before
// MainLock is taken, and nothing takes InputLock or OutputLock while holding MainLock.
// No dispatcher lock is held while a trigger handler runs, and none while a thread waits
// for the workers to end: HaltWorkers takes MainLock only to test and set its flags, so a
// pass of the dispatch worker that needs MainLock always finishes and the worker can end.
// The device layer's descriptor guard (SioPosix) is innermost: nothing is taken under it.
//
// Waking the dispatch worker.  It waits for DeviceEventSignal before each pass: at most
// 50 ms while a pass may find work that nothing announces (an armed timer, modem or
// line-error trigger; a full input ring or a failed read, which leave bytes in the device; no
// event worker), else without limit.  Everything else that gives a pass work asks for one
// through WakeDispatchWorker: the event worker after a device event (AskForEventPass; it
// waits on DispatchDoneSignal, which only the pass it asked for sets); the output worker when
// the output ring shrinks, and a purge that empties it, while an armed output-free or
// output-used trigger may hold; WriteBlock while an output-sent trigger is armed; arming a
// trigger (see AskForArmedCheck for arming from a handler) or changing the avail threshold; a
// reader that frees a full input ring; the event worker's end.  Requests made before the worker wakes are merged into one
// (FDispatchWakePending); the worker takes the request before its pass, so one made during a
// pass brings another pass.  WakeDispatchWorker takes no dispatcher lock (the signal is one
// atomic word and a futex wake), so it may be called under any of them.  What a pass does is the same
// whatever woke it.
//
// Calling order: constructor, OpenLine, any I/O and settings calls, CloseLine, destructor.
// Results: 0 or a count on success, a negative error code (common/SioErrorCodes.h) on failure.
//
// What may be called from where.  "The owner" is the thread that created the dispatcher (for
// a port's dispatcher, the port's thread).  "Inside a delivery" means in a handler of a
// trigger delivery in progress: a procedure or method handler on the dispatch worker, or a
// synchronized method handler or window handler on the thread that runs it while the worker
// waits (InsideDelivery() tells).
//   - Any thread, also inside a delivery: the byte I/O and counts (ReadBlock, WriteBlock,
//     InCount, OutUsed, OutFree, PurgeInput, PurgeOutput), settings, line control, modem and
//     line-error calls, trigger and handler registration, trace and log.  They lock inside.
//     A ReadBlock from outside a delivery while one is in progress takes bytes for good and
//     the delivery's handlers do not see them (see ReadBlock); InCount counts likewise.
//   - The owner only: the constructor, OpenLine, the destructor.
//   - CloseLine: the owner, or inside a delivery; there the release waits until the
//     delivery has returned (CloseRequested) and the dispatch worker ends.
//   - Not inside a delivery: HaltWorkers and ReleaseBuffers (they wait for the workers, and
//     the dispatch worker waits for the caller), which raise Exception there; destroying
//     the dispatcher, which cannot be completed there and aborts the process with a message.
//     A port defers the release of its dispatcher in that case instead.
#pragma once

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <cstdint>
#include <string>
#include <vector>

#include "dispatch/SioArrivalTimes.h"
#include "dispatch/SioDeliveryLedger.h"
#include "dispatch/SioLineState.h"
#include "dispatch/SioLog.h"
#include "dispatch/SioRings.h"
#include "dispatch/SioTrace.h"
#include "dispatch/SioTriggerTable.h"
#include "dispatch/SioTypes.h"
#include "platform/Sync.h"
#include "platform/Thread.h"

class TSioCustomComPort;
class TSioDispatcherThread;
class TReadNotice;
class TSioSysCalls;

// The dispatch worker's wait while a pass may find work nothing announces (ms): the bound
// on the latency of timer triggers.
constexpr std::uint32_t kDispatchPassMs = 50;

class TSioBaseDispatcher {
 public:
  // Registers the dispatcher in DispatcherRegistry (lowest empty slot); `port` may be null
  // (a probe's temporary dispatcher).
  explicit TSioBaseDispatcher(TSioCustomComPort* port);
  virtual ~TSioBaseDispatcher();
  TSioBaseDispatcher(const TSioBaseDispatcher&) = delete;
  TSioBaseDispatcher& operator=(const TSioBaseDispatcher&) = delete;

  // ---- Device operations, supplied by a device layer (slots 0..17) ----
  // Those with a body here are what every device layer with the three workers does; a
  // layer overrides them only when it does something else.
  virtual int DeviceEscape(int function) = 0;                              // 0
  virtual int DevicePurge(int queue) = 0;                                  // 1: 1 input, 0 output
  virtual std::uint32_t DeviceReadStatus(TDeviceStatus& status) = 0;       // 2: error bits
  // 3: nothing to do: a failed read leaves its bytes in the device, and the timed passes
  // try again.
  virtual int DeviceReadFailed(int) { return 0; }
  virtual int DeviceGetSettings(TDeviceSettings& settings) = 0;            // 4: 0 or -1
  virtual int DeviceRead(std::uint8_t* buffer, std::uint32_t count) = 0;   // 5: bytes read
  virtual int DeviceSetSettings(const TDeviceSettings& settings) = 0;      // 6: 0 or -error
  // 7: count (see WriteOrQueue).
  virtual int DeviceWrite(const std::uint8_t* bytes, std::uint32_t count) { return WriteOrQueue(bytes, count); }
  // 8: waits for a device event (event worker).  True with the event bits in `eventWord`
  // when the wait completed (eventWord 0 when it was cancelled by an empty event mask or a
  // close); false when the wait failed (hang-up, device error): the event worker then ends.
  virtual bool DeviceWaitEvent(std::uint32_t& eventWord) = 0;
  // 9: the device's own queue sizes are only recorded.
  virtual bool DeviceSetQueues(std::uint32_t, std::uint32_t) { return true; }
  virtual void ReleaseBuffers();                                           // 10
  virtual void StartWorkers() { StartWorkerThreads(); }                    // 11
  // 12: stops the workers and waits for them to end (not inside a delivery).
  virtual void HaltWorkers();
  // 13: a descriptor (>= 0), -1 (the platform error is in GetLastError()), or -8.
  virtual int DeviceOpen(const std::string& name, std::uint32_t inSize, std::uint32_t outSize) = 0;
  virtual int DeviceClose() = 0;                                           // 14: 0 or -1
  virtual int DeviceIdle();                                                // 15: gives up the processor
  virtual void SetWorkerBoost(std::uint8_t boost);                         // 16
  virtual void UpdateHandlerState(std::uint8_t mode);                      // 17: 0, 1, 2

  // ---- Line ----
  int OpenLine(const std::string& name, std::uint32_t baud, std::uint8_t parity,
               std::uint8_t dataBits, std::uint8_t stopBits, std::uint32_t inSize,
               std::uint32_t outSize, std::uint32_t options);
  void CloseLine();
  // The owner has begun to close the line (it tells its own listeners before it calls
  // CloseLine): the stage is closing, and the workers and deliveries go on until CloseLine.
  // Nothing when the line is not in use.
  void BeginClose() { FLine.MoveTo(lsClosing); }

  // ---- Byte I/O (any thread) ----
  // count or -3007 (fewer unread, nothing taken).  During a delivery of bytes a handler of it
  // reads what every handler sees; anyone else takes the bytes after all that the handlers
  // have taken so far, and the rest of the delivery skips them.  `arrivalNs`, when given, gets
  // when the last byte read arrived (dispatch/SioArrivalTimes.h; monotonic ns).
  int ReadBlock(std::uint8_t* buffer, std::uint32_t count, std::int64_t* arrivalNs = nullptr) {
    return ReadInput(buffer, count, count, arrivalNs, false);
  }
  // As ReadBlock, but takes what there is of `count` bytes: the number taken, 0 when none.
  // `arrivalNs` (count entries) gets when each byte taken arrived.
  int ReadAvailable(std::uint8_t* buffer, std::uint32_t count, std::int64_t* arrivalNs) {
    return ReadInput(buffer, 0, count, arrivalNs, true);
  }
  int WriteBlock(const std::uint8_t* bytes, std::uint32_t count);  // 0, -3004, -3006, -3010
  std::uint32_t InCount();
  std::uint32_t OutUsed();
  std::uint32_t OutFree();
  int SetQueueSizes(std::uint32_t inSize, std::uint32_t outSize);
  int PurgeInput();
  int PurgeOutput();

  // ---- Settings ----
  int SetLineParams(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits, std::uint8_t stopBits);
  void GetLineParams(std::uint32_t& baud, std::uint8_t& parity, std::uint8_t& dataBits, std::uint8_t& stopBits);
  int SetHandshake(std::uint32_t bufferFull, std::uint32_t bufferResume, std::uint32_t options);
  int SetSoftwareFlow(std::uint32_t bufferFull, std::uint32_t bufferResume, std::uint32_t options);
  int ClearSoftwareFlow();
  int SetFlowChars(std::uint8_t xon, std::uint8_t xoff);
  int GetFlowSettings(std::uint32_t& hwOptions, std::uint32_t& swOptions, std::uint8_t& xon, std::uint8_t& xoff);
  int SetDtr(bool on);
  int SetRts(bool on);
  static std::uint32_t MapBaudCode(std::uint32_t code);
  // How long received bytes may wait in the device before they are announced, so that those
  // of a slow line come in one pass rather than one pass each (ms; 0, the default, announces
  // them as they come).  See TGatherRule (dispatch/SioDescriptorWaits.h).  Any thread; the
  // next bytes after the change follow it.
  void SetReceiveLatency(std::uint32_t ms) { FReceiveLatencyMs = ms; }

  // ---- Modem state and line errors ----
  std::uint8_t ReadModemState(std::uint8_t keepMask);
  void RefreshModemState();
  void RefreshLineErrors();
  int TakeLineError();
  bool TakeBreak();

  // ---- Options ----
  void SetRs485(bool on);
  void SetOptionBits(std::uint32_t bits);
  void ClearOptionBits(std::uint32_t bits);

  // ---- Triggers and handlers ----
  void SaveTriggers(TSavedTriggers& saved);
  void RestoreTriggers(const TSavedTriggers& saved);
  static void FreeSavedTriggers(TSavedTriggers& saved);
  void ClearAllTriggers();
  void SetAvailThreshold(std::uint32_t count);
  void AddWindowHandler(TWindowHandle window);
  void RemoveWindowHandler(TWindowHandle window);
  void AddProcedureHandler(TTriggerProc proc);
  void RemoveProcedureHandler(TTriggerProc proc);
  void AddMethodHandler(const void* identity, TTriggerMethod method, bool synchronized);
  void RemoveMethodHandler(const void* identity);
  // Registration of triggers.  Add returns the new handle (> 0) or a negative code:
  // -5001 no more trigger slots (handles exhausted), -5002 data trigger too long or empty,
  // -5003 bad trigger handle.  Timer and status triggers are added disarmed.
  int AddDataTrigger(const std::uint8_t* text, std::uint32_t length, bool ignoreCase);
  int AddTimerTrigger();
  int AddStatusTrigger(std::uint32_t kind);
  int SetTimerTrigger(std::uint32_t handle, std::uint32_t ticks55ms, bool activate);
  int SetStatusTrigger(std::uint32_t handle, std::uint16_t value, bool activate);
  int RemoveTrigger(std::uint32_t handle);
  void ResetMatchState();
  void ResetStatusFired();

  // ---- Trace and log (under MainLock) ----
  int TraceCreate(std::uint32_t capacity);
  int TraceReset();
  void TraceDiscard();
  void TraceResume();
  void TracePause();
  void TraceRecord(char kind, std::uint8_t value);
  int TraceWrite(const std::string& fileName, bool append, bool hex, bool allHex);
  int LogCreate(std::uint32_t size);
  int LogReset();
  void LogDiscard();
  void LogResume();
  void LogPause();
  void LogRecord(std::uint8_t kind, std::uint8_t subkind, std::uint32_t data,
                 const std::uint8_t* block = nullptr, std::uint32_t length = 0);
  int LogWrite(const std::string& fileName, bool append, bool hex, bool allHex);

  // ---- Workers ----
  // Called by each worker as the last thing its body does.
  void WorkerEnded(TSioDispatcherThread* worker);

  // ---- A line that failed for good (SioLineLost.cpp) ----
  // The device failed for good (it hung up, or reports I/O errors): from then on WriteBlock
  // refuses with -3004 instead of queueing bytes nobody will send, and the output worker
  // keeps what it could not send.  Any worker; the first error given is kept.
  void MarkLineLost(int systemError);
  // The event worker's end after a failed device wait: marks the line lost, lets the
  // dispatch worker make one more pass (so what was received before is delivered first),
  // then posts LineLostMsg once to every window handler, or, when there is none yet (the
  // port is still opening), to the first one added.  Nothing is posted when the line is
  // being closed anyway.  Event worker only; it ends right after.
  void ReportLineLost(int systemError);
  // The system error the line was lost with; 0 while it works.  Any thread.
  int LineLostError() const { return FLineLostError.load(); }

  // ---- State read by the port and the tests ----
  // The owning port; null for a probe's dispatcher and once the port has let go of it.
  // Read under DispatcherRegistryLock.
  TSioCustomComPort* PortComponent() const { return FPortComponent; }
  // A port destroyed while this dispatcher still has to wait for its workers lets go of
  // it: trigger messages for it then reach nobody.  Takes DispatcherRegistryLock.
  void DetachPortComponent();
  // Whether the calling thread runs a handler of the delivery in progress (any thread).
  bool InsideDelivery() const;
  int RegistryIndex() const { return FRegistryIndex; }
  int DeviceHandle() const { return FDeviceHandle; }
  // The line's stage (see SioLineState.h); any thread.
  TLineStage LineStage() const { return FLine.Stage(); }
  // A delivery is in progress (its handlers run).
  bool Dispatching() const { return FLedger.Deliverer() != nullptr; }
  // Some worker has not made its last access yet: the dispatcher may not be destroyed.
  bool WorkersRunning() const { return FWorkersRunning.load(); }
  // A close asked for during a delivery is waiting for it to return.
  bool CloseRequested() const { return FLine.Stage() == lsCloseRequested; }
  std::uint32_t AvailThreshold() const { return FTriggers.AvailThreshold(); }
  std::uint32_t OptionBits() const { return FOptionBits; }
  std::uint32_t LineErrors() const { return FLineErrors.load(); }
  bool HandlersPresent() const { return FTriggers.HandlersPresent(); }
  bool PortEventsWanted() const { return FTriggers.PortEventsWanted(); }

 protected:
  friend class TSioDispatcherThread;
  friend class TComThread;
  friend class TDispThread;
  friend class TOutThread;

  // ---- Dispatch worker passes ----
  // Asks the dispatch worker for a pass now rather than at the end of its wait; any thread,
  // under any lock or none.  Repeated requests before it wakes make one pass.
  void WakeDispatchWorker();
  // Dispatch worker: takes the pending request (before a pass).
  void TakeDispatchWake() {
    FDispatchWakePending.exchange(false);
    FAnswerEventWorker = FEventWorkerAsked.exchange(false);
    FOutputMovesAtPass = FOutputMoves.load();
  }
  // Event worker: asks for the pass that reads what its wait saw, and the answer on
  // DispatchDoneSignal once that pass is done.
  void AskForEventPass() {
    FEventWorkerAsked = true;
    WakeDispatchWorker();
  }
  // Dispatch worker: how long to wait before the next pass when nobody asks for one (ms).
  std::uint32_t DispatchWaitLimit();
  // Under MainLock, after the timer or status triggers changed: what the waits and the
  // output worker need to know of them (FTimedPasses, FWatchOut...).
  void RefreshTriggerWatch();
  // Under OutputLock, after the output ring shrank (sent or emptied): wakes the dispatch
  // worker when an armed output trigger may hold now.
  void WatchOutputDrain();
  // Under OutputLock: bytes went to the device or were thrown away (see AskForArmedCheck).
  void NoteOutputMoved() { ++FOutputMoves; }
  // After a trigger was armed (under MainLock): asks for the pass that checks it.  From a
  // handler of the running pass no wake-up is needed for timer, modem and line-error
  // triggers (the worker looks at them when the pass ends); an output trigger armed there
  // is checked by the next pass at once when the output moved during this pass, else within
  // 50 ms, so that a handler that re-arms a trigger that still holds, without writing, is
  // told again 20 times a second as before, not in a loop.
  void AskForArmedCheck(bool outputKind);
  void EventPass();
  void TimerPass();
  // The bytes it read (0 also when the ring is full, or when nothing unread can be there).
  std::uint32_t FillInRing();
  bool CheckDataTriggers();
  bool CheckStatusTriggers();
  bool CheckTimerTriggers();
  bool DeliverTrigger(std::uint32_t message, std::uintptr_t wParam, std::uint16_t data);
  std::uint32_t CountBefore(std::uint32_t position, std::uint32_t length);
  // Who reads from the input ring (see TDeliveryLedger); under InputLock.
  TDeliveryLedger::TReader CurrentReader() const {
    return FLedger.Reading() ? FLedger.ReaderFor(InsideDelivery()) : TDeliveryLedger::rdPlain;
  }
  // Takes `most` bytes, or fewer as long as `least` are unread (else -3007, nothing taken).
  // `arrivalNs` gets the time of each byte taken (`eachByte`) or of the last one.
  int ReadInput(std::uint8_t* buffer, std::uint32_t least, std::uint32_t most, std::int64_t* arrivalNs,
                bool eachByte);
  void WaitOutputDrained();
  int ApplySettings(TDeviceSettings& settings);
  // The line is set as `settings` say: FCharacterNs follows.
  void NoteCharacterTime(const TDeviceSettings& settings);

  // ---- The receive latency (SioGather.cpp) ----
  // Event worker, in a device layer's wait, for bytes waiting on the device's descriptor that
  // are news: lets them gather (GatherBytes, with the close signal, guard and end events of
  // the layer's own wait) while the latency is set, and leaves the times it saw them come
  // for the read that takes them.  False when a close or halt ended the gather: the wait
  // completes with no events, as its own poll would have.
  bool GatherReceived(TSioSysCalls& sys, TEvent& closeSignal, std::shared_mutex& fdGuard, short endEvents,
                      const TReadNotice& reads);

  // ---- Shared pieces of the device layers ----
  // The platform's modem line levels as ModemState's high nibble (MS_CTS_ON ...); 0 when the
  // device has no modem lines.  Called under MainLock.
  virtual std::uint32_t DeviceModemLevels() { return 0; }
  // The output worker's drain: sends what OutputRing holds (see TOutThread).  The base
  // sends nothing; a device layer that runs an output worker overrides it.
  virtual void DrainOutputRing() {}
  // DeviceWrite of a device layer with an output worker: a block queued while the output
  // ring is empty goes to the device at once (WriteAtOnce), on the caller's thread, and what
  // the device does not take is copied into the ring for the output worker.  Returns count,
  // or 0 when the device is gone (the line was marked lost).
  int WriteOrQueue(const std::uint8_t* bytes, std::uint32_t count);
  // Under OutputLock, the output ring empty: sends what the device takes of the block now,
  // never waiting; the count it took.  `gone`: the device is gone and nothing was taken.
  // The base takes nothing.
  virtual std::uint32_t WriteAtOnce(const std::uint8_t*, std::uint32_t, bool& gone) {
    gone = false;
    return 0;
  }
  // The line-error bits DeviceReadStatus would return, without the byte counts (a device
  // layer saves the system call that counts the bytes waiting in).  Under OutputLock.
  virtual std::uint32_t DeviceReadLineErrors();
  // DeviceReadLineErrors under OutputLock.
  std::uint32_t ReadLineErrorBits();
  // The drain's run: under OutputLock, the bytes to send next (see TOutputRing::TakeRun)
  // and the ring's generation; false when the ring is empty.
  bool TakeOutputRun(const std::uint8_t*& data, std::uint32_t& run, std::uint32_t& generation);
  // Under OutputLock: n (> 0) bytes of the run were sent.  Ignored when the ring was
  // emptied (purged) since the run was taken.
  void AdvanceOutputRing(std::uint32_t n, std::uint32_t generation);
  // Output worker side of a stop request: counts it and acknowledges.
  void AcknowledgeOutputStop();
  // Asks a running output worker to leave its drain and waits for its acknowledgement
  // (no limit while the worker lives), then empties the output ring.
  void StopOutputAndEmptyRing();
  // Runs the calling thread's messages until `done` holds, so that a delivery the dispatch
  // worker is making to this thread can finish while it waits.
  static void PumpUntil(const std::function<bool()>& done);
  // Completes a pending device wait (the empty event mask of the event worker) and the
  // output worker's wait for a writable device; any thread, under no dispatcher lock.
  virtual void CancelDeviceWait() = 0;
  // The first step of a device layer's DeviceClose: workers still running are told to stop
  // and every device wait is completed, so that none holds the device any longer.
  void CancelWorkersForClose();
  // Creates and starts the three workers (the StartWorkers of every device layer).
  void StartWorkerThreads();
  // The signals are closed once the workers have ended (or never started).
  void CloseSignals();
  // Closes the line and waits out a deferred release; called by the most derived
  // destructor while the device operations still exist.
  void ShutDown();
  // Whether the calling thread is one of this dispatcher's workers.
  bool CalledByOwnWorker() const;
  // Posts LineLostMsg to `window`; under MainLock.  False when the window is gone.
  bool PostLineLost(TWindowHandle window);

  // ---- Fields ----
  TSioCustomComPort* FPortComponent;
  int FRegistryIndex = -1;
  int FDeviceHandle = -1;
  std::atomic<std::uint32_t> FLineErrors{0};
  std::uint32_t FDeviceInSize = 0;
  std::uint32_t FModemState = 0;
  TDeviceSettings FDeviceSettings;
  std::uint32_t FCurrentBaud = 0;
  // One character's time on the line as last set (ns); 0 before the line is set.  Any thread.
  std::atomic<std::int64_t> FCharacterNs{0};
  std::atomic<std::uint32_t> FReceiveLatencyMs{0};
  std::uint32_t FOptionBits = 0;
  bool FDtrOn = false, FDtrByHandshake = false, FRtsOn = false, FRtsByHandshake = false;
  bool FRs485Active = false;
  std::uint16_t FUartBaseAddress = 0;
  // The triggers and their handlers; under MainLock (see TTriggerTable for its exceptions).
  TTriggerTable FTriggers;
  std::uint32_t FMatchScanPos = 0;
  bool FStatusFiredThisPass = false;
  // Who read what during the delivery in progress, and who delivers; under InputLock (see
  // TDeliveryLedger for its exceptions).
  TDeliveryLedger FLedger;
  std::uint32_t FInputPurges = 0;     // under InputLock: purges so far
  std::uint32_t FPurgesSeen = 0;      // the dispatch worker's: purges its trigger checks allowed for
  std::uint32_t FLastAvailHead = 0;
  // FInRing.Arrived() where the last avail notification was (the dispatch worker's).
  // Whether bytes arrived since is told by it: the positions are equal again once a whole
  // ring came.
  std::uint64_t FLastAvailArrived = 0;
  TSioArrivalTimes FArrivals;  // under InputLock: when the bytes counted by FInRing.Arrived() came
  std::atomic<TSioDispatcherThread*> FEventWorker{nullptr};
  std::atomic<TSioDispatcherThread*> FDispatchWorker{nullptr};
  std::atomic<TSioDispatcherThread*> FOutputWorker{nullptr};
  std::uint8_t FWorkerBoost = 0;
  TRecursiveLock MainLock;
  TRecursiveLock OutputLock;
  TRecursiveLock InputLock;
  // The six signals live from OpenLine until the workers are halted (null otherwise).
  std::unique_ptr<TThreadSignal> DeviceEventSignal;   // auto: pass requests -> dispatch worker
  std::unique_ptr<TThreadSignal> DispatchDoneSignal;  // auto: dispatch worker -> event worker
  std::unique_ptr<TEvent> WorkerAckSignal;     // auto: worker acknowledgements
  std::unique_ptr<TEvent> OutputReadySignal;   // auto: DeviceWrite -> output worker
  std::unique_ptr<TEvent> WriteDoneEvent;      // manual: device writable again
  std::unique_ptr<TEvent> OutputStopSignal;    // auto: purge / halt -> output worker
  std::atomic<std::uint32_t> FDeviceEventWord{0};
  std::atomic<bool> FRingLatch{false};
  TOutputRing FOutRing;  // under OutputLock
  TInputRing FInRing;    // under InputLock; its head moved only by the dispatch worker
  std::atomic<bool> FOutputSentPending{false};
  TTraceQueue Trace;                           // under MainLock
  TDispatchLog Log;                            // under MainLock
  std::atomic<bool> FTraceOn{false};           // mirrors Trace.On() for the producers' quick test
  std::atomic<bool> FLogOn{false};             // mirrors Log.On()
  std::uint32_t FOpenTime = 0;
  // The line's stage; moved under MainLock.
  TLineState FLine;
  // Workers started and not yet past their last access (FLiveWorkerCount of them).
  std::atomic<bool> FWorkersRunning{false};
  std::atomic<int> FLiveWorkerCount{0};
  std::atomic<std::uint32_t> FOutputStopAcks{0};  // stop requests the output worker answered
  std::atomic<int> FLineLostError{0};              // see MarkLineLost
  bool FLineLostUntold = false;  // under MainLock: the loss was reported to no window yet
  // A pass was asked for and the dispatch worker has not taken the request yet.
  std::atomic<bool> FDispatchWakePending{false};
  // The event worker asked for a pass (AskForEventPass) and waits for its end.  Only such a
  // pass sets DispatchDoneSignal: a pass anyone else asked for, ending while the event worker
  // waits in poll(), would leave the signal set, and the event worker's next wait would
  // return before the pass it asked for had read the bytes.
  std::atomic<bool> FEventWorkerAsked{false};
  bool FAnswerEventWorker = false;  // dispatch worker: the running pass answers the event worker
  // Written under MainLock by RefreshTriggerWatch, read by any thread without it:
  std::atomic<bool> FTimedPasses{false};            // a timer, modem or line-error trigger is armed
  std::atomic<std::uint32_t> FWatchOutFree{kNoOutFreeWatch};  // least armed output-free value
  std::atomic<std::int32_t> FWatchOutUsed{-1};      // largest armed output-used value; -1 none
  std::atomic<bool> FWatchOutSent{false};           // an output-sent trigger is armed
  bool FReadFailed = false;  // dispatch worker: the last device read of a pass failed
  bool FInputLeftBehind = false;  // dispatch worker: the last read filled the ring (more may wait)
  std::atomic<std::uint32_t> FOutputMoves{0};       // NoteOutputMoved calls so far
  std::atomic<std::uint32_t> FOutputMovesAtPass{0};  // their number when the running pass began
  std::atomic<bool> FCheckWithinPassTime{false};     // the next wait is at most 50 ms
  bool FShutDown = false;                          // ShutDown ran (main thread)
};

// The registry of live dispatchers.  A dispatcher's slot (RegistryIndex) travels in the high
// word of every trigger message, so it fits in 16 bits and never changes while it lives.
TRecursiveLock& DispatcherRegistryLock();
// The dispatcher in `index`, or null for an index beyond the list or an empty slot.
// Call with DispatcherRegistryLock held.
TSioBaseDispatcher* DispatcherAt(int index);
// Number of slots (including empty ones); for tests.
int DispatcherRegistryCount();
