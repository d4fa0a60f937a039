#include "dispatch/SioDescriptorWaits.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/Clock.h"

void TReadNotice::Make() {
  if (!Progress) Progress = std::make_unique<TEvent>(TEvent::AutoReset);
}

void TReadNotice::Restart() {
  Generation = 0;
  Awaiting = false;
  Reported = false;
  ReportedGeneration = 0;
  if (Progress) Progress->TryTake();
}

void TReadNotice::NoteRead() {
  Generation.fetch_add(1);
  if (Awaiting.load() && Progress) Progress->Set();
}

bool TReadNotice::BeginStaleWait() {
  // Armed first, then looked: a read that missed the flag has already bumped the count.
  Awaiting = true;
  if (Generation.load() != ReportedGeneration) {
    Awaiting = false;
    return false;
  }
  return true;
}

void TReadNotice::EndStaleWait() {
  Awaiting = false;
  Progress->TryTake();
}

bool TReadNotice::Announce(std::uint32_t readsBefore) {
  if (!Fresh(readsBefore)) return false;
  Reported = true;
  ReportedGeneration = readsBefore;
  return true;
}

namespace {

// FIONREAD of the descriptor: -1 when it is closed or cannot say.
int CountWaiting(TSioSysCalls& sys, std::shared_mutex& fdGuard, const int& fd) {
  std::shared_lock guard(fdGuard);
  int count = 0;
  if (fd < 0 || sys.Ioctl(fd, FIONREAD, &count) != 0) return -1;
  return count;
}

}  // namespace

TGatherEnd GatherBytes(TSioSysCalls& sys, TEvent& closeSignal, std::shared_mutex& fdGuard, const int& fd,
                       short endEvents, const TReadNotice& reads, const TGatherRule& rule, TGatherSeen& seen) {
  seen.Reads = reads.ReadsNow();
  seen.Count = 0;
  int waiting = CountWaiting(sys, fdGuard, fd);
  if (waiting <= 0) return geGathered;
  std::int64_t counted = QueryPerformanceCounter();
  seen.Seen[seen.Count++] = {static_cast<std::uint32_t>(waiting), counted};
  const std::int64_t deadline = counted + rule.LimitNs;
  for (;;) {
    if (rule.Enough != 0 && static_cast<std::uint32_t>(waiting) >= rule.Enough) return geGathered;
    const std::int64_t left = deadline - QueryPerformanceCounter();
    if (left <= 0) return geGathered;
    const std::int64_t waitNs = std::min(rule.QuietNs, left);
    const timespec wait{static_cast<time_t>(waitNs / 1'000'000'000), static_cast<long>(waitNs % 1'000'000'000)};
    pollfd fds[2] = {{closeSignal.Fd(), POLLIN, 0}, {-1, endEvents, 0}};
    int result = 0;
    {
      std::shared_lock guard(fdGuard);
      if (fd < 0) return geClosed;
      fds[1].fd = fd;
      result = sys.PPoll(fds, 2, &wait);
    }
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) return geGathered;  // the next wait of the caller fails the same way
    if (fds[0].revents != 0) return geClosed;
    // Hang-up or an error: no reason to keep bytes back from a line that ends.
    if (fds[1].revents != 0) return geGathered;
    if (reads.ReadsNow() != seen.Reads) return geGathered;
    const int now = CountWaiting(sys, fdGuard, fd);
    // Nothing came for a whole wait: the line is quiet (or the time is up).
    if (now <= waiting) return geGathered;
    // The bytes that came during the wait followed those counted before it at the line's rate
    // (see the header): the newest came about k - 1/2 character times after the last count.
    const std::int64_t at = QueryPerformanceCounter();
    const std::int64_t grown = now - waiting;
    const std::int64_t newest = rule.CharacterNs > 0 ? std::min(at, counted + (2 * grown - 1) * rule.CharacterNs / 2)
                                                     : counted + (at - counted) / 2;
    seen.Seen[seen.Count++] = {static_cast<std::uint32_t>(now), newest};
    if (seen.Count == seen.Seen.size()) return geGathered;
    waiting = now;
    counted = at;
  }
}

TWriteWait WaitWritable(TSioSysCalls& sys, TEvent& outputStop, TEvent& closeSignal, std::shared_mutex& fdGuard,
                        const int& fd, bool pollOut, int timeoutMs) {
  for (;;) {
    pollfd fds[3] = {{outputStop.Fd(), POLLIN, 0}, {closeSignal.Fd(), POLLIN, 0}, {-1, 0, 0}};
    int result = 0;
    {
      std::shared_lock guard(fdGuard);
      if (fd < 0) return wwClosed;
      fds[2].fd = fd;
      fds[2].events = pollOut ? POLLOUT : 0;
      result = sys.Poll(fds, 3, timeoutMs);
    }
    if (result < 0) {
      if (errno == EINTR) continue;
      return wwHangUp;
    }
    if ((fds[0].revents & POLLIN) != 0 && outputStop.TryTake()) return wwStop;
    if (fds[1].revents != 0) return wwClosed;
    if ((fds[2].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return wwHangUp;
    return wwWritable;
  }
}
