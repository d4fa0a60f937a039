// The MQTT publisher against a real broker on 127.0.0.1: what arrives and in what order, the
// retained status, a broker down at start, one that stops reading, and stopping without one.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/MqttTestSupport.h"
#include "publish/MqttPublisher.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

std::vector<std::string> Numbered(int from, int to) {
  std::vector<std::string> texts;
  for (int i = from; i <= to; ++i) texts.push_back("{\"n\":" + std::to_string(i) + "}");
  return texts;
}

class PublisherTest : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_BROKER(); }
  TMqttConfig Config(const std::string& topic, std::size_t capacity = 1000) const {
    TMqttConfig c;
    c.Host = "127.0.0.1";
    c.Port = Port;
    c.Topic = topic;
    c.QueueCapacity = capacity;
    c.ReconnectMinMs = 20;
    c.ReconnectMaxMs = 100;
    return c;
  }
  bool WaitForSent(const TMqttPublisher& p, std::uint64_t sent) const {
    return WaitUntil([&] { return p.Stats().Sent >= sent; }, std::chrono::seconds(30));
  }

  TTempFolder Folder;
  std::string Dir = Folder.Path().string();
  int Port = FreePort();
};

TEST_F(PublisherTest, ReadingsArriveInOrderAndTheLastStatusStaysRetained) {
  TBroker broker(Port, Dir);
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber live(Port, "bench/#");
  TMqttPublisher publisher(Config("bench"));
  publisher.SetStatus("online");
  for (const std::string& m : Numbered(1, 50)) EXPECT_TRUE(publisher.Post(m));
  ASSERT_TRUE(live.WaitForLast("bench/status", "online"));
  TSubscriber later(Port, "bench/status");  // told at once, from the broker's memory
  ASSERT_TRUE(later.WaitForLast("bench/status", "online"));
  EXPECT_TRUE(later.On("bench/status").back().Retained);

  // Statuses in quick succession between readings: the last one stays, and no acknowledgement
  // of a status passes for a reading sent.
  for (int i = 51; i <= 70; ++i) {
    publisher.SetStatus("state " + std::to_string(i));
    publisher.Post(Numbered(i, i).front());
  }
  publisher.SetStatus("closed");
  EXPECT_TRUE(later.WaitForLast("bench/status", "closed"));
  ASSERT_TRUE(live.WaitForCount("bench/reading", 70));
  publisher.Stop();
  EXPECT_TRUE(later.WaitForLast("bench/status", "offline"));
  EXPECT_EQ(live.Payloads("bench/reading"), Numbered(1, 70));
  const TMqttStats s = publisher.Stats();
  EXPECT_EQ(s.Posted, 70u);
  EXPECT_EQ(s.Sent, 70u);
  EXPECT_EQ(s.Dropped, 0u);
  EXPECT_FALSE(publisher.Post("late")) << "a stopped publisher takes nothing";
}

// The lasting broker keeps what comes for a subscriber with a session, so the test sees every
// reading however the reconnection and the subscriber's return fall in time.
TEST_F(PublisherTest, ABrokerDownAtStartGetsTheNewestReadingsOnceItIsUp) {
  {
    TBroker first(Port, Dir, true);
    ASSERT_TRUE(first.Up()) << first.Log();
    TSubscriber sign(Port, "lab/#", "reader");
  }
  TMqttPublisher publisher(Config("lab", 5));
  int kept = 0;
  for (const std::string& m : Numbered(1, 12)) kept += publisher.Post(m);
  EXPECT_EQ(kept, 5) << "a full queue drops its oldest reading";
  ASSERT_TRUE(WaitUntil([&] { return publisher.Stats().Failures > 0; }));
  const TMqttStats down = publisher.Stats();
  EXPECT_NE(down.Problem.find("refused"), std::string::npos) << down.Problem;
  EXPECT_FALSE(down.Connected);
  EXPECT_EQ(down.Queued, 5u);
  EXPECT_EQ(down.Dropped, 7u);

  TBroker second(Port, Dir, true);
  ASSERT_TRUE(second.Up()) << second.Log();
  ASSERT_TRUE(WaitForSent(publisher, 5));
  for (const std::string& m : Numbered(13, 15)) EXPECT_TRUE(publisher.Post(m));
  ASSERT_TRUE(WaitForSent(publisher, 8));
  EXPECT_TRUE(publisher.Stats().Connected);
  TSubscriber reader(Port, "lab/#", "reader");
  ASSERT_TRUE(reader.WaitForCount("lab/reading", 8)) << second.Log();
  EXPECT_EQ(reader.Payloads("lab/reading"), Numbered(8, 15));
}

