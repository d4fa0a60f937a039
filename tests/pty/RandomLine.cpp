#include "RandomLine.h"

#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>

#include "dispatch/SioPortName.h"

namespace {

constexpr std::uint64_t kRecordSpan = std::uint64_t{1} << 28;  // records a group of four tells apart

std::string Hex(unsigned value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

}  // namespace

std::uint8_t NumberedByte(std::uint64_t index) {
  const std::uint64_t record = index / 4;
  switch (index % 4) {
    case 0:
      return static_cast<std::uint8_t>(0x80 | ((record >> 21) & 0x7F));
    case 1:
      return static_cast<std::uint8_t>((record >> 14) & 0x7F);
    case 2:
      return static_cast<std::uint8_t>((record >> 7) & 0x7F);
    default:
      return static_cast<std::uint8_t>(record & 0x7F);
  }
}

void FillNumbered(std::uint64_t from, std::uint8_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = NumberedByte(from + i);
}

// ---- TStreamCheck -------------------------------------------------------------------------

TStreamCheck::TStreamCheck(std::string name) : FName(std::move(name)) {}

void TStreamCheck::Note(const std::string& what) {
  if (FHistory.size() == 16) FHistory.erase(FHistory.begin());
  FHistory.push_back(what + "@" + std::to_string(FNext));
}

void TStreamCheck::Fail(const std::string& what) {
  if (!FFailure.empty()) return;
  FFailure = FName + ": " + what + "; lately:";
  for (const std::string& h : FHistory) FFailure += " " + h;
  FFailure += "; last bytes:" + FLastBytes;
}

void TStreamCheck::Received(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard lock(FLock);
  Note("got" + std::to_string(count) + (FLanding ? "L" : ""));
  // Enough to tell a record joined across a drop from bytes that really came twice.
  FLastBytes += " |";
  for (std::size_t i = count > 200 ? count - 200 : 0; i < count; ++i) {
    static const char kDigits[] = "0123456789abcdef";
    FLastBytes += ' ';
    FLastBytes += kDigits[bytes[i] >> 4];
    FLastBytes += kDigits[bytes[i] & 15];
  }
  if (FLastBytes.size() > 600) FLastBytes.erase(0, FLastBytes.size() - 600);
  for (std::size_t i = 0; i < count && FFailure.empty(); ++i) {
    if (FLanding) {
      Land(bytes[i]);
    } else if (bytes[i] != NumberedByte(FNext)) {
      std::string next;
      for (std::size_t k = i; k < count && k < i + 12; ++k) next += " " + Hex(bytes[k]);
      Fail("byte " + std::to_string(FNext) + " is " + Hex(bytes[i]) + ", expected " + Hex(NumberedByte(FNext)) +
           " (" + std::to_string(i) + " of " + std::to_string(count) + " received:" + next + ")");
    } else {
      ++FNext;
    }
  }
}

// Bytes of a record whose start was dropped, or cut short by a drop, are passed over.  Four
// bytes that look like a record may still join two records across a drop, so a jump counts
// only once the next record follows it.
void TStreamCheck::Land(std::uint8_t byte) {
  if ((byte & 0x80) != 0) {
    FRecordBytes = 0;
  } else if (FRecordBytes == 0) {
    return;
  }
  FRecord[FRecordBytes++] = byte;
  if (FRecordBytes < 4) return;
  FRecordBytes = 0;
  std::uint64_t record = FRecord[0] & 0x7F;
  for (std::size_t k = 1; k < 4; ++k) record = (record << 7) | FRecord[k];
  // The number repeats every kRecordSpan records: take the one nearest the next expected.
  record |= (FNext / 4) & ~(kRecordSpan - 1);
  std::uint64_t at = record * 4;
  if (at + kRecordSpan * 2 < FNext) at += kRecordSpan * 4;
  if (at != FNext) {
    const bool confirmed = FJumpPending && at == FJump + 4;
    FJumpPending = !confirmed;
    if (!confirmed) {
      FJump = at;
      return;
    }
    if (FJump < FNext) {
      return Fail("bytes from " + std::to_string(FJump) + " came again after " + std::to_string(FNext));
    }
    // A jump lands no later than the first whole record sent after the gap ended.
    if (FOpenGaps == 0 && FJump > (FLimit + 3) / 4 * 4) {
      return Fail("after a gap at " + std::to_string(FNext) + " the bytes go on at " + std::to_string(FJump) +
                  ", past the first one sent after the gap (" + std::to_string(FLimit) + ")");
    }
    Note("jump" + std::to_string(FJump));
  }
  FJumpPending = false;
  FNext = at + 4;
  FLanding = FOpenGaps > 0 || FNext <= FLimit;
}

// A record is gathered, and a jump confirmed, only from bytes received on one side of a gap:
// the first bytes of a record before a drop and its last ones after it would make up a record
// that was never sent, and two such records in a row (bytes read one at a time across
// flushes) pass for bytes that came twice.
void TStreamCheck::BeginGap() {
  std::lock_guard lock(FLock);
  Note("begin");
  FRecordBytes = 0;
  FJumpPending = false;
  ++FOpenGaps;
  FLanding = true;
}

void TStreamCheck::EndGap(std::uint64_t sent) {
  std::lock_guard lock(FLock);
  if (FOpenGaps == 0) return Fail("a gap ended that had not begun");
  --FOpenGaps;
  FRecordBytes = 0;
  FJumpPending = false;
  Note("end" + std::to_string(sent));
  FLimit = std::max(FLimit, sent);
  FLanding = true;
}

bool TStreamCheck::Complete(std::uint64_t sent) const {
  std::lock_guard lock(FLock);
  return !FLanding && FNext == sent;
}

bool TStreamCheck::Landing() const {
  std::lock_guard lock(FLock);
  return FLanding;
}

std::uint64_t TStreamCheck::Count() const {
  std::lock_guard lock(FLock);
  return FNext;
}

std::string TStreamCheck::Failure() const {
  std::lock_guard lock(FLock);
  return FFailure;
}

// ---- TFarEnd ------------------------------------------------------------------------------

TLineStreams::TLineStreams(unsigned number)
    : In("COM" + std::to_string(number) + " in"), Out("COM" + std::to_string(number) + " out") {}

TFarEnd::TFarEnd(unsigned number, std::uint64_t seed, bool socket) : FNumber(number), FRandom(seed) {
  FStreams = std::make_shared<TLineStreams>(number);
  if (socket) {
    FListener = std::make_unique<TLoopbackListener>();
    SetPortDevicePath(number, FListener->Url());
    FAcceptor = std::thread([this] { AcceptLoop(); });
  } else {
    FPty = std::make_unique<TTestPty>();
    SetPortDevicePath(number, FPty->SlavePath());
  }
  Start();
}

TFarEnd::~TFarEnd() {
  Stop();
  if (FAcceptor.joinable()) {
    FAcceptorStop = true;
    FAcceptor.join();
  }
  if (FConnection >= 0) close(FConnection);
  SetPortDevicePath(FNumber, "");
}

void TFarEnd::StallReaderFor(unsigned ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  FStallEnd = std::chrono::duration_cast<std::chrono::nanoseconds>(end.time_since_epoch()).count();
}

template <typename F>
ssize_t TFarEnd::WithPeer(F&& io) {
  if (FPty) return io(FPty->Master());
  std::lock_guard lock(FConnectionLock);
  if (FConnection < 0) {
    errno = EAGAIN;
    return -1;
  }
  const ssize_t n = io(FConnection);
  // The port closed (or reset) its end: so does the server.
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    close(FConnection);
    FConnection = -1;
  }
  return n;
}

