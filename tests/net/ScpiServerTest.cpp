// The SCPI server in this process, with real sockets on 127.0.0.1 and the commands run on the
// main thread through its platform queue, as in the program: the order lines run in, what a
// waiting query holds back, keys one at a time, clients that half-close, come in too many or
// stop the server under them.  The panel is a record of lamps whose key answers the test gives.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "remote/ScpiServer.h"
#include "support/Wait.h"

namespace {

// Only the lamps the commands of these tests read are kept.
struct TLampPanel : TRemotePanel {
  // The averaging keys 3..7 light one at a time; any other key lights.
  void PressKey(int code) override {
    Pressed.push_back(code);
    if (code >= 3 && code <= 7) Lamps.fill(false);
    if (code <= 27) Lamps[static_cast<std::size_t>(code - 1)] = true;
    Pending = true;
  }
  bool KeyLit(int key) const override { return Lamps[static_cast<std::size_t>(key - 1)]; }
  bool KeyPending() const override { return Pending; }
  std::string ReadingText() const override { return "  10000.000"; }
  TRemoteLink Link() const override { return Lost ? rlLost : rlConnected; }
  TRemoteStatistics Statistics() const override { return {}; }
  void ResetStatistics() override {}

  std::array<bool, 27> Lamps{};
  std::vector<int> Pressed;
  bool Pending = false;
  bool Lost = false;
};

// A new measurement, trusted unless flagged.
TMeasurement Reading(double hz, std::uint8_t flags = 0) {
  TMeasurement m;
  m.SiValue = hz;
  m.NewMeasurement = true;
  m.Flags = flags;
  return m;
}

class ScpiServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Panel.Lamps[3 - 1] = Panel.Lamps[24 - 1] = true;  // averaging 1 ms, display 0.3 s
    Server = std::make_unique<TScpiServer>(Panel, TScpiIdentity{"M", "X", "1"},
                                           [](std::function<void()> call) { PostToMainThread(std::move(call)); });
    std::string error;
    ASSERT_TRUE(Server->Listen("0", error)) << error;
    Port = std::stoi(Server->Address().substr(Server->Address().rfind(':') + 1));
  }
  void TearDown() override { Server->Stop(); }

  // A connection; closed by the test or at its end.
  int Connect() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(Port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    Fds.push_back(fd);
    return fd;
  }
  void Send(int fd, const std::string& text) { ASSERT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size())); }
  // What the client has been sent, read while the main thread runs the commands; "EOF" once
  // the server has closed it and everything was read.
  std::string Received(int fd, std::size_t lines, int ms = 5000) {
    std::string got;
    bool closed = false;
    PumpUntil([&] {
      char buffer[4096];
      const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
      closed = closed || n == 0;
      return closed || static_cast<std::size_t>(std::count(got.begin(), got.end(), '\n')) >= lines;
    }, std::chrono::milliseconds(ms));
    return closed ? got + "EOF" : got;
  }
  void Pump(int ms) { PumpUntil([] { return false; }, std::chrono::milliseconds(ms)); }

  TLampPanel Panel;
  std::unique_ptr<TScpiServer> Server;
  int Port = 0;
  std::vector<int> Fds;

  ~ScpiServerTest() override {
    for (int fd : Fds) close(fd);
  }
};

TEST_F(ScpiServerTest, LinesEndInLfOrCrLfAndOneOverTheLimitIsNotRun) {
  const struct {
    std::string Line;
    std::string Replies;
  } cases[] = {
      {"*IDN?\n", "M,X,0,1\n"},
      {"*IDN?\r\n", "M,X,0,1\n"},
      {"SYST:VERS?;:DISP:TEXT?\n", "1999.0;\"10000.000\"\n"},
      {"DISP:TEXT? " + std::string(4096 - 11, ' ') + "\r\n", "\"10000.000\"\n"},
      {"DISP:TEXT? " + std::string(4096 - 10, ' ') + "\nSYST:ERR?\n", "-223,\"Too much data;line over 4096 bytes\"\n"},
  };
  const int fd = Connect();
  for (const auto& c : cases) {
    Send(fd, c.Line);
    EXPECT_EQ(Received(fd, 1), c.Replies) << c.Line.substr(0, 20);
  }
}

