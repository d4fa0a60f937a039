// The three worker threads of an open line.  Each is created running by StartWorkers and
// frees itself when its body ends, reporting its end through WorkerEnded.
#pragma once

#include <cstdint>

#include "dispatch/SioTypes.h"
#include "platform/Thread.h"

class TSioBaseDispatcher;

// Every worker ends its body with WorkerEnded, also when an exception escaped it (the
// exception is shown through the standard exception display first).  The object deletes
// itself after its body: nothing may touch it once WorkerEnded has run.
class TSioDispatcherThread : public TThread {
 public:
  explicit TSioDispatcherThread(TSioBaseDispatcher* dispatcher);
  // Runs handler(a, b, c) on the main thread and waits for it (dispatch worker only).
  // An exception from the handler is raised here.
  void SyncCall(std::uint32_t a, std::uintptr_t b, std::intptr_t c, const TTriggerMethod& handler);

 protected:
  TSioBaseDispatcher* Dispatcher;
  // The SyncCall record.
  std::uint32_t SyncArg1 = 0;
  std::uintptr_t SyncArg2 = 0;
  std::intptr_t SyncArg3 = 0;
  const TTriggerMethod* SyncHandler = nullptr;
};

// The dispatcher whose worker runs on the calling thread, or null on any other thread.
const TSioBaseDispatcher* WorkerThreadOwner();

// Waits for device events and wakes the dispatch worker.
class TComThread : public TSioDispatcherThread {
 public:
  using TSioDispatcherThread::TSioDispatcherThread;
 protected:
  void Execute() override;
};

// Moves received bytes into the input ring and runs the trigger checks; wakes when asked
// (a device event, the output moving, a trigger armed ...) and every 50 ms while timed passes
// are needed (see "Waking the dispatch worker" in SioDispatch.h).
class TDispThread : public TSioDispatcherThread {
 public:
  using TSioDispatcherThread::TSioDispatcherThread;
 protected:
  void Execute() override;
};

// Drains the output ring to the device.
class TOutThread : public TSioDispatcherThread {
 public:
  using TSioDispatcherThread::TSioDispatcherThread;
 protected:
  void Execute() override;
};