void TFarEnd::AcceptLoop() {
  while (!FAcceptorStop) {
    const int fd = FListener->Accept(10, true);
    std::lock_guard lock(FConnectionLock);
    if (fd >= 0) {
      if (FConnection >= 0) close(FConnection);
      FConnection = fd;
    } else if (FConnection >= 0) {
      // A connection the port closed goes here too, also while nobody reads it: what the
      // port sent before its close is not owed.
      pollfd p{FConnection, POLLRDHUP, 0};
      if (poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
        close(FConnection);
        FConnection = -1;
      }
    }
  }
}

void TFarEnd::SetRate(std::size_t burst, unsigned pauseUs) {
  FBurst = std::max<std::size_t>(burst, 1);
  FPauseUs = pauseUs;
}

void TFarEnd::PauseWriter(bool on, std::uint64_t atLeast) {
  FWriterIdle = false;
  FPauseAt = atLeast;
  FPaused = on;
  if (on) FWriterStalled = false;
}

void TFarEnd::HangUp() {
  if (FListener) {
    // The server closes the connection; the next open connects again.
    Stop();
    {
      std::lock_guard lock(FConnectionLock);
      if (FConnection >= 0) close(FConnection);
      FConnection = -1;
    }
    FStreams->Dead = true;
    FStreams = std::make_shared<TLineStreams>(FNumber);
    Start();
    return;
  }
  // The number points at the new line before the old one goes, so an open never finds none.
  auto pty = std::make_unique<TTestPty>();
  SetPortDevicePath(FNumber, pty->SlavePath());
  Stop();
  FStreams->Dead = true;
  FStreams = std::make_shared<TLineStreams>(FNumber);
  FPty = std::move(pty);
  Start();
}

