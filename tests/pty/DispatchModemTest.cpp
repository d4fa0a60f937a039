// Modem lines and line-error counters, which a pseudo-terminal does not have: the seam
// answers TIOCMGET, TIOCMBIS/TIOCMBIC and TIOCGICOUNT for the device, everything else is
// the real pty.  Changes must reach ModemState and LineErrors through the event worker.
#include <gtest/gtest.h>

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <atomic>
#include <mutex>

#include "DispatchTestSupport.h"
#include "dispatch/SioSysCalls.h"

namespace {

class TModemCalls : public TSioSysCalls {
 public:
  int Ioctl(int fd, unsigned long request, void* argument) override {
    std::lock_guard lock(Guard);
    switch (request) {
      case TIOCMGET:
        *static_cast<int*>(argument) = Lines;
        return 0;
      case TIOCMBIS:
        Lines |= *static_cast<int*>(argument);
        return 0;
      case TIOCMBIC:
        Lines &= ~*static_cast<int*>(argument);
        return 0;
      case TIOCGICOUNT:
        *static_cast<serial_icounter_struct*>(argument) = Counts;
        return 0;
      default:
        return TSioSysCalls::Ioctl(fd, request, argument);
    }
  }
  void SetLines(int lines) {
    std::lock_guard lock(Guard);
    Lines = (Lines & (TIOCM_DTR | TIOCM_RTS)) | lines;
  }
  int LinesNow() {
    std::lock_guard lock(Guard);
    return Lines;
  }
  template <class TChange>
  void Count(TChange change) {
    std::lock_guard lock(Guard);
    change(Counts);
  }

 private:
  std::mutex Guard;
  int Lines = TIOCM_CTS | TIOCM_DSR;
  serial_icounter_struct Counts{};
};

class DispatchModem : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    Line.SetSysCalls(Calls);
    ASSERT_EQ(Line.Open(Peer.SlavePath()), 0);
  }
  TTestPty Peer{kPeerSlave, kPeerMode};
  TModemCalls Calls;
  TTestDispatcher Line;
};

TEST_F(DispatchModem, OpenReadsTheLevelsAndSetsDtrAndRts) {
  EXPECT_EQ(Line.ReadModemState(0xFF), MS_CTS_ON | MS_DSR_ON);
  EXPECT_EQ(Calls.LinesNow() & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR | TIOCM_RTS);
  EXPECT_EQ(Line.SetDtr(false), 0);
  EXPECT_EQ(Line.SetRts(false), 0);
  EXPECT_EQ(Calls.LinesNow() & (TIOCM_DTR | TIOCM_RTS), 0);
}

TEST_F(DispatchModem, LineChangesSetTheChangeBits) {
  Calls.SetLines(TIOCM_DSR | TIOCM_CAR);  // CTS falls, DCD rises
  // Reading the state here would take the new levels before the worker compares them.
  ASSERT_TRUE(WaitUntil([&] { return (Line.ModemStateNow() & (MS_DELTA_CTS | MS_DELTA_DCD)) != 0; }))
      << std::hex << Line.ModemStateNow();
  const std::uint8_t state = Line.ReadModemState(0xF0);  // take the change bits
  EXPECT_EQ(state & 0xF0, MS_DSR_ON | MS_RLSD_ON);
  EXPECT_EQ(state & 0x0F, MS_DELTA_CTS | MS_DELTA_DCD);
  EXPECT_EQ(Line.ReadModemState(0xFF) & 0x0F, 0);
}

TEST_F(DispatchModem, RingIndicatorChangesSetTheRingBit) {
  Calls.SetLines(TIOCM_CTS | TIOCM_DSR | TIOCM_RNG);
  ASSERT_TRUE(WaitUntil([&] { return (Line.ModemStateNow() & (MS_RING_ON | MS_TRAILING_RING)) == (MS_RING_ON | MS_TRAILING_RING); }));
  EXPECT_NE(Line.EventWordNow() & EV_RING, 0u);
  Line.ReadModemState(0xF0);
  Calls.SetLines(TIOCM_CTS | TIOCM_DSR);
  ASSERT_TRUE(WaitUntil([&] { return (Line.ModemStateNow() & MS_TRAILING_RING) != 0; }));
  EXPECT_EQ(Line.ReadModemState(0xFF) & MS_RING_ON, 0);
}

TEST_F(DispatchModem, ErrorCountersBecomeLineErrors) {
  Calls.Count([](serial_icounter_struct& c) {
    ++c.parity;
    ++c.brk;
  });
  ASSERT_TRUE(WaitUntil([&] { return (Line.LineErrors() & (CE_RXPARITY | CE_BREAK)) == (CE_RXPARITY | CE_BREAK); }));
  // Sending meanwhile keeps what has not been taken yet.
  const std::uint8_t key = 0x41;
  ASSERT_EQ(Line.WriteBlock(&key, 1), 0);
  EXPECT_EQ(Line.LineErrors() & (CE_RXPARITY | CE_BREAK), CE_RXPARITY | CE_BREAK);
  EXPECT_EQ(Line.TakeLineError(), 3);
  EXPECT_EQ(Line.TakeLineError(), 9);
  EXPECT_TRUE(Line.TakeBreak());
  Calls.Count([](serial_icounter_struct& c) {
    ++c.overrun;
    ++c.buf_overrun;
    ++c.frame;
  });
  ASSERT_TRUE(WaitUntil([&] { return (Line.LineErrors() & (CE_RXOVER | CE_OVERRUN | CE_FRAME)) == (CE_RXOVER | CE_OVERRUN | CE_FRAME); }));
  EXPECT_EQ(Line.TakeLineError(), 1);
  EXPECT_EQ(Line.TakeLineError(), 0);
}

TEST_F(DispatchModem, BytesStillFlowWhileTheLinesAreSampled) {
  const auto sent = Pattern(20'000);
  ASSERT_TRUE(Peer.Write(sent));
  EXPECT_EQ(Line.Take(sent.size()), sent);
}

}  // namespace
