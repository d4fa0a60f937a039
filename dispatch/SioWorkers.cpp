// The bodies of the three workers.  Each worker is counted in LiveWorkerCount from the
// moment StartWorkers creates it, and WorkerEnded is the last thing its body does.
#include "dispatch/SioWorkers.h"

#include "dispatch/SioDispatch.h"
#include "platform/Application.h"
#include "platform/SysErrors.h"
#include "platform/SysUtils.h"

namespace {

thread_local const TSioBaseDispatcher* tWorkerOwner = nullptr;

// An exception must not skip WorkerEnded, or HaltWorkers would wait for the worker forever.
template <class TBody>
void Guarded(TBody body) {
  try {
    body();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  } catch (...) {
    Application().ShowException(Exception("Unknown exception in a dispatcher worker"));
  }
}

}  // namespace

const TSioBaseDispatcher* WorkerThreadOwner() { return tWorkerOwner; }

TSioDispatcherThread::TSioDispatcherThread(TSioBaseDispatcher* dispatcher)
    : TThread(true), Dispatcher(dispatcher) {}

void TSioDispatcherThread::SyncCall(std::uint32_t a, std::uintptr_t b, std::intptr_t c,
                                    const TTriggerMethod& handler) {
  SyncArg1 = a;
  SyncArg2 = b;
  SyncArg3 = c;
  SyncHandler = &handler;
  Synchronize([this] { (*SyncHandler)(SyncArg1, SyncArg2, SyncArg3); });
}

void TComThread::Execute() {
  TSioBaseDispatcher* d = Dispatcher;
  tWorkerOwner = d;
  Guarded([d] {
    d->WorkerAckSignal->Set();
    for (;;) {
      std::uint32_t word = 0;
      // A failed wait (hang-up, device error) means the device is gone: reported once,
      // after a last pass, and the worker ends.
      if (!d->DeviceWaitEvent(word)) {
        d->ReportLineLost(GetLastError());
        return;
      }
      if (word != 0) {
        d->FDeviceEventWord = word;
        if ((word & (EV_RINGTE | EV_RING)) != 0) d->FRingLatch = true;
      }
      if (d->FLine.StopAsked()) return;
      d->AskForEventPass();
      d->DispatchDoneSignal->Wait();
      if (d->FLine.StopAsked()) return;
    }
  });
  d->WorkerAckSignal->Set();
  d->WorkerEnded(this);
}

void TDispThread::Execute() {
  TSioBaseDispatcher* d = Dispatcher;
  tWorkerOwner = d;
  d->WorkerAckSignal->Set();
  Guarded([d] {
    for (;;) {
      // A time-out wakes the worker as well.  It waits without limit only while every piece of
      // work a pass could find is announced by a wake-up (see SioDispatch.h).
      d->DeviceEventSignal->Wait(d->DispatchWaitLimit());
      d->TakeDispatchWake();
      if (d->FLine.StopAsked()) return;
      d->EventPass();
      d->TimerPass();
      if (d->FLine.StopAsked()) {
        d->WorkerAckSignal->Set();
        return;
      }
    }
  });
  d->WorkerEnded(this);
}

void TOutThread::Execute() {
  TSioBaseDispatcher* d = Dispatcher;
  tWorkerOwner = d;
  d->WorkerAckSignal->Set();
  Guarded([d] {
    for (;;) {
      const int which = WaitForEither(*d->OutputReadySignal, *d->OutputStopSignal);
      if (which == 0) {
        if (d->FLine.StopAsked()) return;
        d->DrainOutputRing();
      } else if (which == 1) {
        d->AcknowledgeOutputStop();
      }
      if (d->FLine.StopAsked()) return;
    }
  });
  d->WorkerEnded(this);
}
