// Shared pieces of the port tests: a pseudo-terminal whose slave the port opens while the
// test plays the peer on the master, a pump for the test thread's queue (the test thread is
// the main thread, so trigger events run inside the pump), and a recorder for the
// application's exception display.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "platform/Messages.h"

class TPty {
 public:
  TPty() {
    if (openpty(&Master, &Slave, nullptr, nullptr, nullptr) != 0) return;
    // Raw before anybody writes: a new pty starts cooked, with echo.
    termios t{};
    tcgetattr(Slave, &t);
    cfmakeraw(&t);
    tcsetattr(Slave, TCSANOW, &t);
    Path = ttyname(Slave);
    fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
  }
  ~TPty() {
    if (Slave >= 0) close(Slave);
    if (Master >= 0) close(Master);
  }
  TPty(const TPty&) = delete;
  TPty& operator=(const TPty&) = delete;

  bool Write(const std::string& bytes) const {
    return write(Master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // What the port sent, until `count` bytes have come or 5 s have passed.
  std::string Read(std::size_t count) const {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{Master, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buffer[256];
      const ssize_t n = read(Master, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  int Master = -1;
  int Slave = -1;  // kept open, so the master never sees a hang-up between opens
  std::string Path;
};

// Pumps the calling thread's queue until `done` holds or 5 s pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    TMsg msg;
    if (GetMessage(msg, 10)) DispatchMessage(msg);
  }
  return true;
}

// Pumps for a short while, for tests that expect nothing to happen.
inline void PumpFor(int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline) {
    TMsg msg;
    if (GetMessage(msg, 10)) DispatchMessage(msg);
  }
}

// Collects what the application's exception display shows while it lives.
class TShownMessages {
 public:
  TShownMessages() {
    Application().SetExceptionDisplay([this](const std::string& m) { Messages.push_back(m); });
  }
  ~TShownMessages() { Application().SetExceptionDisplay(nullptr); }
  TShownMessages(const TShownMessages&) = delete;
  TShownMessages& operator=(const TShownMessages&) = delete;
  std::vector<std::string> Messages;
};

// A port with the front panel's settings (ComNumber 2, 9600 baud, 4-byte buffers) on a pty.
template <typename TPort>
class TPortFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Pty.Path.empty());
    SetPortDevicePath(2, Pty.Path);
    Port = std::make_unique<TPort>(nullptr);
    Port->SetComNumber(2);
    Port->SetBaud(9600);
    Port->SetInSize(4);
    Port->SetOutSize(4);
  }
  void TearDown() override {
    Port.reset();
    SetPortDevicePath(2, "");
  }
  TPty Pty;
  TShownMessages Shown;
  std::unique_ptr<TPort> Port;
};
