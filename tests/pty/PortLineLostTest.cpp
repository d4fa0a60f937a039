// A port whose device goes away (the pseudo-terminal's far end closes, as when a USB adapter
// is pulled out): it closes itself as a close would, raises OnLineLost once on its thread, and
// only then (LinkStatusTest and HeadlessLoggerTest open it again at the same path).
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "support/LoopbackListener.h"
#include "support/ProcessCounts.h"
#include "common/SioExcept.h"
#include "platform/SysErrors.h"
#include "port/SioPort.h"
#include "unit/TraceLogFiles.h"

namespace {

using namespace std::chrono_literals;

class PortLineLost : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    SetPortDevicePath(2, Peer.SlavePath());
    Port = std::make_unique<TSioComPort>(nullptr);
    Port->SetComNumber(2);
    Port->SetBaud(9600);
    Port->SetOnTrigger([this](TComponent*, std::uint16_t, std::uint16_t count, std::uint16_t) {
      std::vector<std::uint8_t> bytes(count);
      Port->GetBlock(bytes.data(), count);
      Got.append(bytes.begin(), bytes.end());
    });
    Port->SetOnLineLost([this](TComponent* cp, int error) {
      EXPECT_EQ(cp, Port.get());
      EXPECT_FALSE(Port->Open()) << "closed before the event";
      Lost.push_back({error, Got});
    });
  }
  void TearDown() override {
    Port.reset();
    SetPortDevicePath(2, "");
  }
  struct TLoss {
    int Error;
    std::string ReceivedBefore;
  };
  TTempFolder Folder;
  TTestPty Peer{TTestPty::TSlave::NotHeld};
  TShownMessages Shown;
  std::unique_ptr<TSioComPort> Port;
  std::string Got;
  std::vector<TLoss> Lost;
};

TEST_F(PortLineLost, ThePortClosesAsACloseWouldAndSaysSoOnceAfterTheBytesBeforeIt) {
  Port->SetTraceName(Folder.File("lost.trc"));
  Port->SetOpen(true);
  Port->SetTracing(tlOn);
  ASSERT_TRUE(Peer.Write(std::string("abc")));
  ASSERT_TRUE(PumpUntil([&] { return Got == "abc"; }));
  Peer.CloseMaster();  // the adapter is pulled out

  ASSERT_TRUE(PumpUntil([&] { return !Lost.empty(); }));
  EXPECT_EQ(Lost[0].Error, -static_cast<int>(ERROR_GEN_FAILURE));
  EXPECT_EQ(Lost[0].ReceivedBefore, "abc");
  EXPECT_EQ(Port->PortState(), psClosed);
  EXPECT_EQ(Port->ComWindow(), 0u);
  EXPECT_EQ(Port->Tracing(), tlOff);
  EXPECT_TRUE(FileExists(Folder.File("lost.trc"))) << "the trace was written out";
  PumpUntil([] { return false; }, 300ms);
  EXPECT_EQ(Lost.size(), 1u);
  EXPECT_TRUE(Shown.Messages.empty());
}

// The workers start before the port's window is registered: a line lost in between (a
// server that accepts and closes at once) is still reported once the port has opened.
TEST_F(PortLineLost, ALineLostWhileThePortOpensIsReportedOnceItHasOpened) {
  class TLostWhileOpening : public TSioComPort {
   public:
    explicit TLostWhileOpening(const TLoopbackListener& server) : TSioComPort(nullptr), FServer(server) {}

   protected:
    int InitPort() override {
      const int threads = CountThreads();
      const int result = TSioComPort::InitPort();
      close(FServer.Accept());
      // The event worker ends once it has reported the loss to whoever was there: nobody.
      EXPECT_TRUE(WaitUntil([&] { return CountThreads() == threads + 2; }));
      return result;
    }

   private:
    const TLoopbackListener& FServer;
  };
  TLoopbackListener server;
  SetPortDevicePath(2, server.Url());
  Port = std::make_unique<TLostWhileOpening>(server);
  Port->SetComNumber(2);
  Port->SetOnLineLost([this](TComponent*, int error) { Lost.push_back({error, Got}); });
  Port->SetOpen(true);
  ASSERT_TRUE(PumpUntil([&] { return !Lost.empty(); }));
  EXPECT_EQ(Port->PortState(), psClosed);
  PumpUntil([] { return false; }, 300ms);
  EXPECT_EQ(Lost.size(), 1u);
  EXPECT_TRUE(Shown.Messages.empty());
}

TEST_F(PortLineLost, ALineTheApplicationClosesOrReopensIsNotLost) {
  Port->SetOpen(true);
  Port->SetOpen(false);
  Port->SetOpen(true);
  Port->SetOpen(false);
  Peer.CloseMaster();
  PumpUntil([] { return false; }, 300ms);
  EXPECT_TRUE(Lost.empty());
}

}  // namespace
