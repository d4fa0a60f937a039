// The MQTT publisher against a real broker on 127.0.0.1: what arrives, the retained status and
// the will, a broker that is down at start, one that stops reading, and stopping without one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/MqttTestSupport.h"
#include "publish/MqttPublisher.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

TMqttConfig Config(int port, const std::string& topic) {
  TMqttConfig c;
  c.Host = "127.0.0.1";
  c.Port = port;
  c.Topic = topic;
  c.ReconnectMinMs = 20;
  c.ReconnectMaxMs = 100;
  return c;
}

std::vector<std::string> Payloads(const std::vector<TMqttMessage>& messages) {
  std::vector<std::string> payloads;
  for (const TMqttMessage& m : messages) payloads.push_back(m.Payload);
  return payloads;
}

std::vector<std::string> Numbered(int from, int to) {
  std::vector<std::string> texts;
  for (int i = from; i <= to; ++i) texts.push_back("{\"n\":" + std::to_string(i) + "}");
  return texts;
}

bool Settled(const TMqttPublisher& p) {
  const TMqttStats s = p.Stats();
  return s.Queued == 0 && s.Sent + s.Dropped == s.Posted;
}

class PublisherTest : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_BROKER(); }
  TTempFolder Folder;
  int Port = FreePort();
};

TEST_F(PublisherTest, ReadingsArriveInOrderAndTheStatusStaysRetainedUntilOffline) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber live(Port, "bench/#");
  ASSERT_TRUE(live.Ready());

  TMqttPublisher publisher(Config(Port, "bench"));
  publisher.SetStatus("online");
  for (const std::string& m : Numbered(1, 50)) EXPECT_TRUE(publisher.Post(m));
  ASSERT_TRUE(live.WaitForCount("bench/reading", 50, 10000));
  EXPECT_EQ(Payloads(live.On("bench/reading")), Numbered(1, 50));
  EXPECT_TRUE(live.WaitForLast("bench/status", "online"));

  // Someone who comes later is told the state at once, from the broker's memory.
  TSubscriber later(Port, "bench/status");
  ASSERT_TRUE(later.WaitForLast("bench/status", "online"));
  EXPECT_TRUE(later.On("bench/status").back().Retained);
  // Statuses in quick succession between readings: the last one stays, and no acknowledgement
  // of a status is counted as a reading sent.
  for (int i = 1; i <= 20; ++i) {
    publisher.SetStatus("state " + std::to_string(i));
    publisher.Post(Numbered(50 + i, 50 + i).front());
  }
  publisher.SetStatus("closed");
  EXPECT_TRUE(later.WaitForLast("bench/status", "closed"));
  ASSERT_TRUE(live.WaitForCount("bench/reading", 70, 10000));

  publisher.Stop();
  EXPECT_TRUE(later.WaitForLast("bench/status", "offline"));
  EXPECT_EQ(Payloads(live.On("bench/reading")), Numbered(1, 70));
  const TMqttStats s = publisher.Stats();
  EXPECT_EQ(s.Posted, 70u);
  EXPECT_EQ(s.Sent, 70u);
  EXPECT_EQ(s.Dropped, 0u);
  EXPECT_EQ(s.Connections, 1u);
  EXPECT_FALSE(publisher.Post("late")) << "a stopped publisher takes nothing";
  TSubscriber after(Port, "bench/status");
  ASSERT_TRUE(after.WaitForLast("bench/status", "offline"));
  EXPECT_TRUE(after.On("bench/status").back().Retained);
}

