#include "dispatch/SioPosix.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "dispatch/SioSysCalls.h"
#include "dispatch/SioTermios.h"
#include "platform/SysErrors.h"
#include "common/SioErrorCodes.h"

namespace {

constexpr int kLinePollMs = 20;  // modem lines and error counters are sampled this often
constexpr std::uint32_t kTerminalReadMost = 4095;  // the most one read of a terminal returns

// Calls `call` again while it fails with EINTR.
template <class TCall>
auto Retry(TCall call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

bool NoSuchFeature(int error) { return error == ENOTTY || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

int FailWith(int error) {
  SetLastError(SystemErrorFromErrno(error));
  return -SystemErrorFromErrno(error);
}

}  // namespace

TSioPosixDispatcher::TSioPosixDispatcher(TSioCustomComPort* port)
    : TSioBaseDispatcher(port), Sys(&RealSysCalls()) {}

TSioPosixDispatcher::~TSioPosixDispatcher() { ShutDown(); }

// ---- Open and close -------------------------------------------------------------------

bool TSioPosixDispatcher::MakeCloseSignal() {
  try {
    CloseSignal = std::make_unique<TEvent>(TEvent::ManualReset);
    Reads.Make();
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool TSioPosixDispatcher::AdoptDescriptor(int fd) {
  ModemLines = false;
  Counters = false;
  termios tio{};
  if (Retry([&] { return Sys->TcGetAttr(fd, &tio); }) != 0) return false;

  int bits = 0;
  ModemLines = Retry([&] { return Sys->Ioctl(fd, TIOCMGET, &bits); }) == 0;
  LastModemBits = ModemLines ? bits : 0;
  TLineCounts counts;
  Counters = ReadCountsOf(fd, counts);
  EventCounts = counts;
  {
    std::lock_guard out(OutputLock);
    StatusCounts = counts;
  }
  Reads.Restart();

  TDeviceSettings settings;
  TermiosToSettings(tio, ReadCustomRate(*Sys, fd), settings);
  std::lock_guard guard(SettingsGuard);
  Applied = settings;
  Rs485Applied = false;
  return true;
}

int TSioPosixDispatcher::DeviceOpen(const std::string& name, std::uint32_t, std::uint32_t) {
  const int fd = Retry([&] { return Sys->Open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) {
    SetLastError(SystemErrorFromErrno(errno));
    return -1;
  }
  auto fail = [&](int error) {
    Sys->Close(fd);
    SetLastError(error);
    return -1;
  };
  // flock, because TIOCEXCL does not stop a process running as root.
  if (Retry([&] { return Sys->Flock(fd, LOCK_EX | LOCK_NB); }) != 0 && errno == EWOULDBLOCK) {
    return fail(ERROR_ACCESS_DENIED);
  }
  termios tio{};
  if (Retry([&] { return Sys->TcGetAttr(fd, &tio); }) != 0) {
    // Not a terminal: there is no serial port by that name.
    return fail(errno == ENOTTY ? static_cast<int>(ERROR_FILE_NOT_FOUND) : SystemErrorFromErrno(errno));
  }
  Sys->Ioctl(fd, TIOCEXCL, nullptr);
  // Raw at once, so that nothing the peer sends before the settings are written is echoed
  // back or translated.
  MakeRawTermios(tio);
  if (Retry([&] { return Sys->TcSetAttr(fd, TCSANOW, &tio); }) != 0) {
    return fail(SystemErrorFromErrno(errno));
  }
  if (!AdoptDescriptor(fd)) return fail(SystemErrorFromErrno(errno));
  if (!MakeCloseSignal()) {
    Sys->Close(fd);
    return ecOutOfMemory;
  }
  std::unique_lock guard(FdGuard);
  FDeviceHandle = fd;
  return fd;
}

void TSioPosixDispatcher::CancelDeviceWait() {
  if (CloseSignal) CloseSignal->Set();
}

int TSioPosixDispatcher::DeviceClose() {
  CancelWorkersForClose();
  // Every wait on the descriptor also waits on the close signal, so the workers let go of
  // the descriptor at once.
  std::unique_lock guard(FdGuard);
  if (FDeviceHandle < 0) return -1;
  // The exclusive flag outlives the descriptor: a pseudo-terminal whose other side stays open
  // keeps it after its last close, and a user who cannot pass it could not open the port
  // again.  Drop it first.
  Sys->Ioctl(FDeviceHandle, TIOCNXCL, nullptr);
  // Linux releases the descriptor even when close reports EINTR.
  if (Sys->Close(FDeviceHandle) != 0 && errno != EINTR) return -1;
  FDeviceHandle = -1;
  return 0;
}

// ---- Settings and lines ----------------------------------------------------------------

int TSioPosixDispatcher::DeviceGetSettings(TDeviceSettings& settings) {
  std::shared_lock fdGuard(FdGuard);
  if (FDeviceHandle < 0) return -1;
  std::lock_guard guard(SettingsGuard);
  settings = Applied;
  return 0;
}

int TSioPosixDispatcher::DeviceSetSettings(const TDeviceSettings& settings) {
  std::shared_lock fdGuard(FdGuard);
  const int fd = FDeviceHandle;
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -static_cast<int>(ERROR_INVALID_HANDLE);
  }
  termios tio{};
  if (Retry([&] { return Sys->TcGetAttr(fd, &tio); }) != 0) return FailWith(errno);
  TDeviceSettings wanted = settings;
  wanted.BaudRate = MapBaudCode(settings.BaudRate);
  std::uint32_t customRate = 0;
  if (const int error = SettingsToTermios(wanted, tio, customRate); error != 0) {
    SetLastError(error);
    return -error;
  }
  if (Retry([&] { return Sys->TcSetAttr(fd, TCSANOW, &tio); }) != 0) return FailWith(errno);
  if (customRate != 0 && SetCustomRate(*Sys, fd, customRate) != 0) return FailWith(errno);

  std::lock_guard guard(SettingsGuard);
  const bool toggle = (settings.Flags & dcbRtsControlMask) == dcbRtsControlToggle;
  if (toggle != Rs485Applied) {
    // RTS toggled around each transmission by the driver (RS-485); a device without it
    // keeps its RTS as it is.
    serial_rs485 rs485{};
    if (Retry([&] { return Sys->Ioctl(fd, TIOCGRS485, &rs485); }) == 0) {
      if (toggle) {
        rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        rs485.flags &= ~static_cast<__u32>(SER_RS485_RTS_AFTER_SEND);
      } else {
        rs485.flags &= ~static_cast<__u32>(SER_RS485_ENABLED);
      }
      Retry([&] { return Sys->Ioctl(fd, TIOCSRS485, &rs485); });
    }
    Rs485Applied = toggle;
  }
  Applied = settings;
  return 0;
}

int TSioPosixDispatcher::DeviceEscape(int function) {
  int bits = 0;
  unsigned long request = 0;
  switch (function) {
    case SETRTS: request = TIOCMBIS; bits = TIOCM_RTS; break;
    case CLRRTS: request = TIOCMBIC; bits = TIOCM_RTS; break;
    case SETDTR: request = TIOCMBIS; bits = TIOCM_DTR; break;
    case CLRDTR: request = TIOCMBIC; bits = TIOCM_DTR; break;
    default: return 0;  // GETBASEIRQ and others: nothing to do on this platform
  }
  std::shared_lock guard(FdGuard);
  if (FDeviceHandle < 0) return -static_cast<int>(ERROR_INVALID_HANDLE);
  if (Retry([&] { return Sys->Ioctl(FDeviceHandle, request, &bits); }) == 0) return 0;
  // A pseudo-terminal has no modem lines: there is nothing to switch.
  if (NoSuchFeature(errno)) return 0;
  return FailWith(errno);
}

std::uint32_t TSioPosixDispatcher::DeviceModemLevels() {
  if (!ModemLines) return 0;
  std::shared_lock guard(FdGuard);
  int bits = 0;
  if (FDeviceHandle < 0 || Retry([&] { return Sys->Ioctl(FDeviceHandle, TIOCMGET, &bits); }) != 0) return 0;
  return ((bits & TIOCM_CTS) != 0 ? MS_CTS_ON : 0) | ((bits & TIOCM_DSR) != 0 ? MS_DSR_ON : 0) |
         ((bits & TIOCM_RNG) != 0 ? MS_RING_ON : 0) | ((bits & TIOCM_CAR) != 0 ? MS_RLSD_ON : 0);
}

bool TSioPosixDispatcher::ReadCountsOf(int fd, TLineCounts& counts) {
  serial_icounter_struct c{};
  if (Retry([&] { return Sys->Ioctl(fd, TIOCGICOUNT, &c); }) != 0) return false;
  counts.Frame = c.frame;
  counts.Overrun = c.overrun;
  counts.Parity = c.parity;
  counts.Break = c.brk;
  counts.BufOverrun = c.buf_overrun;
  return true;
}

bool TSioPosixDispatcher::ReadCounts(TLineCounts& counts) {
  std::shared_lock guard(FdGuard);
  return FDeviceHandle >= 0 && ReadCountsOf(FDeviceHandle, counts);
}

// ---- Status, reads and purges ------------------------------------------------------------

int TSioPosixDispatcher::BytesWaiting() {
  std::shared_lock guard(FdGuard);
  int count = 0;
  if (FDeviceHandle < 0 || Retry([&] { return Sys->Ioctl(FDeviceHandle, FIONREAD, &count); }) != 0) return -1;
  return count;
}

std::uint32_t TSioPosixDispatcher::DeviceReadLineErrors() {
  std::lock_guard out(OutputLock);
  std::uint32_t errors = 0;
  if (Counters) {
    TLineCounts now;
    if (ReadCounts(now)) {
      if (now.BufOverrun != StatusCounts.BufOverrun) errors |= CE_RXOVER;
      if (now.Overrun != StatusCounts.Overrun) errors |= CE_OVERRUN;
      if (now.Parity != StatusCounts.Parity) errors |= CE_RXPARITY;
      if (now.Frame != StatusCounts.Frame) errors |= CE_FRAME;
      if (now.Break != StatusCounts.Break) errors |= CE_BREAK;
      StatusCounts = now;
    }
  }
  return errors;
}

std::uint32_t TSioPosixDispatcher::DeviceReadStatus(TDeviceStatus& status) {
  std::lock_guard out(OutputLock);
  const int waiting = BytesWaiting();
  status.Flags = 0;
  status.InQue = waiting > 0 ? static_cast<std::uint32_t>(waiting) : 0;
  status.OutQue = FOutRing.Count();
  return DeviceReadLineErrors();
}

int TSioPosixDispatcher::DeviceRead(std::uint8_t* buffer, std::uint32_t count) {
  std::shared_lock guard(FdGuard);
  if (FDeviceHandle < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  // One terminal read returns at most 4095 bytes (the line discipline's buffer): after such
  // a read more may wait behind it, so keep reading until the stretch is full.  A shorter
  // read emptied the device: asking again would only make the kernel wait for its input
  // worker before answering that nothing is left, and what comes next is announced by the
  // event worker.  Never waits for the device.
  std::uint32_t total = 0;
  while (total < count) {
    const ssize_t n = Sys->Read(FDeviceHandle, buffer + total, count - total);
    if (n > 0) {
      total += static_cast<std::uint32_t>(n);
      if (static_cast<std::uint32_t>(n) < kTerminalReadMost) break;
      continue;
    }
    if (n == 0) break;  // hang-up: nothing more will come
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) break;
    if (total == 0) {
      SetLastError(SystemErrorFromErrno(errno));
      return -1;
    }
    break;
  }
  if (total != 0) Reads.NoteRead();
  return static_cast<int>(total);
}

int TSioPosixDispatcher::Flush(int queue) {
  std::shared_lock guard(FdGuard);
  if (FDeviceHandle < 0) return -static_cast<int>(ERROR_INVALID_HANDLE);
  if (Retry([&] { return Sys->TcFlush(FDeviceHandle, queue); }) != 0) return FailWith(errno);
  return 0;
}

int TSioPosixDispatcher::DevicePurge(int queue) {
  if (queue != 0) {
    const int result = Flush(TCIFLUSH);
    std::lock_guard in(InputLock);
    Reads.NoteRead();
    FArrivals.ForgetWaiting();
    return result;
  }
  // Also without an output worker: the ring and the device's output queue are emptied.
  StopOutputAndEmptyRing();
  return Flush(TCOFLUSH);
}

// ---- Output ----------------------------------------------------------------------------

std::uint32_t TSioPosixDispatcher::WriteAtOnce(const std::uint8_t* bytes, std::uint32_t count, bool& gone) {
  gone = false;
  ssize_t n = 0;
  int error = 0;
  {
    std::shared_lock guard(FdGuard);
    if (FDeviceHandle < 0) return 0;
    n = Retry([&] { return Sys->Write(FDeviceHandle, bytes, count); });
    error = errno;
  }
  if (n > 0) {
    NoteOutputMoved();
    return static_cast<std::uint32_t>(n);
  }
  // Held back (flow control, a full device): the output worker waits until it may write.
  if (n == 0 || error == EAGAIN || error == EWOULDBLOCK) return 0;
  // A device that hung up takes nothing more: the line is lost and this write fails, as
  // any after it does (the event worker reports the loss).
  if (DeviceHungUp()) {
    MarkLineLost(SystemErrorFromErrno(error));
    gone = true;
    return 0;
  }
  // Refused on a line that still works: dropped, as the output worker drops such a run.
  return count;
}

void TSioPosixDispatcher::DrainOutputRing() {
  const std::uint8_t* data = nullptr;
  std::uint32_t run = 0;
  std::uint32_t generation = 0;
  bool refusedAfterWritable = false;
  // Nothing is written to a device that failed for good (see MarkLineLost).  The run lies
  // between tail and head, which only this worker moves past; the main thread writes only
  // into the free part of the ring.
  while (LineLostError() == 0 && TakeOutputRun(data, run, generation)) {
    ssize_t n = 0;
    int error = 0;
    {
      std::shared_lock guard(FdGuard);
      if (FDeviceHandle < 0) return;  // closed: the release discards what is queued
      n = Retry([&] { return Sys->Write(FDeviceHandle, data, run); });
      error = errno;
    }
    if (n > 0) {
      AdvanceOutputRing(static_cast<std::uint32_t>(n), generation);  // a short write: the rest is the next run
      refusedAfterWritable = false;
      continue;
    }
    bool gone = false;
    if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK)) {
      // A device that said writable and then refused again is given 1 ms, not a spin.
      switch (WaitWritable(*Sys, *OutputStopSignal, *CloseSignal, FdGuard, FDeviceHandle, !refusedAfterWritable,
                           refusedAfterWritable ? 1 : -1)) {
        case wwWritable:
          refusedAfterWritable = true;
          continue;
        case wwStop:
          AcknowledgeOutputStop();
          return;
        case wwClosed:
          return;
        case wwHangUp:
          gone = true;
          break;
      }
    } else {
      gone = DeviceHungUp();
    }
    if (gone) {
      // The device is gone: the run is not dropped as if sent.  It stays queued (OutUsed
      // counts it), WriteBlock refuses from now on, and the event worker reports the loss.
      MarkLineLost(n < 0 && error != EAGAIN && error != EWOULDBLOCK ? SystemErrorFromErrno(error)
                                                                     : static_cast<int>(ERROR_GEN_FAILURE));
      return;
    }
    // The device refused these bytes alone (a write error on a line that still works): the
    // run is dropped, the next one is tried.
    AdvanceOutputRing(run, generation);
    refusedAfterWritable = false;
  }
}

bool TSioPosixDispatcher::DeviceHungUp() {
  std::shared_lock guard(FdGuard);
  if (FDeviceHandle < 0) return false;
  pollfd device{FDeviceHandle, 0, 0};
  return Retry([&] { return Sys->Poll(&device, 1, 0); }) > 0 &&
         (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// ---- Device events -----------------------------------------------------------------------

std::uint32_t TSioPosixDispatcher::LineEvents() {
  std::uint32_t word = 0;
  if (ModemLines) {
    int bits = 0;
    int ok = -1;
    {
      std::shared_lock guard(FdGuard);
      if (FDeviceHandle >= 0) ok = Retry([&] { return Sys->Ioctl(FDeviceHandle, TIOCMGET, &bits); });
    }
    if (ok == 0) {
      const int changed = bits ^ LastModemBits;
      if ((changed & TIOCM_CTS) != 0) word |= EV_CTS;
      if ((changed & TIOCM_DSR) != 0) word |= EV_DSR;
      if ((changed & TIOCM_CAR) != 0) word |= EV_RLSD;
      // Either edge: a ring that starts and ends between two samples is seen as it ends.
      if ((changed & TIOCM_RNG) != 0) word |= EV_RING;
      LastModemBits = bits;
    }
  }
  if (Counters) {
    TLineCounts now;
    if (ReadCounts(now)) {
      if (now.Frame != EventCounts.Frame || now.Parity != EventCounts.Parity ||
          now.Overrun != EventCounts.Overrun || now.BufOverrun != EventCounts.BufOverrun) {
        word |= EV_ERR;
      }
      if (now.Break != EventCounts.Break) word |= EV_BREAK;
      EventCounts = now;
    }
  }
  return word;
}

bool TSioPosixDispatcher::DeviceWaitEvent(std::uint32_t& eventWord) {
  eventWord = 0;
  const bool sampleLines = ModemLines || Counters;
  bool stale = false;
  for (;;) {
    pollfd fds[3] = {{CloseSignal->Fd(), POLLIN, 0}, {-1, 0, 0}, {Reads.Fd(), POLLIN, 0}};
    const std::uint32_t readsBefore = Reads.ReadsNow();
    // Announced only once a read has been made; one made just now is not waited for.
    if (stale) stale = Reads.BeginStaleWait();
    int result = 0;
    int pollError = 0;
    {
      std::shared_lock guard(FdGuard);
      if (FDeviceHandle < 0) return true;  // closed: the wait completes with no events
      fds[1].fd = FDeviceHandle;
      // While reported bytes wait unread, only hang-up, errors and reads are watched.
      fds[1].events = stale ? 0 : POLLIN;
      result = Sys->Poll(fds, stale ? 3 : 2, sampleLines ? kLinePollMs : -1);
      pollError = errno;  // before TryTake below, which may change errno
    }
    if (stale) Reads.EndStaleWait();
    if (result < 0) {
      // An interrupted wait is no failure: a failed wait now counts as a lost line.
      if (pollError == EINTR) continue;
      SetLastError(SystemErrorFromErrno(pollError));
      return false;
    }
    if (fds[0].revents != 0) return true;  // empty event mask: no events
    const short events = fds[1].revents;
    if ((events & POLLNVAL) != 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    const bool hangUp = (events & (POLLHUP | POLLERR)) != 0;
    if (stale && !hangUp) {
      stale = false;  // look again, with POLLIN
    } else if ((events & POLLIN) != 0 || hangUp) {
      // POLLIN alone says that bytes wait; only beside a hang-up is counting them worth a call.
      const bool waiting = !hangUp || BytesWaiting() > 0;
      // A receive latency lets news gather first; a hang-up is told at once, as before.
      if (waiting && !hangUp && Reads.Fresh(readsBefore) && !GatherReceived(*Sys, *CloseSignal, FdGuard, 0, Reads)) {
        return true;
      }
      // Bytes reported before and not read since are there because the input ring is full:
      // whoever frees it asks the dispatch worker for a pass, which reads them.
      if (waiting && Reads.Announce(readsBefore)) {
        eventWord |= EV_RXCHAR;
      } else if (hangUp) {
        // Nothing new can be read from a device that hung up: the wait fails, and the
        // dispatch worker's passes still take what it holds.
        SetLastError(ERROR_GEN_FAILURE);
        return false;
      } else {
        stale = true;
      }
    }
    if (sampleLines) eventWord |= LineEvents();
    if (eventWord != 0) return true;
  }
}

// ---- The variant over a descriptor opened elsewhere ---------------------------------------

TSioTAPI32Dispatcher::TSioTAPI32Dispatcher(TSioCustomComPort* port, int openDescriptor)
    : TSioPosixDispatcher(port) {
  FDeviceHandle = openDescriptor;
}

TSioTAPI32Dispatcher::~TSioTAPI32Dispatcher() { ShutDown(); }

int TSioTAPI32Dispatcher::DeviceOpen(const std::string&, std::uint32_t, std::uint32_t) {
  if (!MakeCloseSignal()) {
    DeviceClose();
    return -1;
  }
  if (FDeviceHandle <= 0) {
    FDeviceHandle = -1;
    SetLastError(-ecCommNotOpen);
    return ecCommNotOpen;
  }
  // Reads must never wait, whoever opened the descriptor.
  int nonBlocking = 1;
  Sys->Ioctl(FDeviceHandle, FIONBIO, &nonBlocking);
  // A descriptor that is not a terminal keeps the record's defaults and has no modem lines.
  AdoptDescriptor(FDeviceHandle);
  return FDeviceHandle;
}
