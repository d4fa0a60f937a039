#include "dispatch/SioSocket.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "common/SioErrorCodes.h"
#include "dispatch/SioSocketRead.h"
#include "platform/SysErrors.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::size_t kSendQueueLimit = 1 << 20;  // telnet bytes the socket has not taken yet
// The server's own line bits we ask to be told of: break, framing, parity, overrun.
constexpr std::uint8_t kLineStateMask = lsBreak | lsFraming | lsParity | lsOverrun;

int FailWith(int error) {
  SetLastError(error);
  return -error;
}

int ErrnoError(int err) { return SystemErrorFromErrno(err); }

std::uint32_t LineErrorBits(std::uint8_t lineState) {
  return ((lineState & lsOverrun) != 0 ? CE_OVERRUN : 0) | ((lineState & lsParity) != 0 ? CE_RXPARITY : 0) |
         ((lineState & lsFraming) != 0 ? CE_FRAME : 0) | ((lineState & lsBreak) != 0 ? CE_BREAK : 0);
}

// The name lookup, on a thread of its own so that the open can give up on it: getaddrinfo has
// no time limit of its own, and a resolver that does not answer would hold the caller for
// half a minute.  A lookup given up on frees its result itself.
struct TLookup {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  bool Abandoned = false;
  int Result = 0;
  int Errno = 0;
  addrinfo* Addresses = nullptr;
};

