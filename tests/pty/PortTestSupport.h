// Shared pieces of the port tests: a recorder for the application's exception display and
// a fixture with a port on a pseudo-terminal whose slave the port opens while the test plays
// the peer on the master.  The test thread is the main thread, so trigger events run while
// the test pumps its queue (PumpUntil).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "support/TestPty.h"
#include "support/Wait.h"

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
    ASSERT_TRUE(Pty.Ok());
    SetPortDevicePath(2, Pty.SlavePath());
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
  TTestPty Pty;  // slave held, so the master never sees a hang-up between the port's opens
  TShownMessages Shown;
  std::unique_ptr<TPort> Port;
};
