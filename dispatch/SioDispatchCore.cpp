// The dispatcher's lifecycle, open and close, the input and output rings and block I/O.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "dispatch/SioDispatch.h"
#include "dispatch/SioRegistry.h"
#include "dispatch/SioWorkers.h"
#include "platform/Messages.h"
#include "platform/SysErrors.h"
#include "platform/SysUtils.h"
#include "common/SioErrorCodes.h"

TSioBaseDispatcher::TSioBaseDispatcher(TSioCustomComPort* port) : FPortComponent(port) {
  FRegistryIndex = RegisterDispatcher(this);
}

TSioBaseDispatcher::~TSioBaseDispatcher() {
  // The device operations are gone by now: the most derived destructor has closed the line
  // (ShutDown).  The rings, signals, lists and locks go with the members.
  UnregisterDispatcher(FRegistryIndex);
}

void TSioBaseDispatcher::ShutDown() {
  if (FShutDown) return;
  if (InsideDelivery()) {
    // The dispatch worker waits for the handler that is destroying its dispatcher: waiting
    // for the worker would hang, and returning would free the dispatcher under it.  A port
    // defers its dispatcher's release in this case; anyone else is told plainly.
    std::fputs("TSioBaseDispatcher destroyed from inside its own trigger delivery\n", stderr);
    std::abort();
  }
  FShutDown = true;
  const TLineStage stage = FLine.Stage();
  if (stage != lsCloseRequested && stage != lsReleased) CloseLine();
  // A close deferred during a delivery is completed by the dispatch worker as it ends;
  // the dispatcher must outlive that.
  if (!CalledByOwnWorker()) PumpUntil([this] { return !FWorkersRunning.load(); });
  ReleaseBuffers();
}

// ---- Open and close -------------------------------------------------------------------

int TSioBaseDispatcher::OpenLine(const std::string& name, std::uint32_t baud, std::uint8_t parity,
                                 std::uint8_t dataBits, std::uint8_t stopBits, std::uint32_t inSize,
                                 std::uint32_t outSize, std::uint32_t options) {
  // A dispatcher opens one line session: everything a session keeps starts at its
  // construction value, so nothing of an earlier open can be carried over.  A second open
  // would also replace the signals under the workers.
  if (FWorkersRunning || FLine.Stage() != lsClosed) throw Exception("Dispatcher already started");

  try {
    DeviceEventSignal = std::make_unique<TThreadSignal>();
    DispatchDoneSignal = std::make_unique<TThreadSignal>();
    WorkerAckSignal = std::make_unique<TEvent>(TEvent::AutoReset);
    OutputReadySignal = std::make_unique<TEvent>(TEvent::AutoReset);
    WriteDoneEvent = std::make_unique<TEvent>(TEvent::ManualReset);
    OutputStopSignal = std::make_unique<TEvent>(TEvent::AutoReset);
  } catch (const std::bad_alloc&) {
    CloseSignals();
    return ecOutOfMemory;
  }

  const int handle = DeviceOpen(name, inSize, outSize);
  if (handle < 0) {
    int result = ecOutOfMemory;
    if (handle != -8) {
      // A layer that failed without saying why must still report a failure.
      const int error = GetLastError();
      result = -(error != 0 ? error : static_cast<int>(ERROR_GEN_FAILURE));
    }
    CloseLine();
    return result;
  }
  FDeviceHandle = handle;

  if (const int result = SetQueueSizes(inSize, outSize); result != 0) {
    CloseLine();
    return result;
  }

  try {
    std::lock_guard in(InputLock);
    std::lock_guard out(OutputLock);
    FInRing.Allocate();
    FOutRing.Allocate(outSize);
  } catch (const std::bad_alloc&) {
    CloseLine();
    return ecOutOfMemory;
  }
  FDeviceInSize = inSize;

  {
    std::lock_guard main(MainLock);
    DeviceGetSettings(FDeviceSettings);
  }

  if ((options & olDtrHandshake) != 0) {
    FDtrByHandshake = true;
  } else {
    FDtrByHandshake = false;
    SetDtr((options & olDtrOn) != 0);
  }
  if ((options & olRtsHandshake) != 0) {
    FRtsByHandshake = true;
  } else {
    FRtsByHandshake = false;
    SetRts((options & olRtsOn) != 0);
  }

  ClearAllTriggers();
  {
    std::lock_guard main(MainLock);
    FModemState = 0;
    ReadModemState(0xF0);
    FCurrentBaud = 115200;
  }

  if (const int result = SetLineParams(baud, parity, dataBits, stopBits); result != 0) {
    CloseLine();
    return result;
  }
  RefreshLineErrors();

  TraceDiscard();
  LogDiscard();
  FOpenTime = MsClock();

  StartWorkers();
  return 0;
}

