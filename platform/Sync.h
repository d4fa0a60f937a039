// Recursive locks and events.
//
// TRecursiveLock is re-entrant for the thread that holds it.  TEvent is a boolean signal in
// the two flavours the dispatcher needs: auto-reset (a successful wait clears it, so one
// waiter is released per Set) and manual-reset (stays set until Reset).  Each event is
// backed by an eventfd, so it can also be waited on with poll() beside a device descriptor
// (see Fd()).  Every operation may be called from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;  // time limit meaning "no limit"

class TRecursiveLock {
 public:
  TRecursiveLock() = default;
  TRecursiveLock(const TRecursiveLock&) = delete;
  TRecursiveLock& operator=(const TRecursiveLock&) = delete;

  void Enter();
  void Leave();
  // True when the calling thread holds the lock (used to assert the lock order).
  bool HeldByCurrentThread() const;

  // BasicLockable, so std::lock_guard / std::unique_lock work.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex Mutex;
  std::atomic<std::thread::id> Owner{};
  int Depth = 0;  // written only by the owner
};

class TEvent {
 public:
  enum TReset : std::uint8_t { AutoReset, ManualReset };
  // Throws std::bad_alloc when no descriptor can be had (descriptors or memory exhausted).
  explicit TEvent(TReset reset, bool initiallySet = false);
  ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void Set();
  void Reset();
  // Waits until the event is set or `ms` milliseconds pass (kInfinite: no limit).
  // Returns true when the event was set; an auto-reset event is cleared by this wait.
  bool Wait(std::uint32_t ms = kInfinite);
  // Whether the event is set, without waiting and without clearing it.
  bool IsSet() const;
  // Readable (POLLIN) while the event is set.  For poll() only: never read or write it.
  int Fd() const { return Handle; }
  bool IsAutoReset() const { return Kind == AutoReset; }

  // Tries to take the signal once it was seen set by poll(): clears an auto-reset event
  // and returns false if another waiter took it first; a manual-reset event is left set.
  bool TryTake();

 private:
  int Handle;
  TReset Kind;
  // Held around Set's write and taken once by a wait that succeeds and by the destructor:
  // everything before Set then happens-before the released waiter, even one that only
  // polled the descriptor, and an event may be destroyed as soon as its wait returns.
  mutable std::mutex SetLock;
};

// A time limit turned into an absolute deadline on the monotonic clock, so retries after
// EINTR, a spurious wake-up or work done between waits do not extend the wait.
class TDeadline {
 public:
  explicit TDeadline(std::uint32_t ms);  // kInfinite: no limit
  // The poll() time-out for what is left: -1 without limit, rounded up so a wait never ends
  // a fraction of a millisecond early and spins.
  int PollTimeout() const;
  // The same as a wait's limit in milliseconds: kInfinite without limit.
  std::uint32_t WaitMs() const;
  bool Passed() const;

 private:
  bool Infinite;
  std::int64_t End;
};

// An auto-reset event for a hand-over between threads that only Set and Wait it (it has no
// descriptor to poll beside others).  It is one word: setting it while nobody sleeps on it
// (also after a wait that slept has returned), and a wait that finds it set, make no system
// call; waking a sleeper is one futex wake, and the woken thread takes the signal without
// meeting a lock its waker still holds.  Repeated sets before a wait count once.  Any
// thread; it may be destroyed as soon as a wait returns (a late wake then reaches no one, or
// at worst wakes an unrelated waiter spuriously, which every futex waiter tolerates).
class TThreadSignal {
 public:
  void Set();
  // Clears a set that nobody has waited for.
  void Reset();
  // Waits until set or `ms` milliseconds pass (kInfinite: no limit); true when it was set,
  // which clears it.
  bool Wait(std::uint32_t ms = kInfinite);

 private:
  // The lowest bit: set.  Above it: how many waiters may sleep (only then must Set wake).
  static constexpr std::uint32_t kSetBit = 1;
  static constexpr std::uint32_t kSleeper = 2;
  std::atomic<std::uint32_t> State{0};
};

// Waits for either of two events, with a time limit.  Returns 0 when `first` was set,
// 1 when `second` was set (first wins when both are), -1 on time-out.  An auto-reset
// event that ends the wait is cleared; the other is left as it is.
int WaitForEither(TEvent& first, TEvent& second, std::uint32_t ms = kInfinite);

// Sleeps the calling thread; 0 gives up the rest of its time slice.
void SleepMs(std::uint32_t ms);