// Every Post returns while the broker is stopped; what does not fit is dropped, and what counts
// as sent is what the broker passes on once it runs again.
TEST_F(PublisherTest, ABrokerThatStopsReadingCostsReadingsNotTime) {
  TBroker broker(Port, Dir);
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber live(Port, "slow/reading");
  TMqttConfig config = Config("slow", 8);
  config.MaxInFlight = 4;
  TMqttPublisher publisher(config);
  ASSERT_TRUE(WaitUntil([&] { return publisher.Stats().Connected; }));

  broker.Pause();
  // Each reading leaves the queue while fewer than MaxInFlight wait for the broker's
  // acknowledgement; then one stays.
  const std::string big(64 * 1024, 'x');
  int posted = 0;
  do publisher.Post(std::to_string(posted++) + big);
  while (posted < 2000 && WaitUntil([&] { return publisher.Stats().Queued == 0; }, std::chrono::milliseconds(500)));
  ASSERT_LT(posted, 2000) << "the connection to the stopped broker never filled";
  EXPECT_EQ(publisher.Stats().Dropped, 0u);
  for (int i = 0; i < 20; ++i) publisher.Post(std::to_string(posted++) + big);
  EXPECT_EQ(publisher.Stats().Queued, 8u);
  EXPECT_GE(publisher.Stats().Dropped, 12u);
  broker.Resume();

  ASSERT_TRUE(WaitUntil([&] { const TMqttStats s = publisher.Stats(); return s.Sent + s.Dropped == s.Posted; },
                        std::chrono::seconds(30)));
  const std::uint64_t sent = publisher.Stats().Sent;
  EXPECT_TRUE(live.WaitForCount("slow/reading", sent));
  EXPECT_EQ(live.On("slow/reading").size(), sent);
  EXPECT_TRUE(publisher.Stats().Connected);
}

// A broker that stops answering for longer than the keep-alive is given up with the
// keep-alive named; it never comes back, and another takes its place.  A reading counts as
// published only once a broker has it: the brokers' logs hold at least every one counted so.
TEST_F(PublisherTest, ABrokerStalledPastTheKeepAliveCostsReadingsThatAreCounted) {
  auto first = std::make_unique<TBroker>(Port, Dir);
  ASSERT_TRUE(first->Up()) << first->Log();
  TMqttConfig config = Config("stall");
  config.KeepAliveS = 5;
  TMqttPublisher publisher(config);
  auto postUntil = [&](const std::function<bool()>& done) {
    return WaitUntil([&] { return publisher.Post("{}"), done(); }, std::chrono::seconds(40));
  };
  ASSERT_TRUE(postUntil([&] { return publisher.Stats().Sent >= 100; }));
  first->Pause();
  ASSERT_TRUE(postUntil([&] { return publisher.Stats().Failures > 0; }));
  EXPECT_NE(publisher.Stats().Problem.find("keep-alive"), std::string::npos) << publisher.Stats().Problem;
  first->Kill();
  first.reset();
  TBroker second(Port, Dir);
  ASSERT_TRUE(second.Up()) << second.Log();
  ASSERT_TRUE(postUntil([&] { return publisher.Stats().Connected; }));
  publisher.Stop();
  const TMqttStats s = publisher.Stats();
  EXPECT_EQ(s.Sent + s.Dropped, s.Posted);
  auto received = [&] {
    const std::string log = second.Log();  // the first one's too: the same file
    std::size_t n = 0;
    for (auto at = log.find("'stall/reading'"); at != std::string::npos; at = log.find("'stall/reading'", at + 1)) ++n;
    return n;
  };
  WaitUntil([&] { return received() >= s.Sent; });
  EXPECT_GE(received(), s.Sent);
}

TEST_F(PublisherTest, StoppingWithoutABrokerEndsAndCountsEveryReadingDropped) {
  TMqttPublisher publisher(Config("none"));
  for (const std::string& m : Numbered(1, 10)) publisher.Post(m);
  publisher.Stop();
  const TMqttStats s = publisher.Stats();
  EXPECT_EQ(s.Posted, 10u);
  EXPECT_EQ(s.Dropped, 10u);
  EXPECT_EQ(s.Sent + s.Queued + s.Connections, 0u);
}

}  // namespace
