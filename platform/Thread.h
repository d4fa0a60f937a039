// Threads with a priority on the seven-step scale.
//
// A TThread is created suspended; Start() runs Execute() on a new thread.  With
// FreeOnTerminate the object deletes itself when Execute() returns (the thread is detached);
// otherwise the owner calls WaitFor() before deleting it.  An exception that escapes
// Execute() is handed to Application().ShowException and the thread ends normally.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

enum TThreadPriority : std::uint8_t {
  tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical
};

// Clamps base + steps to the scale.
TThreadPriority PriorityStep(TThreadPriority base, int steps);

class TThread {
 public:
  explicit TThread(bool freeOnTerminate);
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Runs Execute() on a new thread; a second call does nothing.
  void Start();
  // Applied with setpriority() on the thread's id where permitted; always recorded.
  void SetPriority(TThreadPriority priority);
  TThreadPriority Priority() const { return FPriority.load(); }
  // Waits for Execute() to end.  Only for threads without FreeOnTerminate (returns at once
  // for the others, and when called from the thread itself).  The destructor waits too.
  void WaitFor();
  bool Finished() const { return FFinished.load(); }

 protected:
  virtual void Execute() = 0;
  // Runs fn on the main thread and waits for it (see SynchronizeWithMain).
  void Synchronize(const std::function<void()>& fn);

 private:
  void Run();
  void ApplyPriority();

  bool FFreeOnTerminate;
  std::thread FThread;
  std::atomic<TThreadPriority> FPriority{tpNormal};
  std::atomic<int> FTid{0};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FStarted{false};
};
