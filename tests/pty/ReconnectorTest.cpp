// Opening a lost line again (app/Reconnector.h) on real pseudo-terminals, with the time of the
// backoff driven by hand: only the device that came back is opened, never a terminal that
// another program got at the lost one's number, and connections that keep dropping are
// backed off and said once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "app/Reconnector.h"
#include "port/SioPort.h"
#include "unit/TraceLogFiles.h"

namespace {

using namespace std::chrono_literals;

// The lost terminal's number handed to "another program": new pseudo-terminals until one gets
// it (the kernel gives the lowest free number; other programs on the machine may take it first).
std::vector<std::unique_ptr<TTestPty>> TakeNumberOf(const std::string& lostPath) {
  std::vector<std::unique_ptr<TTestPty>> taken;
  for (int i = 0; i < 64; ++i) {
    taken.push_back(std::make_unique<TTestPty>(TTestPty::TSlave::NotHeld));
    if (taken.back()->SlavePath() == lostPath) return taken;
  }
  return {};
}

class ReconnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPortDevicePath(2, Link);
    Port = std::make_unique<TSioComPort>(nullptr);
    Port->SetComNumber(2);
    Port->SetOnTrigger([this](TComponent*, std::uint16_t, std::uint16_t count, std::uint16_t) {
      std::vector<std::uint8_t> bytes(count);
      Port->GetBlock(bytes.data(), count);
      Got.append(bytes.begin(), bytes.end());
    });
  }
  void TearDown() override {
    Reconnector.reset();
    Port.reset();
    SetPortDevicePath(2, "");
  }
  // A new far end, the link (re)made to it.
  TTestPty& NewPeer() {
    Peers.push_back(std::make_unique<TTestPty>(TTestPty::TSlave::NotHeld));
    std::filesystem::remove(Link);
    std::filesystem::create_symlink(Peers.back()->SlavePath(), Link);
    return *Peers.back();
  }
  void Start(const std::string& path) {
    SetPortDevicePath(2, path);
    Port->SetOpen(true);
    Reconnector = std::make_unique<TReconnector>(*Port, TWords(), [this] { return Now; }, [] {});
  }
  // The far end goes away; true once the port heard of it.
  bool Lose(TTestPty& peer) {
    peer.CloseMaster();
    return PumpUntil([&] { return Reconnector->Reconnecting(); });
  }
  // Time passes by `ms` and whatever is due is done.
  void Pass(TReconnector::TMs ms) {
    Now += ms;
    Reconnector->Poll();
  }
  std::string News() {
    std::string text;
    for (const std::string& line : Reconnector->TakeNews()) text += line + "\n";
    return text;
  }

  TTempFolder Folder;
  std::string Link = Folder.File("COM2");
  TShownMessages Shown;
  std::vector<std::unique_ptr<TTestPty>> Peers;
  std::unique_ptr<TSioComPort> Port;
  std::unique_ptr<TReconnector> Reconnector;
  TReconnector::TMs Now = 1'000'000;
  std::string Got;
};

TEST_F(ReconnectorTest, ALinkToAPseudoTerminalIsReopenedOnlyOnceItIsMadeAgain) {
  TTestPty& first = NewPeer();
  const std::string lostPath = first.SlavePath();
  Start(Link);
  ASSERT_TRUE(Lose(first));
  EXPECT_EQ(News(), "line lost on COM2 " + Link + ": device gone; reconnecting\n");

  // Another program gets the lost terminal's number: the link leads to its terminal now.
  const auto stranger = TakeNumberOf(lostPath);
  if (stranger.empty()) GTEST_SKIP() << "another program kept taking " << lostPath;
  for (int i = 0; i < 20; ++i) Pass(5000);
  EXPECT_EQ(Port->PortState(), psClosed);
  EXPECT_EQ(stranger.back()->SlavePath(), lostPath);
  EXPECT_EQ(News(), "COM2 " + Link + " still leads to " + lostPath +
                        ", the pseudo-terminal that went away, which another program may have now; waiting for the "
                        "link to be made again\n");
  EXPECT_EQ(Reconnector->StateText(), "line lost \u2014 waiting for the link to be made again (device gone)");
  Reconnector->TryNow();  // nor when the user asks
  EXPECT_EQ(Port->PortState(), psClosed);

  // The simulator starts again and makes its link anew: at the next look the line is back.
  TTestPty& second = NewPeer();
  Pass(TReconnector::LookMs);
  ASSERT_EQ(Port->PortState(), psOpen);
  EXPECT_EQ(News(), "reconnected to COM2 " + Link + "\n");
  ASSERT_TRUE(second.Write(std::string("x")));
  EXPECT_TRUE(PumpUntil([&] { return Got == "x"; }));
  EXPECT_TRUE(Shown.Messages.empty());
}

