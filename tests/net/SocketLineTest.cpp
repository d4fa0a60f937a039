// The socket device layer against ser2net's RFC 2217 port in front of a pseudo-terminal: the
// settings the dispatcher makes reach the server, which applies them to the terminal.  And a
// server written here, for what ser2net cannot be made to do on demand (flow suspension).
#include <fcntl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dispatch/SioSocket.h"
#include "net/DeviceServers.h"
#include "net/MqttTestSupport.h"
#include "support/LoopbackListener.h"
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

namespace {

// The far end of an rfc2217:// line, played by the test: one accepted connection whose
// incoming telnet stream is decoded into data.
class TFakeRfc2217Server {
 public:
  ~TFakeRfc2217Server() {
    if (FConn >= 0) close(FConn);
  }
  std::string Url() const { return FListener.Url("rfc2217"); }
  bool Accept() { return (FConn = FListener.Accept()) >= 0; }
  bool Send(const std::vector<std::uint8_t>& bytes) {
    return send(FConn, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // The data bytes received so far (commands and negotiation taken out).
  const std::vector<std::uint8_t>& Data() {
    std::uint8_t in[4096];
    ssize_t n = 0;
    while ((n = recv(FConn, in, sizeof in, MSG_DONTWAIT)) > 0) {
      std::vector<std::uint8_t> replies;
      const std::size_t old = FData.size();
      FData.resize(old + static_cast<std::size_t>(n));
      FData.resize(old + FCodec.Decode(in, static_cast<std::size_t>(n), FData.data() + old, replies));
    }
    return FData;
  }

 private:
  TLoopbackListener FListener;
  int FConn = -1;
  TRfc2217Codec FCodec;
  std::vector<std::uint8_t> FData;
};

}  // namespace

TEST(SocketLineTest, DataWaitsInTheOutputRingWhileTheServerSuspendsTheFlow) {
  using namespace telnet;
  TFakeRfc2217Server server;
  TSioSocketDispatcher line(nullptr);
  ASSERT_EQ(line.OpenLine(server.Url(), 9600, 0, 8, 1, 4096, 4096, 0), 0);
  ASSERT_TRUE(server.Accept());
  // Agreed, then suspended; the data byte after the suspension tells that the line has read it.
  ASSERT_TRUE(server.Send({IAC, DO, OptComPort, IAC, SB, OptComPort, 108, IAC, SE, 'a'}));
  ASSERT_TRUE(WaitUntil([&] { return line.InCount() == 1; }));
  const std::uint8_t out[] = {'h', 0xFF, 'i'};
  ASSERT_EQ(line.WriteBlock(out, 3), 0);
  // One more round for the workers: still nothing sent, the ring holds the block.
  ASSERT_TRUE(server.Send({'b'}));
  ASSERT_TRUE(WaitUntil([&] { return line.InCount() == 2; }));
  EXPECT_EQ(line.OutUsed(), 3u);
  EXPECT_TRUE(server.Data().empty());
  ASSERT_TRUE(server.Send({IAC, SB, OptComPort, 109, IAC, SE}));
  ASSERT_TRUE(WaitUntil([&] { return server.Data().size() == 3; }));
  EXPECT_EQ(server.Data(), (std::vector<std::uint8_t>{'h', 0xFF, 'i'}));
  EXPECT_EQ(line.OutUsed(), 0u);
  // Flowing again: the next block goes straight out.
  ASSERT_EQ(line.WriteBlock(out, 1), 0);
  EXPECT_TRUE(WaitUntil([&] { return server.Data().size() == 4; }));
  line.CloseLine();
}

// A subnegotiation that never ends is dropped once it is longer than any of the server's
// answers can be: the dispatch log says so, and the data after it is data again.
TEST(SocketLineTest, AnUnfinishedSubnegotiationIsDroppedLoggedAndDecodingGoesOn) {
  using namespace telnet;
  TTempFolder folder;
  TFakeRfc2217Server server;
  TSioSocketDispatcher line(nullptr);
  ASSERT_EQ(line.OpenLine(server.Url(), 9600, 0, 8, 1, 4096, 4096, 0), 0);
  ASSERT_EQ(line.LogCreate(1 << 16), 0);
  ASSERT_TRUE(server.Accept());
  std::vector<std::uint8_t> stream = {IAC, SB, OptComPort, 106};
  stream.insert(stream.end(), 1000, 'f');
  ASSERT_TRUE(server.Send(stream));
  EXPECT_TRUE(WaitUntil([&] { return line.InCount() >= 900; })) << line.InCount();
  const std::string log = folder.File("SIO.LOG");
  ASSERT_EQ(line.LogWrite(log, false, false, false), 0);
  EXPECT_NE(ReadWholeFile(log).find("Telnet    Command"), std::string::npos) << ReadWholeFile(log);
  line.CloseLine();
}
