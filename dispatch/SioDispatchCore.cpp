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
  FNextTriggerHandle = 1;
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
  if (!FCloseRequested) CloseLine();
  // A close deferred during a delivery is completed by the dispatch worker as it ends;
  // the dispatcher must outlive that.
  if (FCloseRequested) PumpUntil([this] { return !FWorkersRunning.load(); });
  ReleaseBuffers();
}

std::uint32_t TSioBaseDispatcher::RingCount(std::uint32_t head, std::uint32_t tail, bool full) {
  if (head == tail) return full ? kInRingSize : 0;
  if (tail < head) return head - tail;
  return head + kInRingSize - tail;
}

// ---- Open and close -------------------------------------------------------------------

int TSioBaseDispatcher::OpenLine(const std::string& name, std::uint32_t baud, std::uint8_t parity,
                                 std::uint8_t dataBits, std::uint8_t stopBits, std::uint32_t inSize,
                                 std::uint32_t outSize, std::uint32_t options) {
  // A dispatcher is opened once; a second open would replace the signals under the workers.
  if (FWorkersRunning) throw Exception("Dispatcher already started");

  FRingLatch = false;
  {
    std::lock_guard in(InputLock);
    FInRing.reset();
  }
  {
    std::lock_guard out(OutputLock);
    FOutRing.reset();
  }
  FDispatching = false;
  FHandlerRemovalPending = false;

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
    auto inRing = std::make_unique<std::uint8_t[]>(kInRingSize);
    auto outRing = std::make_unique<std::uint8_t[]>(outSize);
    std::lock_guard in(InputLock);
    std::lock_guard out(OutputLock);
    FInRing = std::move(inRing);
    FOutRing = std::move(outRing);
    FOutRingHead = FOutRingTail = 0;
    FOutRingFull = false;
    ++FOutRingGeneration;
    FInRingFull = false;
    FHandlerTaken = 0;
  } catch (const std::bad_alloc&) {
    CloseLine();
    return ecOutOfMemory;
  }
  FDeviceInSize = inSize;
  FOutRingSize = outSize;
  FLineErrors = 0;
  FOutputSentPending = false;
  FCloseRequested = false;
  FRs485Active = false;
  FUartBaseAddress = 0;

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

  FMatchScanPos = 0;
  ClearAllTriggers();
  {
    std::lock_guard in(InputLock);
    FInRingHead = 0;
    FInRingTail = 0;
    FInArrived = 0;
    FArrivals.Clear();
    FReadingForHandlers = false;
  }
  FLastAvailHead = 0;
  FLastAvailArrived = 0;
  ResetStatusFired();
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
  if (FDeviceHandle >= 0) {
    PurgeOutput();
    PurgeInput();
    DeviceClose();
  }
  bool deferred = false;
  {
    std::lock_guard main(MainLock);
    deferred = FDispatching;
    if (deferred) FCloseRequested = true;
  }
  if (!deferred) ReleaseBuffers();
}

