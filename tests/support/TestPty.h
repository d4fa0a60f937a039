// A pseudo-terminal for tests: the code under test opens the slave by its path, the test plays
// the peer on the master.  Header-only; every helper here fails the calling test on error.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class TTestPty {
 public:
  TTestPty() {
    char name[256] = {};
    if (openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0) {
      ADD_FAILURE() << "openpty failed";
      return;
    }
    // A new terminal starts cooked with echo: make both ends raw before anybody writes.
    for (int fd : {FMaster, FSlave}) {
      termios t{};
      tcgetattr(fd, &t);
      cfmakeraw(&t);
      tcsetattr(fd, TCSANOW, &t);
    }
    fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    FPath = name;
  }
  ~TTestPty() {
    CloseSlave();
    if (FMaster >= 0) close(FMaster);
  }
  TTestPty(const TTestPty&) = delete;
  TTestPty& operator=(const TTestPty&) = delete;

  const std::string& SlavePath() const { return FPath; }
  int Master() const { return FMaster; }
  // The test's own slave descriptor keeps the terminal alive until the code under test has
  // opened it; close it when the peer's hang-up matters.
  void CloseSlave() {
    if (FSlave >= 0) close(FSlave);
    FSlave = -1;
  }

  void Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(FMaster, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{FMaster, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
  }

  // Reads what the slave side sent until `count` bytes came or `timeoutMs` passed.
  std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs = 5000) {
    std::vector<std::uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::uint8_t buf[4096];
      const ssize_t n = ::read(FMaster, buf, sizeof buf);
      if (n > 0) {
        got.insert(got.end(), buf, buf + n);
      } else {
        pollfd p{FMaster, POLLIN, 0};
        ::poll(&p, 1, 10);
      }
    }
    return got;
  }

 private:
  int FMaster = -1;
  int FSlave = -1;
  std::string FPath;
};
