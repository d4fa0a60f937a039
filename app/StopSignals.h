// SIGINT, SIGTERM and SIGHUP as a request to stop, for a program that waits in the platform's
// message queue rather than in a system call a signal could interrupt.
//
// The constructor blocks the three in the calling thread, which must be the main thread
// before it starts any other thread: every thread started later inherits the mask, so only the
// waiting thread made here ever takes them.  On the first signal it sets Received() and posts
// a wake-up to the main thread's queue.  The main thread may be blocked elsewhere, though, in
// a system call that the wake-up cannot reach: opening a FIFO nobody reads, writing into a full
// pipe.  So the waiter also interrupts the main thread with a signal of its own (a real-time
// one whose handler does nothing and is installed without SA_RESTART): the blocked call fails
// with EINTR, and whoever made it takes that as the stop (measure/CsvRecorder.h).  A signal
// that comes just before the call begins would be missed, so the waiter sends it again every
// 100 ms until the destructor.  A second stop signal ends the process at once (status 128 +
// the signal), for a stop that hangs.  The destructor ends the waiting thread and restores the
// mask and the handler; call it after the other threads have ended.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

class TStopSignals {
 public:
  TStopSignals();
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  bool Received() const { return FReceived.load(); }

 private:
  void Wait();

  sigset_t FSet{};
  sigset_t FOldMask{};
  struct sigaction FOldInterrupt {};
  pthread_t FMainThread{};
  std::atomic<bool> FReceived{false};
  std::atomic<bool> FEnding{false};  // set by the destructor before it wakes the waiter
  std::thread FWaiter;
};