void TSioBaseDispatcher::CloseLine() {
  // The device close tells the workers to stop (halting) before anything is decided, so
  // that no delivery starts after the decision below: it would reach handlers inside this
  // close, which runs messages while it waits for the workers.
  if (FDeviceHandle >= 0) {
    PurgeOutput();
    PurgeInput();
    DeviceClose();
  }
  bool deferred = false;
  {
    // Decided under MainLock, where a delivery starts and ends: one in progress now is left
    // to finish, and the dispatch worker releases the line when it has (the worker reads
    // the stage under MainLock as it ends, after the delivery).  Until then nothing here may
    // touch what the release frees.
    std::lock_guard main(MainLock);
    deferred = Dispatching() && (FLine.Stage() == lsCloseRequested || FLine.MoveTo(lsCloseRequested));
    if (!deferred) FLine.MoveTo(lsHalting);
  }
  if (!deferred) ReleaseBuffers();
}

int TSioBaseDispatcher::DeviceIdle() {
  SleepMs(0);
  return 0;
}

void TSioBaseDispatcher::ReleaseBuffers() {
  if (FWorkersRunning) HaltWorkers();
  // Also after a halt: the workers may have ended by themselves (DeviceClose stops them)
  // between the look above and HaltWorkers' own, which then returns without closing.  No
  // worker touches a signal once WorkersRunning is clear.
  CloseSignals();
  {
    std::lock_guard out(OutputLock);
    FOutRing.Release();
  }
  {
    std::lock_guard in(InputLock);
    FInRing.Release();
  }
  std::lock_guard main(MainLock);
  FLine.MoveTo(lsReleased);
}

void TSioBaseDispatcher::CloseSignals() {
  DeviceEventSignal.reset();
  DispatchDoneSignal.reset();
  WorkerAckSignal.reset();
  OutputReadySignal.reset();
  WriteDoneEvent.reset();
  OutputStopSignal.reset();
}

// ---- Input ring ------------------------------------------------------------------------

int TSioBaseDispatcher::ReadInput(std::uint8_t* buffer, std::uint32_t least, std::uint32_t most,
                                  std::int64_t* arrivalNs, bool eachByte) {
  if (most == 0) return 0;
  bool freedFullRing = false;
  std::uint32_t count = 0;
  {
    std::lock_guard in(InputLock);
    if (!FInRing.Allocated()) return least == 0 ? 0 : ecBufferIsEmpty;
    // During a delivery of bytes the tail stays where it is until the delivery ends, and
    // who reads decides where from (see TDeliveryLedger).
    const TDeliveryLedger::TReader reader = CurrentReader();
    const std::uint32_t offset = FLedger.Offset(reader);
    const std::uint32_t held = FInRing.Count();
    const std::uint32_t unread = held < offset ? 0 : held - offset;
    if (unread < least) return ecBufferIsEmpty;
    count = std::min(unread, most);
    if (count == 0) return 0;
    // The ring holds the bytes numbered Arrived() - held up to Arrived() - 1.
    const std::uint64_t first = FInRing.Arrived() - held + offset;
    if (arrivalNs != nullptr && eachByte) {
      for (std::uint32_t i = 0; i < count; ++i) arrivalNs[i] = FArrivals.TimeOf(first + i);
    } else if (arrivalNs != nullptr) {
      *arrivalNs = FArrivals.TimeOf(first + count - 1);
    }
    FInRing.CopyOut(offset, buffer, count);
    if (reader == TDeliveryLedger::rdPlain) {
      freedFullRing = FInRing.Consume(count);
    } else {
      FLedger.Took(reader, offset, count);
    }
  }
  // A full ring made the dispatch worker leave bytes in the device: let it fetch them now.
  if (freedFullRing) WakeDispatchWorker();
  if (FTraceOn) {
    std::lock_guard main(MainLock);
    if (FTraceOn) {
      for (std::uint32_t i = 0; i < count; ++i) TraceRecord('R', buffer[i]);
    }
  }
  return static_cast<int>(count);
}

