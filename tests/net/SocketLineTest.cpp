// The socket device layer against ser2net's RFC 2217 port in front of a pseudo-terminal: the
// settings the dispatcher makes reach the server, which applies them to the terminal.
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dispatch/SioSocket.h"
#include "net/DeviceServers.h"
#include "net/MqttTestSupport.h"
#include "support/TestPty.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

TEST(SocketLineTest, Rfc2217SettingsReachTheServersDevice) {
  SKIP_WITHOUT(Ser2netProgram(), "ser2net");
  TTempFolder folder;
  TTestPty pty;
  ASSERT_TRUE(pty.Ok());
  TDeviceServer server(TDeviceServer::Ser2netRfc2217, pty.SlavePath(), FreePort(), folder.Path());
  ASSERT_TRUE(server.Up());
  TSioSocketDispatcher line(nullptr);
  ASSERT_EQ(line.OpenLine(server.Url(), 9600, 0, 8, 1, 4096, 4096, olDtrOn | olRtsOn), 0);
  ASSERT_TRUE(WaitUntil([&] { return line.ComPortAgreed() && line.ServerBaudRate() == 9600; }));
  ASSERT_EQ(line.SetLineParams(19200, 2, 7, 2), 0);
  ASSERT_TRUE(WaitUntil([&] { return line.ServerBaudRate() == 19200 && line.ServerDataSize() == 7; }))
      << line.ServerBaudRate();
  // The pseudo-terminal keeps the speed and the stop bits it was given (not the size).
  termios tio{};
  ASSERT_TRUE(WaitUntil([&] {
    const int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool ok = fd >= 0 && tcgetattr(fd, &tio) == 0 && cfgetospeed(&tio) == B19200;
    if (fd >= 0) close(fd);
    return ok;
  }));
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  // Bytes both ways, a 255 among them (doubled on the wire, single at each end).
  const std::uint8_t out[] = {1, 0xFF, 2};
  ASSERT_EQ(line.WriteBlock(out, 3), 0);
  EXPECT_EQ(pty.Read(3), (std::vector<std::uint8_t>{1, 0xFF, 2}));
  ASSERT_TRUE(pty.Write(std::vector<std::uint8_t>{3, 0xFF, 4}));
  ASSERT_TRUE(WaitUntil([&] { return line.InCount() == 3; }));
  std::uint8_t got[3] = {};
  ASSERT_EQ(line.ReadBlock(got, 3), 3);
  EXPECT_EQ(got[1], 0xFF);
  line.CloseLine();
}
