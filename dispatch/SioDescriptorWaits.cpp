#include "dispatch/SioDescriptorWaits.h"

#include <cerrno>
#include <mutex>

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
  if (Reported && readsBefore == ReportedGeneration) return false;
  Reported = true;
  ReportedGeneration = readsBefore;
  return true;
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
