// The headless logger reading the simulator over the network: through socat and ser2net's raw
// port (tcp://), through ser2net's RFC 2217 port (rfc2217://) and from the simulator's own
// --listen; a server that goes away mid-stream, and connections that cannot be made.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "e2e/CsvRecords.h"
#include "net/DeviceServers.h"
#include "net/MqttTestSupport.h"
#include "pty/SimulatorProcess.h"
#include "support/TestPty.h"
#include "unit/TraceLogFiles.h"

namespace {

std::string Program() { return FRONTPANEL_PATH; }

class HeadlessSocketTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Csv = Folder.File("readings.csv");

  // Runs the logger on `url` for `count` rows and checks each carries the simulator's signal.
  void ExpectRows(const std::string& url, int count, const std::vector<std::string>& more = {}) {
    // A file of its own per run: the logger adds to an existing file.
    static int runs = 0;
    const std::string csv = Folder.File("run" + std::to_string(++runs) + ".csv");
    std::vector<std::string> args = {"--headless", "--port", "2=" + url, "--count", std::to_string(count), "--csv", csv};
    args.insert(args.end(), more.begin(), more.end());
    const TRunResult run = RunProgram(Program(), args, 30000);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto records = Records(ReadWholeFile(csv));
    ASSERT_EQ(records.size(), static_cast<std::size_t>(count) + 1) << run.Err;
    for (std::size_t i = 1; i < records.size(); ++i) {
      ASSERT_EQ(records[i].size(), 13u);
      EXPECT_EQ(records[i][5], "12345000") << "row " << i;
    }
  }
};

const std::vector<std::string> kSimArgs = {"--period-ms", "50", "--signal-hz", "12345000", "--noise-ppm", "0"};

TEST_F(HeadlessSocketTest, ReadsTheSimulatorThroughEachServer) {
  struct TCase {
    TDeviceServer::TKind Kind;
    std::string Program;
    const char* Package;
  } cases[] = {{TDeviceServer::Socat, SocatProgram(), "socat"},
               {TDeviceServer::Ser2netRfc2217, Ser2netProgram(), "ser2net"},
               {TDeviceServer::Ser2netRaw, Ser2netProgram(), "ser2net"}};
  for (const TCase& c : cases) {
    SKIP_WITHOUT(c.Program, c.Package);
    TSimulatorProcess sim(kSimArgs);
    ASSERT_FALSE(sim.Path().empty());
    TDeviceServer server(c.Kind, sim.Path(), FreePort(), Folder.Path());
    ASSERT_TRUE(server.Up()) << server.Url();
    SCOPED_TRACE(server.Url());
    // A key press goes the other way: the simulator answers it, and the rows go on.
    ExpectRows(server.Url(), 10, {"--keys", "5"});
  }
}

TEST_F(HeadlessSocketTest, ReadsTheSimulatorsOwnListener) {
  std::vector<std::string> args = kSimArgs;
  args.insert(args.end(), {"--listen", "0"});
  TSimulatorProcess sim(args);
  ASSERT_EQ(sim.Path().rfind("tcp://", 0), 0u) << sim.Path();
  ExpectRows(sim.Path(), 10);
}

TEST_F(HeadlessSocketTest, AServerThatGoesAwayMidStreamIsReconnected) {
  const int port = FreePort();
  std::vector<std::string> first = kSimArgs, second = kSimArgs;
  first.insert(first.end(), {"--listen", std::to_string(port), "--hangup-after", "4"});
  second.insert(second.end(), {"--listen", std::to_string(port)});
  TSimulatorProcess early(first);
  ASSERT_FALSE(early.Path().empty());
  std::unique_ptr<TSimulatorProcess> late;
  const TRunResult run = RunProgram(
      Program(), {"--headless", "--port", "2=" + early.Path(), "--count", "12", "--csv", Csv, "--reconnect"}, 30000,
      [&](int) {
        // The first server hangs up after 4 frames; the second serves the same port.
        early.Wait(10000);
        late = std::make_unique<TSimulatorProcess>(second);
      });
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Err.find("line lost on COM2 " + early.Path() + ": connection closed by the server"), std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("reconnected"), std::string::npos) << run.Err;
  EXPECT_EQ(Records(ReadWholeFile(Csv)).size(), 13u);
}

TEST_F(HeadlessSocketTest, ConnectionsThatCannotBeMadeAreClearOpenErrors) {
  TSilentListener silent;
  struct TCase {
    std::string Url;
    std::string Says;
    int Status;
  } cases[] = {
      {"tcp://127.0.0.1:" + std::to_string(FreePort()), "nothing accepts connections on port", 1},
      {"rfc2217://no-such-host.invalid:2000", "the name no-such-host.invalid does not resolve", 1},
      // A malformed address is a mistake on the command line.
      {"tcp://127.0.0.1", "the port number is missing", 2},
      {"tcp://127.0.0.1:99999", "the port must be a number 1..65535", 2},
      {"tcp://127.0.0.1:" + std::to_string(silent.Port()), "did not answer within 3 s", 1},
  };
  for (const TCase& c : cases) {
    if (c.Url.find(":-1") != std::string::npos) continue;  // the loopback answered every connection
    const TRunResult run = RunProgram(Program(), {"--headless", "--port", "2=" + c.Url, "--count", "1"}, 20000);
    EXPECT_EQ(run.Status, c.Status) << c.Url;
    EXPECT_NE(run.Err.find(c.Url), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
  }
}

}  // namespace
