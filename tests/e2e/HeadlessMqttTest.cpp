// The headless logger publishing over MQTT (--mqtt) to a broker on 127.0.0.1: every measurement
// as the JSON form of its CSV row, the port's state and "offline" however the logger ends, and
// a broker that comes late gets the readings from then on; a lost line is told as "lost" until
// the line is back.
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "e2e/CsvRecords.h"
#include "net/MqttTestSupport.h"
#include "publish/ReadingJson.h"
#include "pty/SimulatorProcess.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

// The logger's last word on publishing: "mqtt: N readings published, M dropped".
bool ReadTotals(const std::string& err, unsigned long long& sent, unsigned long long& dropped) {
  const auto totals = err.rfind(" readings published, ");
  const auto line = totals == std::string::npos ? totals : err.rfind("mqtt: ", totals);
  return line != std::string::npos &&
         std::sscanf(err.c_str() + line, "mqtt: %llu readings published, %llu dropped", &sent, &dropped) == 2;
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
  TSimulatorProcess Sim{{"--period-ms", "50", "--noise-ppm", "0.5"}};
};

TEST_F(HeadlessMqttTest, EveryMeasurementIsPublishedAsItsCsvRow) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber subscriber(Port, "fp/#");
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
  const auto readings = subscriber.Payloads("fp/reading");
  ASSERT_EQ(readings.size(), 15u);
  for (std::size_t r = 0; r < readings.size(); ++r) {
    TRowValues row;
    ASSERT_EQ(rows[r + 1].size(), row.size());
    std::copy(rows[r + 1].begin(), rows[r + 1].end(), row.begin());
    EXPECT_EQ(readings[r], ReadingJson(row));
  }
  const auto statuses = subscriber.Payloads("fp/status");
  EXPECT_EQ(statuses, (std::vector<std::string>{"online", "offline"}));
}

TEST_F(HeadlessMqttTest, TheStatusEndsOfflineWhetherTheLoggerStopsOrIsKilled) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  for (const int sig : {SIGTERM, SIGKILL}) {
    const std::string status = "end" + std::to_string(sig) + "/status";
    TSubscriber subscriber(Port, status);
    const TRunResult run = RunProgram(FRONTPANEL_PATH, Args("end" + std::to_string(sig)), 20000, [&](int pid) {
      EXPECT_TRUE(subscriber.WaitForLast(status, "online"));
      kill(pid, sig);
    });
    EXPECT_EQ(run.Status, sig == SIGKILL ? 128 + SIGKILL : 0) << run.Err;
    // Killed, the broker says it for the logger (its will); stopped, the logger says it.
    EXPECT_TRUE(subscriber.WaitForLast(status, "offline")) << sig;
    TSubscriber later(Port, status);
    ASSERT_TRUE(later.WaitForLast(status, "offline")) << sig;
    EXPECT_TRUE(later.On(status).back().Retained);
  }
}

// Field `n` (from 0) of /proc/PID/FILE: the system call the main thread is blocked in (syscall,
// 0) or the process state (stat, 2; Z once it has ended).
std::string ProcField(int pid, const char* file, int n) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  std::string field;
  for (int i = 0; i <= n && in >> field;) ++i;
  return field;
}

