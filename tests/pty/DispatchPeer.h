// Test helpers for the dispatcher over pseudo-terminals: the peer on the master side, a
// dispatcher that exposes its protected state, and waiting with a deadline.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/SioPosix.h"

// Polls `condition` until it holds or `seconds` pass; the result is the last poll.
inline bool WaitUntil(const std::function<bool()>& condition, double seconds = 5.0) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The instrument's side of the line: the master of a new pseudo-terminal.  The dispatcher
// opens the slave by its path.
class TPtyPeer {
 public:
  TPtyPeer() {
    Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master >= 0 && grantpt(Master) == 0 && unlockpt(Master) == 0) {
      char name[128] = {};
      if (ptsname_r(Master, name, sizeof name) == 0) SlavePath = name;
      fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
    }
  }
  ~TPtyPeer() { CloseMaster(); }
  TPtyPeer(const TPtyPeer&) = delete;
  TPtyPeer& operator=(const TPtyPeer&) = delete;

  bool Ok() const { return Master >= 0 && !SlavePath.empty(); }
  int Fd() const { return Master; }
  const std::string& Path() const { return SlavePath; }

  void CloseMaster() {
    if (Master >= 0) close(Master);
    Master = -1;
  }

  // Writes everything, waiting while the pseudo-terminal is full; false on an error or
  // when nothing could be written for `seconds`.
  bool Write(const std::uint8_t* bytes, std::size_t count, double seconds = 5.0) {
    std::size_t done = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (done < count) {
      const ssize_t n = write(Master, bytes + done, count - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() >= end) return false;
      pollfd p{Master, POLLOUT, 0};
      poll(&p, 1, 10);
    }
    return true;
  }
  bool Write(const std::vector<std::uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
  bool Write(const std::string& text) {
    return Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }

  // Reads until `count` bytes came or `seconds` pass; returns what came.
  std::vector<std::uint8_t> Read(std::size_t count, double seconds = 5.0) {
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::uint8_t buffer[4096];
    while (got.size() < count) {
      const ssize_t n = read(Master, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) {
        got.insert(got.end(), buffer, buffer + n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) break;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{Master, POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 20)));
    }
    return got;
  }

 private:
  int Master = -1;
  std::string SlavePath;
};

// The POSIX dispatcher with its state open to the tests.
class TTestDispatcher : public TSioPosixDispatcher {
 public:
  TTestDispatcher() : TSioPosixDispatcher(nullptr) {}
  ~TTestDispatcher() override { ShutDown(); }
  using TSioBaseDispatcher::FDeviceSettings;
  using TSioBaseDispatcher::FEventWorker;
  using TSioBaseDispatcher::FDispatchWorker;
  using TSioBaseDispatcher::FOutputWorker;
  using TSioBaseDispatcher::FInRing;
  using TSioBaseDispatcher::FInRingFull;
  using TSioBaseDispatcher::FInRingHead;
  using TSioBaseDispatcher::FInRingTail;
  using TSioBaseDispatcher::FOutRing;
  using TSioBaseDispatcher::FOutRingFull;
  using TSioBaseDispatcher::FOutRingHead;
  using TSioBaseDispatcher::FOutRingTail;
  using TSioBaseDispatcher::InputLock;
  using TSioBaseDispatcher::OutputLock;
  using TSioBaseDispatcher::MainLock;
  using TSioBaseDispatcher::DeviceEventSignal;
  using TSioBaseDispatcher::OutputStopSignal;

  // 9600 8N1, the given queue sizes, DTR and RTS on.
  int Open(const std::string& path, std::uint32_t outSize = 4096, std::uint32_t inSize = 4096) {
    return OpenLine(path, 9600, 0, 8, 1, inSize, outSize, olDtrOn | olRtsOn);
  }

  std::uint32_t ModemStateNow() {
    std::lock_guard main(MainLock);
    return FModemState;
  }
  std::uint32_t EventWordNow() const { return FDeviceEventWord.load(); }

  bool OutputRingIdle() {
    std::lock_guard out(OutputLock);
    return !FOutRingFull && FOutRingHead == 0 && FOutRingTail == 0;
  }

  // Reads `count` bytes as they arrive, from the calling thread.
  std::vector<std::uint8_t> Take(std::size_t count, double seconds = 5.0) {
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[kInRingSize];
    WaitUntil([&] {
      const std::uint32_t n = std::min<std::uint32_t>(InCount(), static_cast<std::uint32_t>(count - got.size()));
      if (n > 0 && ReadBlock(buffer, n) == static_cast<int>(n)) got.insert(got.end(), buffer, buffer + n);
      return got.size() >= count;
    }, seconds);
    return got;
  }
};

// A recognisable byte sequence: byte i of a stream starting at `from`.
inline std::vector<std::uint8_t> Pattern(std::size_t count, std::size_t from = 0) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(((from + i) * 7 + (from + i) / 251) & 0xFF);
  return bytes;
}
