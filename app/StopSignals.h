// SIGINT and SIGTERM as a request to stop, for a program that waits in the platform's message
// queue rather than in a system call a signal could interrupt.
//
// The constructor blocks both signals in the calling thread, which must be the main thread
// before it starts any other thread: every thread started later inherits the mask, so only the
// waiting thread made here ever takes them.  On the first signal it sets Received() and posts
// a wake-up to the main thread's queue; a second signal ends the process at once (status 128 +
// the signal), for a stop that hangs.  The destructor ends the waiting thread and restores the
// mask; call it after the other threads have ended.
#pragma once

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
  std::atomic<bool> FReceived{false};
  std::atomic<bool> FEnding{false};  // set by the destructor before it wakes the waiter
  std::thread FWaiter;
};