// What a path led to when it opened, and when it counts as back.
TEST(DeviceReturnTest, EachKindOfPathComesBackByItsOwnRule) {
  TTempFolder folder;
  const std::string link = folder.File("link"), file = folder.File("device"), other = folder.File("other");
  TTestPty pty(TTestPty::TSlave::Held);
  std::ofstream(file) << "";
  std::ofstream(other) << "";
  const auto relink = [&](const std::string& to) {
    std::filesystem::remove(link);
    std::filesystem::create_symlink(to, link);
  };
  struct TCase {
    const char* What;
    std::string Path;
    std::function<void()> Before;  // made before the note
    std::function<void()> After;   // done after the loss
    TReturn Expected;
  };
  const TCase cases[] = {
      {"a network address", "tcp://127.0.0.1:1", [] {}, [] {}, drBack},
      {"a pseudo-terminal by its own path", pty.SlavePath(), [] {}, [] {}, drPtyGone},
      {"a link to a pseudo-terminal left alone", link, [&] { relink(pty.SlavePath()); }, [] {}, drAwaitLink},
      {"a link to a pseudo-terminal removed", link, [&] { relink(pty.SlavePath()); },
       [&] { std::filesystem::remove(link); }, drAwaitLink},
      {"a link to a pseudo-terminal made again", link, [&] { relink(pty.SlavePath()); },
       [&] { relink(pty.SlavePath()); }, drBack},
      {"a link to a pseudo-terminal pointed elsewhere", link, [&] { relink(pty.SlavePath()); },
       [&] { std::filesystem::remove(link); std::filesystem::create_symlink(other, link); }, drBack},
      {"a link to another device, still there", link, [&] { relink(file); }, [] {}, drBack},
      {"a link to another device, gone", link, [&] { relink(file); }, [&] { std::filesystem::remove(file); },
       drAwaitDevice},
      {"a device node, gone", file, [&] { std::ofstream(file) << ""; }, [&] { std::filesystem::remove(file); },
       drAwaitDevice},
      {"a device node, back", file, [&] { std::ofstream(file) << ""; },
       [&] { std::filesystem::remove(file); std::ofstream(file) << ""; }, drBack},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    c.Before();
    const TDeviceReturn noted = TDeviceReturn::Note(c.Path);
    c.After();
    EXPECT_EQ(noted.Check(), c.Expected);
  }
}

TEST_F(ReconnectorTest, APseudoTerminalNamedByItsPathIsNotReopenedWhenItsNumberComesBack) {
  Peers.push_back(std::make_unique<TTestPty>(TTestPty::TSlave::NotHeld));
  const std::string path = Peers.back()->SlavePath();
  Start(path);
  ASSERT_TRUE(Lose(*Peers.back()));
  const auto stranger = TakeNumberOf(path);
  if (stranger.empty()) GTEST_SKIP() << "another program kept taking " << path;
  for (int i = 0; i < 20; ++i) Pass(5000);
  EXPECT_EQ(Port->PortState(), psClosed);
  EXPECT_EQ(Reconnector->DueInMs(), -1) << "nothing brings it back";
  EXPECT_NE(News().find("was a pseudo-terminal, which does not come back"), std::string::npos);
}

TEST_F(ReconnectorTest, ConnectionsThatKeepDroppingAreBackedOffAndSaidOnce) {
  NewPeer();
  Start(Link);
  ASSERT_EQ(Port->PortState(), psOpen);
  std::vector<TReconnector::TMs> delays;
  for (int drop = 0; drop < 5; ++drop) {
    ASSERT_TRUE(Lose(*Peers.back()));
    delays.push_back(Reconnector->DueInMs());
    NewPeer();
    Pass(Reconnector->DueInMs());
    ASSERT_EQ(Port->PortState(), psOpen) << drop;
    Pass(500);  // up for half a second, then gone again
  }
  EXPECT_EQ(delays, (std::vector<TReconnector::TMs>{1000, 2000, 4000, 5000, 5000}));
  const std::string where = "COM2 " + Link;
  EXPECT_EQ(News(), "line lost on " + where + ": device gone; reconnecting\nreconnected to " + where +
                        "\nline lost again on " + where +
                        " 0 s after it opened (device gone); reconnecting without further word until a connection "
                        "lasts 10 s\n");

  // One that lasts starts the backoff afresh, and is said.
  Pass(TReconnector::StableMs);
  EXPECT_EQ(News(), where + " has stayed connected for 10 s\n");
  ASSERT_TRUE(Lose(*Peers.back()));
  EXPECT_EQ(Reconnector->DueInMs(), 1000);
  EXPECT_EQ(News(), "line lost on " + where + ": device gone; reconnecting\n");

  // A retry that fails keeps the loss's reason and adds its own; said once while it fails alike.
  std::filesystem::remove(Link);
  std::filesystem::create_directory(Link);
  for (int i = 0; i < 3; ++i) Pass(5000);
  EXPECT_EQ(Reconnector->StateText(), "line lost \u2014 reconnecting (device gone; cannot open)");
  EXPECT_EQ(News(), "still reconnecting: Cannot open COM2: " + Link +
                        ": Is a directory. Check the path, or name another device with --port 2=PATH.\n");
}

}  // namespace