// One stop signal ends the run cleanly whatever the logger waits for: the summary is written
// and "offline" published, even while it waits to open a FIFO nobody reads or to write into a
// full pipe nobody empties.
TEST_F(HeadlessMqttTest, OneStopSignalEndsTheRunCleanlyWhateverItWaitsFor) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSimulatorProcess fast({"--period-ms", "1", "--burst"});
  const std::string fifo = Folder.File("nobody-reads.csv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    int Signal;
    std::string Csv;
    long BlockedIn;
  } cases[] = {{SIGTERM, fifo, SYS_openat}, {SIGHUP, fifo, SYS_openat}, {SIGINT, "-", SYS_write}, {SIGHUP, "-", SYS_write}};
  for (const auto& c : cases) {
    const std::string topic = "blocked" + std::to_string(c.Signal) + c.Csv.substr(0, 1);
    SCOPED_TRACE(topic);
    TSubscriber subscriber(Port, topic + "/status");
    const TRunResult run = RunProgram(
        FRONTPANEL_PATH,
        {"--headless", "--port", "2=" + fast.Path(), "--csv", c.Csv, "--summary", "--mqtt",
         "127.0.0.1:" + std::to_string(Port), "--mqtt-topic", topic},
        15000, [&](int pid) {
          // In that call, and still a moment later: blocked.
          auto inCall = [&] { return ProcField(pid, "syscall", 0) == std::to_string(c.BlockedIn); };
          EXPECT_TRUE(WaitUntil([&] { return inCall() && (std::this_thread::sleep_for(std::chrono::milliseconds(200)), inCall()); },
                                std::chrono::seconds(10)));
          kill(pid, c.Signal);
          // Ended while the pipe is still full: its output is read only after this returns.
          EXPECT_TRUE(WaitUntil([&] { return ProcField(pid, "stat", 2) == "Z"; }, std::chrono::seconds(10)));
        });
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("{\"count\":"), std::string::npos) << run.Err;
    EXPECT_TRUE(subscriber.WaitForLast(topic + "/status", "offline"));
  }
}

TEST_F(HeadlessMqttTest, ALostLineIsToldUntilTheInstrumentIsBack) {
  TBroker broker(Port, Folder.Path().string());
  ASSERT_TRUE(broker.Up()) << broker.Log();
  TSubscriber subscriber(Port, "link/status");
  const std::string link = Folder.File("COM2");
  const std::vector<std::string> simArgs{"--link", link, "--period-ms", "50"};
  auto sim = std::make_unique<TSimulatorProcess>(simArgs);
  std::vector<std::string> args = Args("link");
  args[2] = "2=" + link;
  args.push_back("--reconnect");
  const TRunResult run = RunProgram(FRONTPANEL_PATH, args, 30000, [&](int pid) {
    EXPECT_TRUE(subscriber.WaitForLast("link/status", "online"));
    sim->Stop(SIGTERM);
    EXPECT_TRUE(subscriber.WaitForLast("link/status", "lost"));
    sim = std::make_unique<TSimulatorProcess>(simArgs);
    EXPECT_TRUE(subscriber.WaitForLast("link/status", "online"));
    kill(pid, SIGTERM);
  });
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(subscriber.WaitForLast("link/status", "offline"));
  EXPECT_EQ(subscriber.Payloads("link/status"),
            (std::vector<std::string>{"online", "closed", "lost", "online", "offline"}));
}

TEST_F(HeadlessMqttTest, ABrokerThatComesLateGetsTheReadingsFromThenOn) {
  std::unique_ptr<TBroker> broker;
  const TRunResult run = RunProgram(FRONTPANEL_PATH, Args("late"), 30000, [&](int pid) {
    EXPECT_TRUE(WaitUntil([&] { return Records(ReadWholeFile(Csv)).size() >= 4; }));
    broker = std::make_unique<TBroker>(Port, Folder.Path().string());
    TSubscriber subscriber(Port, "late/reading");
    EXPECT_TRUE(subscriber.WaitForCount("late/reading", 3));
    kill(pid, SIGTERM);
  });
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Err.find("Connection refused; trying again"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("mqtt: connected to"), std::string::npos) << run.Err;
  // Every row of the file was published or counted as dropped.
  unsigned long long sent = 0, dropped = 0;
  ASSERT_TRUE(ReadTotals(run.Err, sent, dropped)) << run.Err;
  EXPECT_GE(sent, 3u);
  EXPECT_EQ(sent + dropped, Records(ReadWholeFile(Csv)).size() - 1);
}

}  // namespace
