// A pseudo-terminal for tests and benchmarks: the code under test opens the slave by its
// path, the test plays the peer (the instrument, the other program) on the master.
// Header-only.  A set-up that fails is reported to the running test and leaves Ok() false.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class TTestPty {
 public:
  // Who holds the slave besides the code under test.
  enum class TSlave {
    // The test keeps a descriptor of its own, so the master never sees a hang-up between
    // the opens and closes of the code under test.
    Held,
    // Nobody: the slave is never opened here, and the last close by the code under test is
    // a hang-up for the master.
    NotHeld,
  };
  // The settings the line starts with.
  enum class TMode {
    // Raw, so that nothing is echoed or translated before the code under test sets the line.
    Raw,
    // The kernel's defaults (cooked, with echo), for tests that check the code under test
    // sets the line itself.
    AsCreated,
  };

  explicit TTestPty(TSlave slave = TSlave::Held, TMode mode = TMode::Raw) {
    if (const char* failed = Open(slave, mode)) {
      const int error = errno;
      ADD_FAILURE() << "pseudo-terminal for the test: " << failed << " failed: " << std::strerror(error);
      CloseSlave();
      CloseMaster();
      FPath.clear();
    }
  }
  ~TTestPty() {
    CloseSlave();
    CloseMaster();
  }
  TTestPty(const TTestPty&) = delete;
  TTestPty& operator=(const TTestPty&) = delete;

  bool Ok() const { return FMaster >= 0 && !FPath.empty(); }
  const std::string& SlavePath() const { return FPath; }
  int Master() const { return FMaster; }
  // The test's own slave descriptor; -1 when not held.
  int Slave() const { return FSlave; }

  // Lets go of the test's own slave descriptor, for when the peer's hang-up matters.
  void CloseSlave() {
    if (FSlave >= 0) close(FSlave);
    FSlave = -1;
  }
  // The peer goes away (the adapter is pulled out).
  void CloseMaster() {
    if (FMaster >= 0) close(FMaster);
    FMaster = -1;
  }

  // Writes everything, waiting while the pseudo-terminal is full; false on an error or when
  // nothing more could be written for `timeout`.
  bool Write(const std::uint8_t* bytes, std::size_t count,
             std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::size_t done = 0;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (done < count) {
      const ssize_t n = write(FMaster, bytes + done, count - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        end = std::chrono::steady_clock::now() + timeout;
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() >= end) return false;
      pollfd p{FMaster, POLLOUT, 0};
      poll(&p, 1, 10);
    }
    return true;
  }
  bool Write(const std::vector<std::uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
  bool Write(const std::string& text) {
    return Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }

  // Reads what the slave side sent until `count` bytes came, `timeout` passed or the master
  // failed (no slave open); never more than `count`.
  std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::vector<std::uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::uint8_t buffer[4096];
    while (got.size() < count) {
      const ssize_t n = read(FMaster, buffer, std::min(sizeof buffer, count - got.size()));
      if (n > 0) {
        got.insert(got.end(), buffer, buffer + n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) break;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{FMaster, POLLIN, 0};
      poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 20)));
    }
    return got;
  }
  std::string ReadText(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const std::vector<std::uint8_t> got = Read(count, timeout);
    return std::string(got.begin(), got.end());
  }

 private:
  // Null when done, else the step that failed.
  const char* Open(TSlave slave, TMode mode) {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0) return "posix_openpt";
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) return "unlocking the slave";
    char name[128] = {};
    if (ptsname_r(FMaster, name, sizeof name) != 0) return "ptsname_r";
    const int flags = fcntl(FMaster, F_GETFL);
    if (flags < 0 || fcntl(FMaster, F_SETFL, flags | O_NONBLOCK) != 0) return "O_NONBLOCK on the master";
    if (mode == TMode::Raw) {
      // The terminal calls on the master act on the slave's settings.
      termios t{};
      if (tcgetattr(FMaster, &t) != 0) return "tcgetattr";
      cfmakeraw(&t);
      if (tcsetattr(FMaster, TCSANOW, &t) != 0) return "tcsetattr";
    }
    if (slave == TSlave::Held) {
      FSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
      if (FSlave < 0) return "opening the slave";
    }
    FPath = name;
    return nullptr;
  }

  int FMaster = -1;
  int FSlave = -1;
  std::string FPath;
};