// The broker keeps what it is given for a subscriber with a lasting session, so the test sees
// every reading however the reconnection and the subscriber's return fall in time.
TEST_F(PublisherTest, ABrokerDownAtStartGetsTheNewestReadingsOnceItIsUp) {
  const std::string folder = Folder.Path().string();
  {
    TBroker first(Port, folder, true);
    ASSERT_TRUE(first.Up()) << first.Log();
    TSubscriber sign(Port, "lab/#", "reader");
    ASSERT_TRUE(sign.Ready());
  }
  TMqttConfig config = Config(Port, "lab");
  config.QueueCapacity = 5;
  TMqttPublisher publisher(config);
  publisher.SetStatus("online");
  int kept = 0;
  for (const std::string& m : Numbered(1, 12)) kept += publisher.Post(m);
  EXPECT_EQ(kept, 5) << "a full queue drops its oldest reading";
  ASSERT_TRUE(WaitUntil([&] { return !publisher.Stats().Problem.empty(); }));
  TMqttStats down = publisher.Stats();
  EXPECT_FALSE(down.Connected);
  EXPECT_NE(down.Problem.find("refused"), std::string::npos) << down.Problem;
  EXPECT_EQ(down.Queued, 5u);
  EXPECT_EQ(down.Dropped, 7u);
  EXPECT_EQ(down.Sent, 0u);

  TBroker second(Port, folder, true);
  ASSERT_TRUE(second.Up()) << second.Log();
  ASSERT_TRUE(WaitUntil([&] { return publisher.Stats().Sent == 5; }, std::chrono::seconds(10)));
  for (const std::string& m : Numbered(13, 15)) EXPECT_TRUE(publisher.Post(m));
  ASSERT_TRUE(WaitUntil([&] { return publisher.Stats().Sent == 8; }, std::chrono::seconds(10)));
  EXPECT_TRUE(publisher.Stats().Connected);
  EXPECT_GE(publisher.Stats().Failures, 1u);

  TSubscriber reader(Port, "lab/#", "reader");
  ASSERT_TRUE(reader.WaitForCount("lab/reading", 8, 10000)) << second.Log();
  EXPECT_EQ(Payloads(reader.On("lab/reading")), Numbered(8, 15));
  EXPECT_TRUE(reader.WaitForLast("lab/status", "online"));
}

// Every Post returns while the broker is stopped: the readings that do not fit are dropped,
// and what counts as sent is what the broker really passes on once it runs again.
TEST_F(PublisherTest, ABrokerThatStopsReadingCostsReadingsNotTime) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber live(Port, "slow/reading");
  ASSERT_TRUE(live.Ready());
  TMqttConfig config = Config(Port, "slow");
  config.QueueCapacity = 8;
  config.MaxInFlight = 4;
  TMqttPublisher publisher(config);
  ASSERT_TRUE(WaitUntil([&] { return publisher.Stats().Connected; }));

  broker.Pause();
  const std::string big(64 * 1024, 'x');
  // Each reading leaves the queue while the system still takes bytes for the broker; once its
  // buffers are full, one stays.
  int posted = 0;
  while (posted < 2000) {
    publisher.Post(std::to_string(posted++) + big);
    if (!WaitUntil([&] { return publisher.Stats().Queued == 0; }, std::chrono::milliseconds(500))) break;
  }
  ASSERT_LT(posted, 2000) << "the connection to the stopped broker never filled";
  EXPECT_EQ(publisher.Stats().Dropped, 0u);
  for (int i = 0; i < 20; ++i) publisher.Post(std::to_string(posted++) + big);
  const TMqttStats paused = publisher.Stats();
  EXPECT_EQ(paused.Queued, 8u);
  EXPECT_GE(paused.Dropped, 12u);
  broker.Resume();

  ASSERT_TRUE(WaitUntil([&] { return Settled(publisher); }, std::chrono::seconds(30)));
  const TMqttStats s = publisher.Stats();
  EXPECT_EQ(s.Posted, static_cast<std::uint64_t>(posted));
  EXPECT_TRUE(live.WaitForCount("slow/reading", s.Sent, 30000));
  EXPECT_EQ(live.On("slow/reading").size(), s.Sent);
  EXPECT_TRUE(s.Connected) << s.Problem;
}

TEST_F(PublisherTest, StoppingWithoutABrokerEndsAndCountsEveryReadingDropped) {
  TMqttPublisher publisher(Config(Port, "none"));
  for (const std::string& m : Numbered(1, 10)) publisher.Post(m);
  publisher.Stop();
  const TMqttStats s = publisher.Stats();
  EXPECT_EQ(s.Posted, 10u);
  EXPECT_EQ(s.Dropped, 10u);
  EXPECT_EQ(s.Sent, 0u);
  EXPECT_EQ(s.Queued, 0u);
  EXPECT_EQ(s.Connections, 0u);
}

}  // namespace