TEST_F(ScpiServerTest, AWaitingQueryHoldsBackItsOwnClientsLinesOnly) {
  const int a = Connect(), b = Connect();
  Send(a, "READ?\nSYST:VERS?\n");
  Send(b, "*IDN?\n");
  EXPECT_EQ(Received(b, 1), "M,X,0,1\n");
  EXPECT_EQ(Received(a, 1, 200), "");
  TMeasurement repeated = Reading(2e7);
  repeated.NewMeasurement = false;  // a frame showing a measurement again
  Server->Reading(repeated);
  Server->Reading(Reading(1e7));
  EXPECT_EQ(Received(a, 2), "+1.00000000000000E+07\n1999.0\n");
  Server->Reading(Reading(3e7, rfHeld));
  Send(a, "FETC?\n");
  EXPECT_EQ(Received(a, 1), "+9.91000000000000E+37\n");
  // Each client keeps its own queue of readings, from when it connected.
  Send(b, "DATA:POIN?;:DATA:REM? 1\n");
  EXPECT_EQ(Received(b, 1), "2;+1.00000000000000E+07\n");
  Send(a, "DATA:REM? 3,WAIT\n");
  Pump(50);
  Panel.Lost = true;
  Server->LinkLost();
  EXPECT_EQ(Received(a, 1), "+9.91000000000000E+37\n");
  Send(a, "SYST:ERR?;:DATA:POIN?;:READ?\n");
  EXPECT_EQ(Received(a, 1),
            "-240,\"Hardware error;the line to the instrument is lost\";2;+9.91000000000000E+37\n");
}

TEST_F(ScpiServerTest, KeysGoOneAtATimeAndOpcAnswersOnceTheLastIsAnswered) {
  const int fd = Connect();
  Send(fd, "FREQ:GATE:TIME 0.1;:SYST:KEY 8;*OPC?\n");
  Pump(100);
  EXPECT_EQ(Panel.Pressed, std::vector<int>{5});
  Panel.Pending = false;  // the instrument answered
  EXPECT_TRUE(PumpUntil([&] { return Panel.Pressed.size() == 2; }));
  EXPECT_EQ(Panel.Pressed, (std::vector<int>{5, 8}));
  EXPECT_EQ(Received(fd, 1, 200), "");
  Panel.Pending = false;
  EXPECT_EQ(Received(fd, 1), "1\n");
  // A lamp already lit is not pressed again.
  Send(fd, "FREQ:GATE:TIME 100 ms;*OPC?\n");
  EXPECT_EQ(Received(fd, 1), "1\n");
  EXPECT_EQ(Panel.Pressed.size(), 2u);
}

TEST_F(ScpiServerTest, AClientThatClosesItsSendingSideGetsItsRepliesThenEof) {
  const int fd = Connect();
  Send(fd, "*IDN?\nREAD?\n");
  shutdown(fd, SHUT_WR);
  EXPECT_EQ(Received(fd, 1), "M,X,0,1\n");
  Server->Reading(Reading(2.5));
  EXPECT_EQ(Received(fd, 3), "+2.50000000000000E+00\nEOF");
}

TEST_F(ScpiServerTest, AClientBeyondTheLimitIsClosedAtOnceAndTheOthersGoOn) {
  std::vector<int> clients;
  for (int i = 0; i < TScpiNetwork::MaxClients; ++i) clients.push_back(Connect());
  for (int fd : clients) Send(fd, "SYST:VERS?\n");
  for (int fd : clients) EXPECT_EQ(Received(fd, 1), "1999.0\n");
  const int extra = Connect();
  Send(extra, "SYST:VERS?\n");
  EXPECT_EQ(Received(extra, 1), "EOF");
  close(clients[0]);
  Fds.erase(std::find(Fds.begin(), Fds.end(), clients[0]));
  Pump(100);
  const int later = Connect();
  Send(later, "SYST:VERS?\n");
  EXPECT_EQ(Received(later, 1), "1999.0\n");
}

TEST_F(ScpiServerTest, StopSendsTheRepliesMadeAndClosesEveryClient) {
  const int waiting = Connect(), answered = Connect();
  Send(waiting, "READ?\n");
  Send(answered, "*IDN?\n");
  Pump(100);
  Server->Stop();
  EXPECT_EQ(Received(answered, 2), "M,X,0,1\nEOF");
  EXPECT_EQ(Received(waiting, 1), "EOF");
}

}  // namespace
