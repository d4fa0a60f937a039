// The headless logger publishing over MQTT (--mqtt) to a broker on 127.0.0.1: a subscriber
// sees every measurement with its CSV row's fields, the port's state while the logger runs and
// "offline" however it ends, and a broker that comes late gets the readings from then on.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/CsvRecords.h"
#include "measure/CsvRow.h"
#include "net/MqttTestSupport.h"
#include "pty/SimulatorProcess.h"
#include "support/FlatJson.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

std::vector<std::string> Payloads(const std::vector<TMqttMessage>& messages) {
  std::vector<std::string> payloads;
  for (const TMqttMessage& m : messages) payloads.push_back(m.Payload);
  return payloads;
}

// The counts of the logger's last words on publishing: "mqtt: N readings published, M dropped".
bool ReadTotals(const std::string& err, unsigned long long& sent, unsigned long long& dropped) {
  const auto totals = err.rfind(" readings published, ");
  const auto line = totals == std::string::npos ? totals : err.rfind("mqtt: ", totals);
  return line != std::string::npos &&
         std::sscanf(err.c_str() + line, "mqtt: %llu readings published, %llu dropped", &sent, &dropped) == 2;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class HeadlessMqttTest : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_BROKER(); }
  std::vector<std::string> Args(const std::string& topic) const {
    return {"--headless", "--port", "2=" + Sim.Path(), "--csv", Csv, "--mqtt", "127.0.0.1:" + std::to_string(Port),
            "--mqtt-topic", topic};
  }

  TTempFolder Folder;
  std::string Csv = Folder.File("readings.csv");
  int Port = FreePort();
  TSimulatorProcess Sim{{"--period-ms", "50", "--signal-hz", "12345000", "--noise-ppm", "0.5"}};
};

TEST_F(HeadlessMqttTest, EveryMeasurementIsPublishedWithItsCsvRowsFields) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber subscriber(Port, "fp/#");
  ASSERT_TRUE(subscriber.Ready());
  std::vector<std::string> args = Args("fp");
  args.insert(args.end(), {"--count", "15"});
  const TRunResult run = RunProgram(FRONTPANEL_PATH, args, 30000);
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Err.find("mqtt: connected to 127.0.0.1:" + std::to_string(Port)), std::string::npos) << run.Err;
  unsigned long long sent = 0, dropped = 0;
  ASSERT_TRUE(ReadTotals(run.Err, sent, dropped)) << run.Err;
  EXPECT_EQ(sent, 15u);
  EXPECT_EQ(dropped, 0u);

  const auto rows = Records(ReadWholeFile(Csv));
  ASSERT_EQ(rows.size(), 16u);
  ASSERT_TRUE(subscriber.WaitForCount("fp/reading", 15));
  const auto readings = subscriber.On("fp/reading");
  ASSERT_EQ(readings.size(), 15u);
  for (std::size_t r = 0; r < readings.size(); ++r) {
    SCOPED_TRACE(readings[r].Payload);
    const auto fields = ParseFlatJson(readings[r].Payload);
    ASSERT_TRUE(fields.has_value());
    ASSERT_EQ(fields->size(), kRowColumnCount);
    const std::vector<std::string>& row = rows[r + 1];
    for (std::size_t c = 0; c < kRowColumnCount; ++c) {
      const TJsonField& f = (*fields)[c];
      EXPECT_EQ(f.Name, kRowColumns[c].Name);
      EXPECT_EQ(f.Text, row.at(c)) << f.Name;
      const auto kind = row[c].empty() ? TJsonField::jkNull
                        : kRowColumns[c].Kind == ckNumber ? TJsonField::jkNumber
                                                          : TJsonField::jkString;
      EXPECT_EQ(f.Kind, kind) << f.Name;
    }
  }
  const auto statuses = Payloads(subscriber.On("fp/status"));
  EXPECT_TRUE(Has(statuses, "online"));
  ASSERT_TRUE(subscriber.WaitForLast("fp/status", "offline"));
}

TEST_F(HeadlessMqttTest, TheStatusEndsOfflineWhetherTheLoggerStopsOrIsKilled) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  for (const int sig : {SIGTERM, SIGKILL}) {
    const std::string topic = "end" + std::to_string(sig);
    SCOPED_TRACE(topic);
    TSubscriber subscriber(Port, topic + "/status");
    ASSERT_TRUE(subscriber.Ready());
    const TRunResult run = RunProgram(FRONTPANEL_PATH, Args(topic), 20000, [&](int pid) {
      EXPECT_TRUE(subscriber.WaitForLast(topic + "/status", "online"));
      kill(pid, sig);
    });
    EXPECT_EQ(run.Status, sig == SIGKILL ? 128 + SIGKILL : 0) << run.Err;
    // Killed, the broker says it for the logger (its will); stopped, the logger says it.
    EXPECT_TRUE(subscriber.WaitForLast(topic + "/status", "offline"));
    TSubscriber later(Port, topic + "/status");
    ASSERT_TRUE(later.WaitForLast(topic + "/status", "offline"));
    EXPECT_TRUE(later.On(topic + "/status").back().Retained);
  }
}

TEST_F(HeadlessMqttTest, ABrokerThatComesLateGetsTheReadingsFromThenOn) {
  std::unique_ptr<TBroker> broker;
  TRunResult run = RunProgram(FRONTPANEL_PATH, Args("late"), 30000, [&](int pid) {
    EXPECT_TRUE(WaitUntil([&] { return Records(ReadWholeFile(Csv)).size() >= 4; }, std::chrono::seconds(10)));
    broker = std::make_unique<TBroker>(Port, Folder.Path().string());
    ASSERT_TRUE(broker->Up()) << broker->Log();
    TSubscriber subscriber(Port, "late/reading");
    EXPECT_TRUE(subscriber.WaitForCount("late/reading", 3, 20000));
    kill(pid, SIGTERM);
  });
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Err.find("Connection refused; trying again"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("mqtt: connected to"), std::string::npos) << run.Err;
  // Every row of the file was either published or counted as dropped.
  const std::size_t rows = Records(ReadWholeFile(Csv)).size() - 1;
  unsigned long long sent = 0, dropped = 0;
  ASSERT_TRUE(ReadTotals(run.Err, sent, dropped)) << run.Err;
  EXPECT_GE(sent, 3u);
  EXPECT_EQ(sent + dropped, rows);
}

}  // namespace