std::uint32_t TSioBaseDispatcher::FillInRing() {
  std::lock_guard in(InputLock);
  if (!FInRing.Allocated() || FInRing.Full()) return 0;
  FLineErrors |= ReadLineErrorBits() & 0x1F;
  // While the event worker watches the device, bytes it has not announced are not there to
  // read: every arrival ends its wait, and it asks for a pass of its own.  A pass somebody
  // else asked for (an output trigger, a timer, a threshold) reads only what the last read
  // may have left: a full ring or a failed read.  The read skipped is not only a system call:
  // on a tty it waits behind a write the output worker has in flight.
  const bool watched = FEventWorker.load() != nullptr && FLine.Stage() == lsOpen;
  if (watched && !FAnswerEventWorker && !FInputLeftBehind && !FReadFailed) return 0;

  // The device is not asked how much it holds: a read returns at once with what there is,
  // so the whole free space is asked for, the part after the ring's end only when the first
  // read filled its stretch.  A read that finds nothing is not logged (there was nothing to
  // take), which is what a count of the waiting bytes would have told beforehand.
  std::uint32_t chunk = 0;
  std::uint32_t second = 0;
  std::uint8_t* at = FInRing.FreeStretch(chunk, second);
  std::uint32_t total = 0;
  if (chunk != 0) {
    int n = DeviceRead(at, chunk);
    // The bytes stay in the device, and the event worker does not announce them again:
    // the timed passes try again (DispatchWaitLimit).
    FReadFailed = n < 0;
    if (n < 0) {
      DeviceReadFailed(-1);
      n = 0;
    }
    const auto got = static_cast<std::uint32_t>(n);
    if (FLogOn && got != 0) LogRecord(lkDispatch, lsReadCom, got, at, got);
    FInRing.Added(got);
    total += got;
    if (got < chunk) second = 0;
  }
  if (second != 0) {
    // The first stretch reached the ring's end: the head is at its start now.
    at = FInRing.HeadBytes();
    const int m = DeviceRead(at, second);
    FReadFailed = m < 0;
    const auto got = static_cast<std::uint32_t>(m > 0 ? m : 0);
    if (FLogOn && got != 0) LogRecord(lkDispatch, lsReadCom, got, at, got);
    FInRing.Added(got);
    total += got;
  }
  // One mark per pass that brought bytes: when they were read from the device.
  if (total != 0) FArrivals.Mark(FInRing.Arrived());
  FInputLeftBehind = FInRing.Full();
  return total;
}

std::uint32_t TSioBaseDispatcher::InCount() {
  std::lock_guard in(InputLock);
  const std::uint32_t held = FInRing.Count();
  const std::uint32_t taken = FLedger.Offset(CurrentReader());
  return held > taken ? held - taken : 0;
}

int TSioBaseDispatcher::PurgeInput() {
  bool freedFullRing = false;
  int result = 0;
  {
    std::lock_guard in(InputLock);
    result = DevicePurge(1);
    ++FInputPurges;
    if (FLedger.Reading()) {
      // The delivery moves the tail past what it consumed when it ends: make that reach the
      // head.  A full ring stays full until then.
      FLedger.Purged(FInRing.Count());
    } else {
      freedFullRing = FInRing.Full();
      FInRing.Purge();
    }
    ResetMatchState();
  }
  // As after a read: the bytes a full ring left in the device are fetched now.
  if (freedFullRing) WakeDispatchWorker();
  return result;
}

// ---- Output ring -----------------------------------------------------------------------

int TSioBaseDispatcher::WriteOrQueue(const std::uint8_t* bytes, std::uint32_t count) {
  {
    std::lock_guard out(OutputLock);
    if (!FOutRing.Allocated() || FOutRing.Size() == 0) return 0;
    bool gone = false;
    // Nothing may overtake queued bytes: only into an empty ring.  An empty ring also means
    // that the output worker has no write in flight: it advances past a run only once it
    // is written.
    const std::uint32_t sent = FOutRing.Count() == 0 ? WriteAtOnce(bytes, count, gone) : 0;
    if (gone) return 0;  // nothing was queued
    if (sent == count) return static_cast<int>(count);
    FOutRing.Put(bytes + sent, count - sent);
  }
  if (OutputReadySignal) OutputReadySignal->Set();
  return static_cast<int>(count);
}


std::uint32_t TSioBaseDispatcher::DeviceReadLineErrors() {
  TDeviceStatus ignored;
  return DeviceReadStatus(ignored);
}

std::uint32_t TSioBaseDispatcher::ReadLineErrorBits() {
  std::lock_guard out(OutputLock);
  return DeviceReadLineErrors();
}