void TSioBaseDispatcher::ReleaseBuffers() {
  if (FWorkersRunning) HaltWorkers();
  // Also after a halt: the workers may have ended by themselves (DeviceClose stops them)
  // between the look above and HaltWorkers' own, which then returns without closing.  No
  // worker touches a signal once WorkersRunning is clear.
  CloseSignals();
  {
    std::lock_guard out(OutputLock);
    FOutRing.reset();
    FOutRingHead = FOutRingTail = 0;
    FOutRingFull = false;
    ++FOutRingGeneration;
  }
  {
    std::lock_guard in(InputLock);
    FInRing.reset();
  }
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

// During a delivery of bytes the tail stays where it is until the delivery ends, and who
// reads matters.  A handler of the delivery (InsideDelivery) reads from the tail plus what it
// has taken itself, so every handler sees the same bytes.  Anyone else - a program polling
// the port from its own loop while the dispatch worker delivers - takes bytes for good: those
// after everything the handlers have taken so far.  They become the delivery's floor, which
// the rest of the delivery skips as it skips purged bytes, and the tail moves past them when
// it ends.  Bytes are thus never handed out twice, lost or reordered, whatever the dispatch
// worker is doing when such a read comes.
std::uint32_t TSioBaseDispatcher::TakenBefore(TReader& reader) const {
  if (!FReadingForHandlers) {
    reader = rdPlain;
    return 0;
  }
  if (IsAnsweringSendOf(FDeliverer.load())) {
    reader = rdHandler;
    return FHandlerTaken;
  }
  reader = rdOutsider;
  return std::max(FMostTaken, FHandlerTaken);
}

int TSioBaseDispatcher::ReadBlock(std::uint8_t* buffer, std::uint32_t count, std::int64_t* arrivalNs) {
  if (count == 0) return 0;
  bool freedFullRing = false;
  {
    std::lock_guard in(InputLock);
    if (!FInRing) return ecBufferIsEmpty;
    TReader reader = rdPlain;
    const std::uint32_t offset = TakenBefore(reader);
    const std::uint32_t held = RingCount(FInRingHead, FInRingTail, FInRingFull);
    if (held < offset || count > held - offset) return ecBufferIsEmpty;
    const std::uint32_t start = (FInRingTail + offset) % kInRingSize;
    // The ring holds the bytes numbered FInArrived - held up to FInArrived - 1.
    if (arrivalNs != nullptr) *arrivalNs = FArrivals.TimeOf(FInArrived - held + offset + count - 1);
    const std::uint32_t first = std::min(count, kInRingSize - start);
    std::memcpy(buffer, FInRing.get() + start, first);
    std::memcpy(buffer + first, FInRing.get(), count - first);
    switch (reader) {
      case rdHandler:
        FHandlerTaken += count;
        break;
      case rdOutsider:
        FConsumedFloor = offset + count;
        FMostTaken = FHandlerTaken = FConsumedFloor;
        break;
      case rdPlain:
        freedFullRing = FInRingFull;
        FInRingTail = (start + count) % kInRingSize;
        FInRingFull = false;
        break;
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

bool TSioBaseDispatcher::FillInRing() {
  std::lock_guard in(InputLock);
  if (!FInRing) return false;
  if (FInRingFull) return true;
  FLineErrors |= ReadLineErrorBits() & 0x1F;

  std::uint32_t head = FInRingHead;
  const std::uint32_t tail = FInRingTail;
  std::uint32_t free = 0;
  std::uint32_t chunk = 0;
  if (head == tail) {
    // One byte short of the ring's size: a pass that brought the head all the way round to
    // where it started would look to the trigger checks, which compare positions, as if
    // nothing had arrived, and the full ring would then never be announced.
    free = kInRingSize - 1;
    chunk = std::min(kInRingSize - head, free);
  } else if (tail > head) {
    free = chunk = tail - head;
  } else {
    free = tail + kInRingSize - head;
    chunk = kInRingSize - head;
  }
  // The device is not asked how much it holds: a read returns at once with what there is,
  // so the whole free space is asked for, the part after the ring's end only when the first
  // read filled its stretch.  A read that finds nothing is not logged (there was nothing to
  // take), which is what a count of the waiting bytes would have told beforehand.
  std::uint32_t second = free - chunk;

  std::uint8_t* ring = FInRing.get();
  int n = 0;
  std::uint32_t total = 0;
  if (chunk != 0) {
    n = DeviceRead(ring + head, chunk);
    // The bytes stay in the device, and the event worker does not announce them again:
    // the timed passes try again (DispatchWaitLimit).
    FReadFailed = n < 0;
    if (n < 0) {
      DeviceReadFailed(-1);
      n = 0;
    }
    const auto got = static_cast<std::uint32_t>(n);
    if (FLogOn && got != 0) LogRecord(lkDispatch, lsReadCom, got, ring + head, got);
    head += got;
    total += got;
    if (got < chunk) second = 0;
  }
  if (head == kInRingSize) head = 0;
  FInRingHead = head;
  if (n > 0) FInRingFull = head == tail;

  if (second != 0) {
    const int m = DeviceRead(ring + head, second);
    FReadFailed = m < 0;
    const auto got = static_cast<std::uint32_t>(m > 0 ? m : 0);
    if (FLogOn && got != 0) LogRecord(lkDispatch, lsReadCom, got, ring + head, got);
    if (got != 0) {
      head += got;
      total += got;
      FInRingHead = head;
      FInRingFull = head == tail;
    }
  }
  FInArrived += total;
  // One mark per pass that brought bytes: when they were read from the device.
  if (total != 0) FArrivals.Mark(FInArrived);
  return total != 0;
}

std::uint32_t TSioBaseDispatcher::InCount() {
  std::lock_guard in(InputLock);
  const std::uint32_t held = RingCount(FInRingHead, FInRingTail, FInRingFull);
  TReader reader = rdPlain;
  const std::uint32_t taken = TakenBefore(reader);
  return held > taken ? held - taken : 0;
}

int TSioBaseDispatcher::PurgeInput() {
  std::lock_guard in(InputLock);
  const int result = DevicePurge(1);
  ++FInputPurges;
  if (FReadingForHandlers) {
    // The delivery moves the tail by MostTaken when it ends: make that reach the head.  Until
    // then the bytes thrown away count as taken, for this handler and the ones after it.
    FConsumedFloor = RingCount(FInRingHead, FInRingTail, FInRingFull);
    FMostTaken = FHandlerTaken = FConsumedFloor;
  } else {
    FInRingTail = FInRingHead;
    FHandlerTaken = 0;
  }
  FInRingFull = false;
  ResetMatchState();
  return result;
}

// ---- Output ring -----------------------------------------------------------------------

int TSioBaseDispatcher::WriteOrQueue(const std::uint8_t* bytes, std::uint32_t count) {
  {
    std::lock_guard out(OutputLock);
    if (!FOutRing || FOutRingSize == 0) return 0;
    bool gone = false;
    // Nothing may overtake queued bytes: only into an empty ring (WriteBlock has set the full
    // flag already when this block is exactly the ring's size).  An empty ring also means that
    // the output worker has no write in flight: it advances past a run only once it is written.
    const bool empty = FOutRingHead == FOutRingTail && (!FOutRingFull || count == FOutRingSize);
    const std::uint32_t sent = empty ? WriteAtOnce(bytes, count, gone) : 0;
    if (gone) {
      FOutRingFull = false;  // nothing was queued
      return 0;
    }
    if (sent == count) {
      FOutRingFull = false;
      return static_cast<int>(count);
    }
    if (sent != 0) FOutRingFull = false;
    const std::uint8_t* rest = bytes + sent;
    const std::uint32_t left = count - sent;
    std::uint8_t* ring = FOutRing.get();
    const std::uint32_t room = FOutRingSize - FOutRingHead;
    if (left > room) {
      std::memcpy(ring + FOutRingHead, rest, room);
      std::memcpy(ring, rest + room, left - room);
      FOutRingHead = left - room;
    } else {
      std::memcpy(ring + FOutRingHead, rest, left);
      FOutRingHead = left == room ? 0 : FOutRingHead + left;
    }
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

std::uint32_t TSioBaseDispatcher::OutRingCount() const {
  if (FOutRingFull) return FOutRingSize;
  if (FOutRingTail <= FOutRingHead) return FOutRingHead - FOutRingTail;
  return FOutRingSize + FOutRingHead - FOutRingTail;
}

int TSioBaseDispatcher::WriteBlock(const std::uint8_t* bytes, std::uint32_t count) {
  if (count == 0) return 0;
  // Bytes for a device that failed for good would only pretend to be sent.
  if (FLineLostError.load() != 0) return ecPutBlockFail;
  int result = 0;
  std::uint32_t written = 0;
  {
    std::lock_guard out(OutputLock);
    if (!FOutRing) return ecCommNotOpen;
    FLineErrors |= ReadLineErrorBits() & 0x1F;
    const std::uint32_t used = OutRingCount();
    const std::uint32_t free = used < FOutRingSize ? FOutRingSize - used : 0;
    if (count > free) return ecOutputBufferTooSmall;
    if (count == free) FOutRingFull = true;
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
  return OutRingCount();
}

std::uint32_t TSioBaseDispatcher::OutFree() {
  std::lock_guard out(OutputLock);
  const std::uint32_t used = OutUsed();
  return used < FOutRingSize ? FOutRingSize - used : 0;
}

int TSioBaseDispatcher::PurgeOutput() { return DevicePurge(0); }

int TSioBaseDispatcher::SetQueueSizes(std::uint32_t inSize, std::uint32_t outSize) {
  if (DeviceSetQueues(inSize, outSize)) return 0;
  const int error = GetLastError();
  return -(error != 0 ? error : static_cast<int>(ERROR_GEN_FAILURE));
}

bool TSioBaseDispatcher::TakeOutputRun(std::uint32_t& start, std::uint32_t& run,
                                       std::uint32_t& generation) {
  std::lock_guard out(OutputLock);
  if (!FOutRing || (!FOutRingFull && FOutRingHead == FOutRingTail)) return false;
  if (FOutRingTail < FOutRingHead) {
    run = FOutRingHead - FOutRingTail;
  } else if (FOutRingHead == 0) {
    run = FOutRingSize - FOutRingTail;
  } else {
    // The queued bytes wrap (or fill the ring from a tail that is not 0): rotate them to
    // the start so that one write sends them all.  The free gap ends up after them.
    std::uint8_t* ring = FOutRing.get();
    std::rotate(ring, ring + FOutRingTail, ring + FOutRingSize);
    run = (FOutRingSize - FOutRingTail) + FOutRingHead;
    FOutRingHead = run == FOutRingSize ? 0 : run;
    FOutRingTail = 0;
  }
  start = FOutRingTail;
  generation = FOutRingGeneration;
  return true;
}

void TSioBaseDispatcher::AdvanceOutputRing(std::uint32_t n, std::uint32_t generation) {
  std::lock_guard out(OutputLock);
  if (n == 0 || generation != FOutRingGeneration) return;
  FOutRingTail += n;
  if (FOutRingTail >= FOutRingSize) FOutRingTail = 0;
  if (FOutRingTail == FOutRingHead) FOutRingHead = FOutRingTail = 0;
  FOutRingFull = false;
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
  FOutRingFull = false;
  FOutRingHead = FOutRingTail = 0;
  ++FOutRingGeneration;
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
  if (FWorkersRunning) throw Exception("Dispatcher already started");
  FWorkersRunning = true;
  FWorkersStopFlag = false;
  FLineLostError = 0;
  FDispatchWakePending = false;
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

bool TSioBaseDispatcher::InsideDelivery() const { return IsAnsweringSendOf(FDeliverer.load()); }

void TSioBaseDispatcher::DetachPortComponent() {
  std::lock_guard registry(DispatcherRegistryLock());
  FPortComponent = nullptr;
}

void TSioBaseDispatcher::CancelWorkersForClose(void (*cancelWait)(TSioBaseDispatcher&)) {
  if (FWorkersRunning) {
    FWorkersStopFlag = true;
    cancelWait(*this);
    if (DispatchDoneSignal) DispatchDoneSignal->Set();
    if (WorkerAckSignal) WorkerAckSignal->Reset();
  } else {
    cancelWait(*this);
  }
}

void TSioBaseDispatcher::HaltWorkersWith(void (*cancelWait)(TSioBaseDispatcher&)) {
  // The dispatch worker waits for the calling handler to return: waiting for the worker to
  // end would never end.  (A close from there is deferred instead, see CloseLine.)
  if (InsideDelivery()) throw Exception("The dispatcher's workers cannot be stopped from inside its trigger delivery");
  {
    std::lock_guard main(MainLock);
    if (!FWorkersRunning) return;
    FWorkersStopFlag = true;
  }
  // MainLock is not held from here on: a pass of the dispatch worker that needs it must
  // finish for the worker to end.  Its wait may have no limit: it is woken.
  DeviceEventSignal->Set();
  if (FOutputWorker.load() != nullptr) {
    OutputStopSignal->Set();
    PumpUntil([this] { return FOutputWorker.load() == nullptr; });
  }
  if (FEventWorker.load() != nullptr) {
    cancelWait(*this);
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
      release = FReleaseOnWorkerExit.exchange(false);
    }
  }
  if (release) ReleaseBuffers();
  // The last access to the dispatcher: once WorkersRunning is false it may be destroyed.
  if (--FLiveWorkerCount == 0) FWorkersRunning = false;
}