// getaddrinfo's result (0 or EAI_...) within the limit; EAI_AGAIN with errno ETIMEDOUT when
// the time ran out.
int LookUp(const TSocketPath& path, TClock::time_point deadline, addrinfo*& addresses, int& err) {
  auto lookup = std::make_shared<TLookup>();
  try {
    std::thread([lookup, host = path.Host, port = path.Port] {
      addrinfo hints{};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = SOCK_STREAM;
      hints.ai_flags = AI_NUMERICSERV;
      addrinfo* found = nullptr;
      const int result = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
      const int error = errno;
      std::lock_guard guard(lookup->Lock);
      if (lookup->Abandoned) {
        if (found != nullptr) freeaddrinfo(found);
        return;
      }
      lookup->Result = result;
      lookup->Errno = error;
      lookup->Addresses = found;
      lookup->Finished = true;
      lookup->Done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    err = EAGAIN;
    return EAI_SYSTEM;
  }
  std::unique_lock guard(lookup->Lock);
  if (!lookup->Done.wait_until(guard, deadline, [&] { return lookup->Finished; })) {
    lookup->Abandoned = true;
    err = ETIMEDOUT;
    return EAI_AGAIN;
  }
  addresses = lookup->Addresses;
  err = lookup->Errno;
  return lookup->Result;
}

// The error the socket holds (a reset), or 0.
int PendingSocketError(int fd) {
  int soError = 0;
  socklen_t size = sizeof soError;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &size) == 0 ? soError : 0;
}

int MillisecondsLeft(TClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TSioSocketDispatcher::TSioSocketDispatcher(TSioCustomComPort* port) : TSioBaseDispatcher(port) {}

TSioSocketDispatcher::~TSioSocketDispatcher() { ShutDown(); }

// ---- Open and close ---------------------------------------------------------------------

int TSioSocketDispatcher::Connect(const TSocketPath& path) {
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(kConnectLimitMs);
  addrinfo* addresses = nullptr;
  int err = 0;
  const int looked = LookUp(path, deadline, addresses, err);
  if (looked != 0) {
    if (looked == EAI_SYSTEM || (looked == EAI_AGAIN && err == ETIMEDOUT)) {
      SetLastError(ErrnoError(looked == EAI_SYSTEM ? err : ETIMEDOUT));
    } else {
      // No such name (or no address for it): there is no line by that name.
      SetLastError(ERROR_FILE_NOT_FOUND);
    }
    return -1;
  }
  int lastError = ECONNREFUSED;
  int fd = -1;
  // Each address in turn (a name may stand for an IPv6 and an IPv4 address), all within the
  // one limit.
  for (const addrinfo* a = addresses; a != nullptr && fd < 0; a = a->ai_next) {
    const int s = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (s < 0) {
      lastError = errno;
      continue;
    }
    int result = connect(s, a->ai_addr, a->ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
      pollfd p{s, POLLOUT, 0};
      for (;;) {
        const int ready = poll(&p, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
          errno = ready == 0 ? ETIMEDOUT : errno;
          break;
        }
        int soError = 0;
        socklen_t size = sizeof soError;
        getsockopt(s, SOL_SOCKET, SO_ERROR, &soError, &size);
        errno = soError;
        // A reset means the server took the connection and dropped it before we looked: the
        // line opened and is lost already, which the event worker reports as for any reset
        // (the look cleared the socket's error, so it is kept here).
        if (soError == ECONNRESET) NoteEndError(soError);
        if (soError == 0 || soError == ECONNRESET) result = 0;
        break;
      }
    }
    if (result == 0) {
      fd = s;
    } else {
      lastError = errno;
      close(s);
      if (lastError == ETIMEDOUT) break;
    }
  }
  freeaddrinfo(addresses);
  if (fd < 0) {
    SetLastError(ErrnoError(lastError));
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

int TSioSocketDispatcher::DeviceOpen(const std::string& name, std::uint32_t, std::uint32_t) {
  TSocketPath path;
  if (!ParseSocketPath(name, path)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  try {
    CloseSignal = std::make_unique<TEvent>(TEvent::ManualReset);
    Reads.Make();
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
  FEndError = 0;
  const int fd = Connect(path);
  if (fd < 0) return -1;
  FTelnet = path.Kind == skRfc2217;
  {
    std::lock_guard line(LineGuard);
    Applied = TDeviceSettings{};
    Applied.BaudRate = 9600;
    Applied.Flags = dcbBinary;
    Sent = TSentLine{};
    FAgreed = false;
  }
  FModemLevels = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
  LastLevels = FModemLevels;
  FStatusErrors = 0;
  FEventErrors = 0;
  FSuspended = false;
  Reads.Restart();
  {
    std::unique_lock guard(FdGuard);
    FDeviceHandle = fd;
  }
  if (FTelnet) {
    std::vector<std::uint8_t> offers;
    {
      std::lock_guard codec(CodecGuard);
      Codec = TRfc2217Codec{};
      FDroppedSubsLogged = 0;
      Codec.Start(offers);
    }
    SendTelnet(offers);
  }
  return fd;
}

void TSioSocketDispatcher::CancelDeviceWait() {
  if (CloseSignal) CloseSignal->Set();
}

int TSioSocketDispatcher::DeviceClose() {
  CancelWorkersForClose();
  // Every wait on the socket also waits on the close signal: the workers let go at once.
  std::unique_lock guard(FdGuard);
  if (FDeviceHandle < 0) return -1;
  close(FDeviceHandle);  // Linux releases the descriptor even when close reports EINTR
  FDeviceHandle = -1;
  return 0;
}

// ---- Settings and lines --------------------------------------------------------------------

int TSioSocketDispatcher::DeviceGetSettings(TDeviceSettings& settings) {
  {
    // Let go before LineGuard: FdGuard is innermost (LineGuard -> SendGuard -> FdGuard).
    std::shared_lock fdGuard(FdGuard);
    if (FDeviceHandle < 0) return -1;
  }
  std::lock_guard line(LineGuard);
  settings = Applied;
  return 0;
}

int TSioSocketDispatcher::DeviceSetSettings(const TDeviceSettings& settings) {
  {
    std::shared_lock fdGuard(FdGuard);
    if (FDeviceHandle < 0) return FailWith(ERROR_INVALID_HANDLE);
  }
  std::lock_guard line(LineGuard);
  Applied = settings;
  if (FAgreed) SendLineChanges();
  return 0;
}

int TSioSocketDispatcher::DeviceEscape(int function) {
  std::lock_guard line(LineGuard);
  switch (function) {
    case SETRTS: RtsWanted = true; break;
    case CLRRTS: RtsWanted = false; break;
    case SETDTR: DtrWanted = true; break;
    case CLRDTR: DtrWanted = false; break;
    default: return 0;
  }
  if (FAgreed) SendLineChanges();
  return 0;
}

void TSioSocketDispatcher::SendLineChanges() {
  const TDeviceSettings& s = Applied;
  std::vector<std::uint8_t> out;
  const std::uint32_t baud = MapBaudCode(s.BaudRate);
  if (Sent.Baud != baud) TRfc2217Codec::SetBaudRate(baud, out);
  Sent.Baud = baud;
  auto put = [&out](int& sent, int value, TComPortCommand command) {
    if (sent != value) TRfc2217Codec::SetByte(command, static_cast<std::uint8_t>(value), out);
    sent = value;
  };
  put(Sent.DataSize, s.ByteSize, cpcSetDataSize);
  put(Sent.Parity, s.Parity <= 4 ? s.Parity + 1 : 1, cpcSetParity);  // 0 none .. 4 space -> 1 .. 5
  put(Sent.StopSize, s.StopBits == 0 ? 1 : s.StopBits == 1 ? 3 : 2, cpcSetStopSize);
  const bool hardware = (s.Flags & dcbOutxCtsFlow) != 0 || (s.Flags & dcbRtsControlMask) == dcbRtsControlHandshake;
  const bool software = (s.Flags & (dcbOutX | dcbInX)) != 0;
  put(Sent.Flow, hardware ? ctlHardwareFlow : software ? ctlXonXoff : ctlNoFlow, cpcSetControl);
  // Lines the flow control drives are the server's to switch.
  if ((s.Flags & dcbDtrControlMask) != dcbDtrControlHandshake)
    put(Sent.Dtr, DtrWanted ? ctlDtrOn : ctlDtrOff, cpcSetControl);
  if ((s.Flags & dcbRtsControlMask) != dcbRtsControlHandshake)
    put(Sent.Rts, RtsWanted ? ctlRtsOn : ctlRtsOff, cpcSetControl);
  if (!out.empty()) SendTelnet(out);
}

std::uint32_t TSioSocketDispatcher::DeviceModemLevels() {
  std::shared_lock guard(FdGuard);
  if (FDeviceHandle < 0 || LineLostError() != 0) return 0;
  return FModemLevels.load();
}

void TSioSocketDispatcher::NoteEndError(int err) {
  if (err == 0) return;
  // Sending into a connection the server has closed: it closed it.
  const int error = err == EPIPE ? static_cast<int>(ERROR_GRACEFUL_DISCONNECT) : ErrnoError(err);
  int none = 0;
  FEndError.compare_exchange_strong(none, error);
}

int TSioSocketDispatcher::EndError() const {
  const int error = FEndError.load();
  return error != 0 ? error : static_cast<int>(ERROR_GRACEFUL_DISCONNECT);
}

// ---- Status, reads and purges ----------------------------------------------------------------

int TSioSocketDispatcher::BytesWaiting() {
  std::shared_lock guard(FdGuard);
  int count = 0;
  if (FDeviceHandle < 0 || ioctl(FDeviceHandle, FIONREAD, &count) != 0) return -1;
  return count;
}

std::uint32_t TSioSocketDispatcher::DeviceReadStatus(TDeviceStatus& status) {
  std::lock_guard out(OutputLock);
  const int waiting = BytesWaiting();
  status.Flags = 0;
  status.InQue = waiting > 0 ? static_cast<std::uint32_t>(waiting) : 0;
  status.OutQue = FOutRing.Count();
  return DeviceReadLineErrors();
}

std::uint32_t TSioSocketDispatcher::DeviceReadLineErrors() { return FStatusErrors.exchange(0); }

void TSioSocketDispatcher::PublishCodecState() {
  if (Codec.ModemStateKnown()) FModemLevels = Codec.ModemState() & 0xF0u;
  if (const std::uint32_t errors = LineErrorBits(Codec.TakeLineState()); errors != 0) {
    FStatusErrors |= errors;
    FEventErrors |= errors;
  }
  // A resume wakes the output worker, which sends what waited in the ring meanwhile.
  const bool suspended = Codec.SendingSuspended();
  if (FSuspended.exchange(suspended) && !suspended && OutputReadySignal) OutputReadySignal->Set();
  FServerBaud = Codec.ServerBaudRate();
  FServerDataSize = Codec.ServerValue(cpcSetDataSize);
}

int TSioSocketDispatcher::DeviceRead(std::uint8_t* buffer, std::uint32_t count) {
  TSocketRead read;
  bool agreedNow = false;
  // Answers are sent, and a dropped subnegotiation logged, once the descriptor guard is let
  // go (sending takes it again; the log takes MainLock).
  std::vector<std::uint8_t> replies;
  std::uint8_t dropped[TRfc2217Codec::kMaxSub];
  bool droppedNow = false;
  {
    std::shared_lock guard(FdGuard);
    if (FDeviceHandle < 0) return FailWith(ERROR_INVALID_HANDLE);
    const int fd = FDeviceHandle;
    read = ReadSocket(
        buffer, count, [fd](std::uint8_t* into, std::uint32_t room) { return recv(fd, into, room, MSG_DONTWAIT); },
        [&](std::uint8_t* bytes, std::uint32_t n) -> std::size_t {
          if (!FTelnet) return n;
          std::lock_guard codec(CodecGuard);
          const std::size_t data = Codec.Decode(bytes, n, bytes, replies);
          PublishCodecState();
          agreedNow = agreedNow || (Codec.ComPortAgreed() && !FAgreed.load());
          if (Codec.DroppedSubnegotiations() != FDroppedSubsLogged) {
            FDroppedSubsLogged = Codec.DroppedSubnegotiations();
            std::memcpy(dropped, Codec.LastDroppedSubnegotiation(), sizeof dropped);
            droppedNow = true;
          }
          return data;
        });
    if (read.Error != 0) {
      NoteEndError(read.Error);
      SetLastError(ErrnoError(read.Error));
      return -1;
    }
  }
  const bool took = read.Received != 0;  // telnet alone, maybe: no data, still a read
  if (took) Reads.NoteRead();
  if (droppedNow && FLogOn) LogRecord(lkTelnet, lsTelnetCommand, dropped[0], dropped, sizeof dropped);
  if (!replies.empty()) SendTelnet(replies);
  if (agreedNow) {
    // The server takes COM-PORT commands from now on: the whole set-up goes first, then the
    // masks that ask it to report its lines.
    std::lock_guard line(LineGuard);
    FAgreed = true;
    std::vector<std::uint8_t> masks;
    TRfc2217Codec::SetByte(cpcSetModemStateMask, 0xFF, masks);
    TRfc2217Codec::SetByte(cpcSetLineStateMask, kLineStateMask, masks);
    SendLineChanges();
    SendTelnet(masks);
  }
  return static_cast<int>(read.Data);
}

int TSioSocketDispatcher::DevicePurge(int queue) {
  if (queue != 0) {
    // What the socket holds now is thrown away (what the server said in it is kept).
    std::uint8_t scrap[4096];
    for (int i = 0; i < 16 && DeviceRead(scrap, sizeof scrap) > 0; ++i) {
    }
    std::lock_guard in(InputLock);
    Reads.NoteRead();
    FArrivals.ForgetWaiting();
  } else {
    StopOutputAndEmptyRing();
  }
  if (FTelnet && FAgreed) {
    std::vector<std::uint8_t> purge;
    TRfc2217Codec::SetByte(cpcPurgeData, queue != 0 ? 1 : 2, purge);
    SendTelnet(purge);
  }
  return 0;
}

// ---- Output ---------------------------------------------------------------------------------

std::uint32_t TSioSocketDispatcher::WriteAtOnce(const std::uint8_t* bytes, std::uint32_t count, bool& gone) {
  gone = false;
  bool waiting = false;
  std::uint32_t taken = 0;
  {
    std::lock_guard sending(SendGuard);
    if (!SendQueue.empty()) return 0;  // telnet bytes queued before these go first
    if (FSuspended) return 0;          // the server asked us to hold the data: it waits in the ring
    bool queued = false;
    if (!SendDataLocked(bytes, count, taken, gone, queued)) return 0;
    waiting = FTelnet && queued;
  }
  if (gone) {
    std::lock_guard sending(SendGuard);
    SendQueue.clear();
    MarkLineLost(EndError());
    return 0;
  }
  if (taken != 0) NoteOutputMoved();
  if (waiting && OutputReadySignal) OutputReadySignal->Set();
  return taken;
}

bool TSioSocketDispatcher::FlushSendQueueLocked() {
  std::size_t sent = 0;
  bool ok = true;
  {
    std::shared_lock guard(FdGuard);
    if (FDeviceHandle < 0) return false;
    while (sent < SendQueue.size()) {
      const ssize_t n = send(FDeviceHandle, SendQueue.data() + sent, SendQueue.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        ok = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (!ok) NoteEndError(n < 0 ? errno : EPIPE);
        break;
      }
    }
  }
  SendQueue.erase(SendQueue.begin(), SendQueue.begin() + static_cast<std::ptrdiff_t>(sent));
  return ok;
}

bool TSioSocketDispatcher::SendDataLocked(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t& taken,
                                          bool& failed, bool& queued) {
  taken = 0;
  if (FTelnet) {
    TRfc2217Codec::EscapeData(bytes, count, SendQueue);
    failed = !FlushSendQueueLocked();
    queued = !SendQueue.empty();
    taken = count;  // what the socket did not take waits in the send queue
    return true;
  }
  std::shared_lock guard(FdGuard);
  if (FDeviceHandle < 0) return false;
  ssize_t n = 0;
  do {
    n = send(FDeviceHandle, bytes, count, MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n > 0) taken = static_cast<std::uint32_t>(n);
  failed = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
  if (failed) NoteEndError(errno);
  queued = n <= 0;  // the socket took nothing: wait until it is writable
  return true;
}

void TSioSocketDispatcher::SendTelnet(const std::vector<std::uint8_t>& bytes) {
  bool waiting = false;
  {
    std::lock_guard sending(SendGuard);
    // A server that stopped reading long ago gets no more commands (the data waits in the
    // output ring, whose size bounds it).
    if (SendQueue.size() + bytes.size() > kSendQueueLimit) return;
    SendQueue.insert(SendQueue.end(), bytes.begin(), bytes.end());
    if (!FlushSendQueueLocked()) {
      MarkLineLost(EndError());
      SendQueue.clear();
    }
    waiting = !SendQueue.empty();
  }
  if (waiting && OutputReadySignal) OutputReadySignal->Set();
}

void TSioSocketDispatcher::DrainOutputRing() {
  while (LineLostError() == 0) {
    bool failed = false;
    bool queued = false;
    {
      std::lock_guard sending(SendGuard);
      failed = !FlushSendQueueLocked();
      queued = !SendQueue.empty();
    }
    // While the server holds the data back, the ring keeps it; its resume wakes this worker.
    if (!failed && !queued && FSuspended) return;
    if (!failed && !queued) {
      const std::uint8_t* data = nullptr;
      std::uint32_t run = 0, generation = 0;
      // The run lies between tail and head, which only this worker moves past.
      if (!TakeOutputRun(data, run, generation)) return;
      std::uint32_t taken = 0;
      {
        // SendGuard is let go before the ring advances (OutputLock is never taken under it).
        std::lock_guard sending(SendGuard);
        if (!SendDataLocked(data, run, taken, failed, queued)) return;  // closed: the release discards the ring
      }
      if (!failed && taken != 0) AdvanceOutputRing(taken, generation);
    }
    if (failed) {
      // The connection is gone: what is queued stays (OutUsed counts it), WriteBlock refuses
      // from now on, and the event worker reports the loss.
      MarkLineLost(EndError());
      return;
    }
    if (queued) {
      switch (WaitWritable(RealSysCalls(), *OutputStopSignal, *CloseSignal, FdGuard, FDeviceHandle, true, -1)) {
        case wwWritable:
          break;
        case wwStop:
          AcknowledgeOutputStop();
          return;
        case wwClosed:
          return;
        case wwHangUp: {
          {
            std::shared_lock guard(FdGuard);
            if (FDeviceHandle >= 0) NoteEndError(PendingSocketError(FDeviceHandle));
          }
          MarkLineLost(EndError());
          return;
        }
      }
    }
  }
}

// ---- Device events -----------------------------------------------------------------------------

bool TSioSocketDispatcher::DeviceWaitEvent(std::uint32_t& eventWord) {
  eventWord = 0;
  bool stale = false;
  for (;;) {
    // Notifications the dispatch worker decoded since the last wait end it at once.
    const std::uint32_t levels = DeviceModemLevels();
    const std::uint32_t changed = levels ^ LastLevels;
    LastLevels = levels;
    if ((changed & MS_CTS_ON) != 0) eventWord |= EV_CTS;
    if ((changed & MS_DSR_ON) != 0) eventWord |= EV_DSR;
    if ((changed & MS_RLSD_ON) != 0) eventWord |= EV_RLSD;
    if ((changed & MS_RING_ON) != 0) eventWord |= EV_RING;
    const std::uint32_t errors = FEventErrors.exchange(0);
    if ((errors & (CE_OVERRUN | CE_RXPARITY | CE_FRAME)) != 0) eventWord |= EV_ERR;
    if ((errors & CE_BREAK) != 0) eventWord |= EV_BREAK;
    if (eventWord != 0) return true;

    // Bytes announced before and not read since (a full input ring) are not announced
    // again: until a read is made only the connection's end is watched.
    const std::uint32_t readsBefore = Reads.ReadsNow();
    if (stale) stale = Reads.BeginStaleWait();
    pollfd fds[3] = {{CloseSignal->Fd(), POLLIN, 0}, {-1, 0, 0}, {Reads.Fd(), POLLIN, 0}};
    int result = 0;
    int pollError = 0;
    {
      std::shared_lock guard(FdGuard);
      if (FDeviceHandle < 0) return true;  // closed: the wait completes with no events
      fds[1].fd = FDeviceHandle;
      fds[1].events = static_cast<short>(POLLRDHUP | (stale ? 0 : POLLIN));
      result = poll(fds, stale ? 3 : 2, -1);
      pollError = errno;
      if (result > 0 && (fds[1].revents & (POLLHUP | POLLERR)) != 0) NoteEndError(PendingSocketError(FDeviceHandle));
    }
    if (stale) Reads.EndStaleWait();
    if (result < 0) {
      if (pollError == EINTR) continue;
      SetLastError(ErrnoError(pollError));
      return false;
    }
    if (fds[0].revents != 0) return true;
    const short events = fds[1].revents;
    if ((events & POLLNVAL) != 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    const bool ended = (events & (POLLHUP | POLLERR | POLLRDHUP)) != 0;
    if (stale && !ended) {
      stale = false;  // a read was made: look again, with POLLIN
    } else if ((events & POLLIN) != 0 || ended) {
      const bool waiting = BytesWaiting() > 0;
      if (waiting && !ended && Reads.Fresh(readsBefore) &&
          !GatherReceived(RealSysCalls(), *CloseSignal, FdGuard, POLLRDHUP, Reads)) {
        return true;
      }
      if (waiting && Reads.Announce(readsBefore)) {
        eventWord |= EV_RXCHAR;
        return true;
      }
      if (ended) {
        // The server closed (or reset) the connection and everything it sent is read.
        SetLastError(EndError());
        return false;
      }
      stale = true;
    }
  }
}
