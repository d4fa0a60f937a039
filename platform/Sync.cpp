#include "platform/Sync.h"

#include <linux/futex.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <new>

void TRecursiveLock::Enter() {
  Mutex.lock();
  if (Depth++ == 0) Owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void TRecursiveLock::Leave() {
  if (--Depth == 0) Owner.store(std::thread::id(), std::memory_order_relaxed);
  Mutex.unlock();
}

bool TRecursiveLock::HeldByCurrentThread() const {
  // Only the calling thread can store its own id here, so a relaxed read is exact for it.
  return Owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

namespace {

std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

TDeadline::TDeadline(std::uint32_t ms) : Infinite(ms == kInfinite), End(MonotonicNs() + static_cast<std::int64_t>(ms) * 1000000) {}

int TDeadline::PollTimeout() const {
  if (Infinite) return -1;
  const std::int64_t left = End - MonotonicNs();
  if (left <= 0) return 0;
  const std::int64_t ms = (left + 999999) / 1000000;
  return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

std::uint32_t TDeadline::WaitMs() const {
  const int ms = PollTimeout();
  return ms < 0 ? kInfinite : static_cast<std::uint32_t>(ms);
}

bool TDeadline::Passed() const { return !Infinite && MonotonicNs() >= End; }

namespace {

// An event closed under a waiter: fail the wait rather than spin on it.
constexpr short kBroken = POLLNVAL | POLLERR;

// poll() on up to two descriptors for POLLIN; EINTR is retried within the deadline.
// Returns the revents of each, or false on time-out.
bool PollReadable(pollfd* fds, nfds_t count, const TDeadline& deadline) {
  for (;;) {
    const int n = poll(fds, count, deadline.PollTimeout());
    if (n > 0) return true;
    if (n == 0) {
      if (deadline.Passed()) return false;
      continue;  // rounding left a sliver of time
    }
    if (errno != EINTR) return false;
  }
}

bool Drain(int fd) {
  std::uint64_t value = 0;
  for (;;) {
    const ssize_t n = read(fd, &value, sizeof value);
    if (n == static_cast<ssize_t>(sizeof value)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;  // EAGAIN: not set (or another waiter took it)
  }
}

}  // namespace

TEvent::TEvent(TReset reset, bool initiallySet) : Handle(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), Kind(reset) {
  // eventfd fails only when descriptors or kernel memory run out.
  if (Handle < 0) throw std::bad_alloc();
  if (initiallySet) Set();
}

TEvent::~TEvent() {
  std::lock_guard lock(SetLock);
  close(Handle);
}

void TEvent::Set() {
  std::lock_guard lock(SetLock);
  const std::uint64_t one = 1;
  for (;;) {
    const ssize_t n = write(Handle, &one, sizeof one);
    if (n >= 0 || errno != EINTR) return;  // EAGAIN only at a counter near 2^64: still set
  }
}

void TEvent::Reset() { Drain(Handle); }

bool TEvent::IsSet() const {
  pollfd p{Handle, POLLIN, 0};
  for (;;) {
    const int n = poll(&p, 1, 0);
    if (n >= 0) {
      if (n == 0) return false;
      std::lock_guard synchronise(SetLock);
      return true;
    }
    if (errno != EINTR) return false;
  }
}

bool TEvent::TryTake() {
  if (Kind == ManualReset) return IsSet();
  if (!Drain(Handle)) return false;
  std::lock_guard synchronise(SetLock);
  return true;
}

bool TEvent::Wait(std::uint32_t ms) {
  const TDeadline deadline(ms);
  for (;;) {
    pollfd p{Handle, POLLIN, 0};
    if (!PollReadable(&p, 1, deadline)) return false;
    if ((p.revents & kBroken) != 0) return false;
    if (TryTake()) return true;
    if (deadline.Passed()) return false;
  }
}

namespace {

void FutexWake(std::atomic<std::uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

// Sleeps while `word` holds `expected`, at most until `deadline`; returns at once when it
// holds something else, and may return early for no reason (the caller looks again).
void FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected, const TDeadline& deadline) {
  const int ms = deadline.PollTimeout();
  timespec limit{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected, ms < 0 ? nullptr : &limit,
          nullptr, 0);
}

}  // namespace

void TThreadSignal::Set() {
  // Only a sleeper needs the system call, and only the set that raises the bit wakes: a
  // sleeper it wakes takes that set, and repeated sets before then count once anyway.  The
  // read-modify-write publishes the setter's writes to the waiter that takes the signal, and
  // nothing of the signal is touched after it but the futex address (see the header).
  const std::uint32_t before = State.fetch_or(kSetBit, std::memory_order_acq_rel);
  if ((before & kSetBit) == 0 && before >= kSleeper) FutexWake(State);
}

void TThreadSignal::Reset() {
  std::uint32_t seen = State.load(std::memory_order_relaxed);
  while ((seen & kSetBit) != 0 && !State.compare_exchange_weak(seen, seen & ~kSetBit, std::memory_order_acq_rel)) {
  }
}

bool TThreadSignal::Wait(std::uint32_t ms) {
  std::uint32_t seen = State.load(std::memory_order_relaxed);
  while ((seen & kSetBit) != 0) {
    if (State.compare_exchange_weak(seen, seen & ~kSetBit, std::memory_order_acq_rel)) return true;
  }
  const TDeadline deadline(ms);
  // Counted as a sleeper from here until it leaves, so that a set made meanwhile wakes it;
  // a waiter that leaves takes its count away with it, so later sets with nobody asleep
  // make no system call.
  seen = State.fetch_add(kSleeper, std::memory_order_acq_rel) + kSleeper;
  for (;;) {
    if ((seen & kSetBit) != 0) {
      if (State.compare_exchange_weak(seen, seen - kSetBit - kSleeper, std::memory_order_acq_rel)) return true;
      continue;
    }
    if (deadline.Passed()) {
      State.fetch_sub(kSleeper, std::memory_order_relaxed);
      return false;
    }
    // Sleeps only while the word is exactly as seen: a set (or another sleeper coming or
    // going) in between makes it return at once and look again.
    FutexWait(State, seen, deadline);
    seen = State.load(std::memory_order_acquire);
  }
}

int WaitForEither(TEvent& first, TEvent& second, std::uint32_t ms) {
  const TDeadline deadline(ms);
  for (;;) {
    pollfd p[2] = {{first.Fd(), POLLIN, 0}, {second.Fd(), POLLIN, 0}};
    if (!PollReadable(p, 2, deadline)) return -1;
    if (((p[0].revents | p[1].revents) & kBroken) != 0) return -1;
    if ((p[0].revents & POLLIN) != 0 && first.TryTake()) return 0;
    if ((p[1].revents & POLLIN) != 0 && second.TryTake()) return 1;
    if (deadline.Passed()) return -1;
  }
}

void SleepMs(std::uint32_t ms) {
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec end{};
  clock_gettime(CLOCK_MONOTONIC, &end);
  end.tv_sec += static_cast<time_t>(ms / 1000);
  end.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (end.tv_nsec >= 1000000000L) {
    end.tv_sec += 1;
    end.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &end, nullptr) == EINTR) {
  }
}