int TSioBaseDispatcher::WriteBlock(const std::uint8_t* bytes, std::uint32_t count) {
  if (count == 0) return 0;
  // Bytes for a device that failed for good would only pretend to be sent.
  if (FLineLostError.load() != 0) return ecPutBlockFail;
  int result = 0;
  std::uint32_t written = 0;
  {
    std::lock_guard out(OutputLock);
    if (!FOutRing.Allocated()) return ecCommNotOpen;
    FLineErrors |= ReadLineErrorBits() & 0x1F;
    if (count > FOutRing.Free()) return ecOutputBufferTooSmall;
    // RS-485 transmit enable: this platform's driver switches RTS itself (TIOCSRS485), so
    // nothing is switched here and no UART base address is needed.
    int n = DeviceWrite(bytes, count);
    if (n <= 0) {
      n = -n;
      result = ecPutBlockFail;
      FLineErrors |= ReadLineErrorBits() & 0x1F;
    }
    written = static_cast<std::uint32_t>(n);
    FOutputSentPending = true;
  }
  // The bytes may well be in the device already: an output-sent trigger holds now.
  if (FWatchOutSent.load()) WakeDispatchWorker();
  if (FLogOn || FTraceOn) {
    std::lock_guard main(MainLock);
    if (FLogOn) LogRecord(lkDispatch, lsWriteCom, written, written != 0 ? bytes : nullptr, written);
    if (FTraceOn) {
      for (std::uint32_t i = 0; i < written; ++i) TraceRecord('T', bytes[i]);
    }
  }
  return result;
}

std::uint32_t TSioBaseDispatcher::OutUsed() {
  std::lock_guard out(OutputLock);
  FLineErrors |= ReadLineErrorBits() & 0x1F;
  return FOutRing.Count();
}

std::uint32_t TSioBaseDispatcher::OutFree() {
  std::lock_guard out(OutputLock);
  const std::uint32_t used = OutUsed();
  return used < FOutRing.Size() ? FOutRing.Size() - used : 0;
}

int TSioBaseDispatcher::PurgeOutput() { return DevicePurge(0); }

int TSioBaseDispatcher::SetQueueSizes(std::uint32_t inSize, std::uint32_t outSize) {
  if (DeviceSetQueues(inSize, outSize)) return 0;
  const int error = GetLastError();
  return -(error != 0 ? error : static_cast<int>(ERROR_GEN_FAILURE));
}

bool TSioBaseDispatcher::TakeOutputRun(const std::uint8_t*& data, std::uint32_t& run, std::uint32_t& generation) {
  std::lock_guard out(OutputLock);
  return FOutRing.TakeRun(data, run, generation);
}

void TSioBaseDispatcher::AdvanceOutputRing(std::uint32_t n, std::uint32_t generation) {
  std::lock_guard out(OutputLock);
  if (n == 0 || generation != FOutRing.Generation()) return;
  FOutRing.Advance(n, generation);
  WatchOutputDrain();
}

void TSioBaseDispatcher::AcknowledgeOutputStop() {
  ++FOutputStopAcks;
  WorkerAckSignal->Set();
}

void TSioBaseDispatcher::StopOutputAndEmptyRing() {
  if (FOutputWorker.load() != nullptr && OutputStopSignal && WorkerAckSignal) {
    const std::uint32_t before = FOutputStopAcks.load();
    OutputStopSignal->Set();
    // The acknowledgement signal is shared with the other workers: the count tells whose
    // it was.  A worker that ends meanwhile never answers, hence the short waits.
    while (FOutputStopAcks.load() == before && FOutputWorker.load() != nullptr) {
      WorkerAckSignal->Wait(20);
    }
  }
  std::lock_guard out(OutputLock);
  FOutRing.Empty();
  WatchOutputDrain();
}

// ---- Workers ---------------------------------------------------------------------------

bool TSioBaseDispatcher::CalledByOwnWorker() const { return WorkerThreadOwner() == this; }

void TSioBaseDispatcher::PumpUntil(const std::function<bool()>& done) {
  while (!done()) {
    // One step of the thread's messages, waiting at most 1 ms for one: a delivery the
    // dispatch worker is sending to this thread runs at once, and the wait does not spin.
    TMsg msg;
    if (GetMessage(msg, 1)) {
      TranslateMessage(msg);
      DispatchMessage(msg);
    } else if (msg.Message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.WParam));
      SleepMs(1);
    }
  }
}