bool TFarEnd::IsDevice(int fd) const {
  if (FListener) {
    sockaddr_in mine{}, theirs{};
    socklen_t mineSize = sizeof mine, theirsSize = sizeof theirs;
    std::lock_guard lock(FConnectionLock);
    return FConnection >= 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &mineSize) == 0 &&
           getpeername(FConnection, reinterpret_cast<sockaddr*>(&theirs), &theirsSize) == 0 &&
           mine.sin_port == theirs.sin_port;
  }
  struct stat mine {}, theirs {};
  return fstat(FPty->Slave(), &mine) == 0 && fstat(fd, &theirs) == 0 && mine.st_rdev == theirs.st_rdev;
}

std::string TFarEnd::Describe() const {
  int waiting = -1;
  if (FListener) {
    std::lock_guard lock(FConnectionLock);
    if (FConnection >= 0) ioctl(FConnection, FIONREAD, &waiting);
    return "COM" + std::to_string(FNumber) + " is " + FListener->Url() + (FConnection >= 0 ? "" : " (no connection)") +
           " holding " + std::to_string(waiting) + " bytes";
  }
  ioctl(FPty->Slave(), FIONREAD, &waiting);
  return "COM" + std::to_string(FNumber) + " is " + FPty->SlavePath() + " holding " + std::to_string(waiting) + " bytes";
}

void TFarEnd::Start() {
  FStop = false;
  FWriter = std::thread([this] { WriteLoop(); });
  FReader = std::thread([this] { ReadLoop(); });
}

void TFarEnd::Stop() {
  FStop = true;
  FWriter.join();
  FReader.join();
}

void TFarEnd::WriteLoop() {
  const std::shared_ptr<TLineStreams> streams = FStreams;
  std::mt19937_64 random(FRandom());
  std::vector<std::uint8_t> bytes;
  // A server with no connection has nowhere to write the byte a pause waits for: a port that
  // had the line when the pause was asked for has closed it since.
  auto unconnected = [this] {
    if (!FListener) return false;
    std::lock_guard lock(FConnectionLock);
    return FConnection < 0;
  };
  while (!FStop) {
    if ((FPaused && (streams->Written >= FPauseAt || unconnected())) || FWriterStalled) {
      FWriterIdle = FPaused.load();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    const std::size_t count = std::uniform_int_distribution<std::size_t>(1, FBurst)(random);
    const std::uint64_t from = streams->Written;
    bytes.resize(count);
    FillNumbered(from, bytes.data(), count);
    // Announced before the write, so that a gap ending meanwhile counts these bytes as sent.
    streams->Reserved = from + count;
    const ssize_t n = WithPeer([&](int fd) {
      return FPty ? write(fd, bytes.data(), count) : send(fd, bytes.data(), count, MSG_NOSIGNAL);
    });
    streams->Written = from + static_cast<std::uint64_t>(n > 0 ? n : 0);
    streams->Reserved = streams->Written.load();
    if (n > 0) {
      FMoved += static_cast<unsigned long long>(n);
    } else if (FPty) {
      pollfd p{FPty->Master(), POLLOUT, 0};
      poll(&p, 1, 10);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (const unsigned pause = FPauseUs; pause != 0) std::this_thread::sleep_for(std::chrono::microseconds(pause));
  }
}

void TFarEnd::ReadLoop() {
  const std::shared_ptr<TLineStreams> streams = FStreams;
  std::uint8_t buffer[4096];
  while (!FStop) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    if (FReaderStalled || std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() < FStallEnd) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    const ssize_t n = WithPeer([&](int fd) { return read(fd, buffer, sizeof buffer); });
    if (n > 0) {
      streams->Out.Received(buffer, static_cast<std::size_t>(n));
      FMoved += static_cast<unsigned long long>(n);
    } else if (FPty) {
      pollfd p{FPty->Master(), POLLIN, 0};
      poll(&p, 1, 10);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}