void TSioBaseDispatcher::StartWorkerThreads() {
  std::lock_guard main(MainLock);
  if (FWorkersRunning || FLine.Stage() != lsClosed) throw Exception("Dispatcher already started");
  FWorkersRunning = true;
  FLine.MoveTo(lsOpen);
  // A device that hung up while the line was being set up (a write of a setting found it
  // gone) is lost from the start.
  if (FLineLostError.load() != 0) FLine.MoveTo(lsLost);
  // All three are counted before any starts, so one that ends at once cannot take the
  // count to 0 while the others are still to come.
  FLiveWorkerCount += 3;
  auto start = [this](std::atomic<TSioDispatcherThread*>& slot, TSioDispatcherThread* worker) {
    slot = worker;
    try {
      worker->Start();
    } catch (const std::exception&) {
      slot = nullptr;
      delete worker;
      if (--FLiveWorkerCount == 0) FWorkersRunning = false;
      return;
    }
    WorkerAckSignal->Wait(3000);
  };
  start(FEventWorker, new TComThread(this));
  start(FDispatchWorker, new TDispThread(this));
  start(FOutputWorker, new TOutThread(this));
}

bool TSioBaseDispatcher::InsideDelivery() const { return IsAnsweringSendOf(FLedger.Deliverer()); }

void TSioBaseDispatcher::DetachPortComponent() {
  std::lock_guard registry(DispatcherRegistryLock());
  FPortComponent = nullptr;
}

void TSioBaseDispatcher::CancelWorkersForClose() {
  if (FWorkersRunning) {
    {
      std::lock_guard main(MainLock);
      FLine.MoveTo(lsHalting);
    }
    CancelDeviceWait();
    if (DispatchDoneSignal) DispatchDoneSignal->Set();
    if (WorkerAckSignal) WorkerAckSignal->Reset();
  } else {
    CancelDeviceWait();
  }
}

void TSioBaseDispatcher::HaltWorkers() {
  // The dispatch worker waits for the calling handler to return: waiting for the worker to
  // end would never end.  (A close from there is deferred instead, see CloseLine.)
  if (InsideDelivery()) throw Exception("The dispatcher's workers cannot be stopped from inside its trigger delivery");
  {
    std::lock_guard main(MainLock);
    if (!FWorkersRunning) return;
    // A close deferred during a delivery stays CloseRequested: its owner waits for it.
    FLine.MoveTo(lsHalting);
  }
  // MainLock is not held from here on: a pass of the dispatch worker that needs it must
  // finish for the worker to end.  Its wait may have no limit: it is woken.
  DeviceEventSignal->Set();
  if (FOutputWorker.load() != nullptr) {
    OutputStopSignal->Set();
    PumpUntil([this] { return FOutputWorker.load() == nullptr; });
  }
  if (FEventWorker.load() != nullptr) {
    CancelDeviceWait();
    DispatchDoneSignal->Set();
    WorkerAckSignal->Reset();
    PumpUntil([this] { return FEventWorker.load() == nullptr; });
  }
  PumpUntil([this] { return FDispatchWorker.load() == nullptr; });
  // A worker clears its reference before its last steps.  The last worker's very last
  // access is clearing WorkersRunning; any other's is its decrement of the count (the
  // dispatch worker stopping the others from WorkerEnded is still counted itself).
  if (CalledByOwnWorker()) {
    PumpUntil([this] { return FLiveWorkerCount.load() <= 1; });
  } else {
    PumpUntil([this] { return !FWorkersRunning.load(); });
  }
  CloseSignals();
}

void TSioBaseDispatcher::WorkerEnded(TSioDispatcherThread* worker) {
  bool release = false;
  {
    // Under MainLock, so that a priority change never reaches a worker that is ending.
    std::lock_guard main(MainLock);
    if (FEventWorker.load() == worker) {
      FEventWorker = nullptr;
      // Without device events the dispatch worker's timed passes are the only reads left
      // (DispatchWaitLimit): a worker waiting without limit must learn of it.
      WakeDispatchWorker();
    }
    if (FOutputWorker.load() == worker) FOutputWorker = nullptr;
    if (FDispatchWorker.load() == worker) {
      FDispatchWorker = nullptr;
      // Only a close deferred during a delivery leaves the release to this worker; in every
      // other stop the thread that stops the workers releases, so the two never both do.
      release = FLine.Stage() == lsCloseRequested;
    }
  }
  if (release) ReleaseBuffers();
  // The last access to the dispatcher: once WorkersRunning is false it may be destroyed.
  if (--FLiveWorkerCount == 0) FWorkersRunning = false;
}
