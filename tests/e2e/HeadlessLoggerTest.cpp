// The headless logger as a user runs it: `frontpanel --headless` against the instrument
// simulator (or a silent peer) on a pseudo-terminal, with no display, its CSV read back.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/CsvRecords.h"
#include "measure/CsvRow.h"
#include "pty/SimulatorProcess.h"
#include "support/TestPty.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

const std::string kHeader =
    "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status,flags,segment,segment_start,new_measurement";

std::string Program() { return FRONTPANEL_PATH; }

// Local time with milliseconds and offset: 2026-12-07T10:15:02.123+01:00.
bool IsTimestamp(const std::string& text) {
  const std::string shape = "dddd-dd-ddTdd:dd:dd.ddd+dd:dd";
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const bool ok = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0
                  : shape[i] == '+' ? text[i] == '+' || text[i] == '-'
                                    : text[i] == shape[i];
    if (!ok) return false;
  }
  return true;
}

class HeadlessLoggerTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Csv = Folder.File("readings.csv");
};

TEST_F(HeadlessLoggerTest, RecordsTheSimulatorsSignalRowByRow) {
  TSimulatorProcess sim({"--period-ms", "50", "--signal-hz", "12345000", "--noise-ppm", "0"});
  ASSERT_FALSE(sim.Path().empty());
  const TRunResult run = RunProgram(
      Program(), {"--headless", "--port", "2=" + sim.Path(), "--count", "20", "--csv", Csv, "--summary"}, 20000);
  ASSERT_EQ(run.Status, 0) << run.Err;

  const auto records = Records(ReadWholeFile(Csv));
  ASSERT_EQ(records.size(), 21u);
  std::string header;
  for (const std::string& f : records[0]) header += (header.empty() ? "" : ",") + f;
  EXPECT_EQ(header, kHeader);
  double lastElapsed = -1;
  int lastSegment = 0, segmentRows = 0;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const auto& r = records[i];
    ASSERT_EQ(r.size(), 13u) << i;
    EXPECT_TRUE(IsTimestamp(r[0])) << r[0];
    EXPECT_GE(std::stod(r[1]), lastElapsed);
    lastElapsed = std::stod(r[1]);
    EXPECT_EQ(r[2], "12345");
    EXPECT_EQ(r[3], "12345");
    EXPECT_EQ(r[4], "kHz");
    EXPECT_EQ(r[5], "12345000") << "si_value is the simulator's signal";
    EXPECT_EQ(r[6], "F");
    EXPECT_EQ(r[7], "1");
    EXPECT_EQ(r[8], "132");
    EXPECT_EQ(r[9], "") << "a trusted measurement";
    // One segment, unless a frame came so late on a loaded machine that it may have hidden a
    // gate: then a new one, said so.
    const int segment = std::stoi(r[10]);
    EXPECT_EQ(r[11], i == 1 ? "start" : segment == lastSegment ? "" : "gap") << i;
    EXPECT_TRUE(segment == lastSegment || segment == lastSegment + 1) << i;
    segmentRows = segment == lastSegment ? segmentRows + 1 : 1;
    lastSegment = segment;
    EXPECT_EQ(r[12], "1");
  }
  // The summary is of the last segment.
  const std::string moments = R"({"count":)" + std::to_string(segmentRows) +
                              R"(,"unit":"Hz","mean":12345000,"std":0,"min":12345000,"max":12345000,"adev":[)";
  const auto at = run.Err.find(moments);
  ASSERT_NE(at, std::string::npos) << run.Err;
  if (segmentRows < 20) return;  // a loaded machine broke the run: the deviations are fewer
  // A steady signal: deviation 0 at tau0 (about the 50 ms period) and 2, 4, 8 tau0 (2m < 20).
  double tau[4] = {}, adev[4] = {-1, -1, -1, -1};
  ASSERT_EQ(std::sscanf(run.Err.c_str() + at + moments.size(), "[%lf,%lf],[%lf,%lf],[%lf,%lf],[%lf,%lf]]}", &tau[0], &adev[0],
                        &tau[1], &adev[1], &tau[2], &adev[2], &tau[3], &adev[3]),
            8)
      << run.Err;
  EXPECT_GT(tau[0], 0.02);
  EXPECT_LT(tau[0], 0.2);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(adev[k], 0.0);
    EXPECT_DOUBLE_EQ(tau[k], tau[0] * (1 << k));
  }
}

TEST_F(HeadlessLoggerTest, PressesTheKeysBeforeRecordingToStandardOutput) {
  const std::string capture = Folder.File("keys.cap");
  TSimulatorProcess sim({"--period-ms", "50", "--record", capture});
  ASSERT_FALSE(sim.Path().empty());
  const TRunResult run =
      RunProgram(Program(), {"--headless", "--port=2=" + sim.Path(), "--keys", "period,5", "--count", "3"}, 20000);
  ASSERT_EQ(run.Status, 0) << run.Err;
  // Lines end in LF alone on standard output, for awk and cut.
  const auto records = Records(run.Out, "\n");
  ASSERT_EQ(records.size(), 4u) << run.Out;
  EXPECT_EQ(run.Out.find('\r'), std::string::npos);
  for (std::size_t i = 1; i < records.size(); ++i) {
    EXPECT_EQ(records[i][6], "T") << "recorded once the period key was answered";
    EXPECT_EQ(records[i][7], "100");
    EXPECT_EQ(records[i][4], "\u00B5s");
  }
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_NE(ReadWholeFile(capture).find(" P 14\n"), std::string::npos) << "key 20 reached the instrument";
}

TEST_F(HeadlessLoggerTest, AStopSignalEndsTheRunWithEveryRowWhole) {
  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    std::filesystem::remove(Csv);
    TSimulatorProcess sim({"--period-ms", "20", "--burst"});
    ASSERT_FALSE(sim.Path().empty());
    const TRunResult run = RunProgram(Program(), {"--headless", "--port", "2=" + sim.Path(), "--csv", Csv, "--summary"},
                                      10000, [&](int pid) {
                                        WaitUntil([&] { return Records(ReadWholeFile(Csv)).size() >= 4; },
                                                  std::chrono::seconds(10));
                                        kill(pid, sig);
                                      });
    EXPECT_EQ(run.Status, 0) << run.Err;
    const auto records = Records(ReadWholeFile(Csv));
    EXPECT_GE(records.size(), 4u);
    for (const auto& r : records) EXPECT_EQ(r.size(), 13u);
    EXPECT_NE(run.Err.find("{\"count\":" + std::to_string(records.size() - 1) + ","), std::string::npos) << run.Err;
  }
}

TEST_F(HeadlessLoggerTest, ADurationEndsTheRun) {
  TSimulatorProcess sim({"--period-ms", "20"});
  ASSERT_FALSE(sim.Path().empty());
  const TRunResult run = RunProgram(Program(), {"--headless", "--port", "2=" + sim.Path(), "--duration", "0.3", "--csv", Csv}, 10000);
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_GE(Records(ReadWholeFile(Csv)).size(), 2u);
}

TEST_F(HeadlessLoggerTest, AKeyWithoutAnswerIsGivenUpAfterTwoSeconds) {
  TTestPty peer;  // a line that takes the key and never answers
  ASSERT_TRUE(peer.Ok());
  const TRunResult run = RunProgram(
      Program(), {"--headless", "--port", "2=" + peer.SlavePath(), "--keys", "5", "--duration", "0.2", "--csv", Csv}, 10000);
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Err.find("frontpanel: key 5 got no answer within 2 s; going on"), std::string::npos) << run.Err;
  EXPECT_EQ(peer.Read(1), std::vector<std::uint8_t>{5});
  EXPECT_EQ(ReadWholeFile(Csv), kHeader + "\r\n");

  // A line that stays silent is said to, once, as the window's strip says "no data".
  const TRunResult silent =
      RunProgram(Program(), {"--headless", "--port", "2=" + peer.SlavePath(), "--duration", "4.5", "--csv", Csv}, 15000);
  EXPECT_EQ(silent.Status, 0) << silent.Err;
  EXPECT_EQ(silent.Err, "frontpanel: no data from COM2 " + peer.SlavePath() +
                            " for 3 s; check that the instrument is on and connected to it\n");
}

// Rows written so far (whole lines only; a row being written is not counted).
std::size_t RowsIn(const std::string& file) {
  const std::string text = ReadWholeFile(file);
  std::size_t rows = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++rows;
  return rows == 0 ? 0 : rows - 1;  // the header
}

TEST_F(HeadlessLoggerTest, ReconnectKeepsRecordingWhenTheInstrumentComesBackAtItsPath) {
  const std::string link = Folder.File("COM2");
  const std::vector<std::string> simArgs{"--link", link, "--period-ms", "50"};
  auto sim = std::make_unique<TSimulatorProcess>(simArgs);
  ASSERT_FALSE(sim->Path().empty());
  std::size_t before = 0;
  const TRunResult run = RunProgram(
      Program(), {"--headless", "--reconnect", "--port", "2=" + link, "--csv", Csv}, 30000, [&](int pid) {
        EXPECT_TRUE(WaitUntil([&] { return RowsIn(Csv) >= 5; }, std::chrono::seconds(10)));
        sim->Stop(SIGTERM);  // the instrument goes away
        before = RowsIn(Csv);
        sim = std::make_unique<TSimulatorProcess>(simArgs);  // and comes back at the same link
        EXPECT_TRUE(WaitUntil([&] { return RowsIn(Csv) >= before + 5; }, std::chrono::seconds(15)));
        kill(pid, SIGINT);
      });
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_GE(RowsIn(Csv), before + 5) << "recording went on";
  EXPECT_NE(run.Err.find("frontpanel: line lost on COM2 " + link + ": device gone; reconnecting"), std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("frontpanel: reconnected to COM2 " + link), std::string::npos) << run.Err;
  for (const auto& r : Records(ReadWholeFile(Csv))) EXPECT_EQ(r.size(), 13u);
}

// An instrument back before the logger reopens fills the line (here in a tenth of a second):
// the port reads that at once, before its trigger handler is in place.  Recording must go on
// all the same, each time.
TEST_F(HeadlessLoggerTest, ReconnectRecordsAnInstrumentThatFilledTheLineMeanwhile) {
  const std::string link = Folder.File("COM2");
  const std::vector<std::string> simArgs{"--link", link, "--burst", "--period-ms", "1", "--garbage", "200"};
  auto sim = std::make_unique<TSimulatorProcess>(simArgs);
  ASSERT_FALSE(sim->Path().empty());
  int comebacks = 0;
  bool recorded = false;
  const TRunResult run = RunProgram(
      Program(), {"--headless", "--reconnect", "--port", "2=" + link, "--csv", Csv}, 60000, [&](int pid) {
        for (;;) {
          const std::size_t before = RowsIn(Csv);
          recorded = WaitUntil([&] { return RowsIn(Csv) >= before + 50; }, std::chrono::seconds(8));
          if (!recorded || comebacks == 6) break;
          sim->Stop(SIGTERM);
          sim = std::make_unique<TSimulatorProcess>(simArgs);
          ++comebacks;
        }
        kill(pid, SIGINT);
      });
  EXPECT_TRUE(recorded) << "no rows after comeback " << comebacks << "\n" << run.Err;
  EXPECT_EQ(run.Status, 0) << run.Err;
}

TEST_F(HeadlessLoggerTest, WithoutReconnectALostLineEndsTheRunWithTheReason) {
  const std::string link = Folder.File("COM2");
  TSimulatorProcess sim({"--link", link, "--period-ms", "50"});
  ASSERT_FALSE(sim.Path().empty());
  const TRunResult run =
      RunProgram(Program(), {"--headless", "--port", "2=" + link, "--csv", Csv}, 20000, [&](int) {
        EXPECT_TRUE(WaitUntil([&] { return RowsIn(Csv) >= 2; }, std::chrono::seconds(10)));
        sim.Stop(SIGTERM);
      });
  EXPECT_EQ(run.Status, 1) << run.Err;
  EXPECT_NE(run.Err.find("frontpanel: line lost on COM2 " + link + ": device gone"), std::string::npos) << run.Err;
  EXPECT_GE(RowsIn(Csv), 2u) << "the rows written stay";
}

// Started with standard descriptors closed (by a service manager, or `>&-`): none of our files
// may land on them, and standard output is no place to record to then.
TEST_F(HeadlessLoggerTest, ClosedStandardDescriptorsAreNeverTakenForOurFiles) {
  TSimulatorProcess sim({"--period-ms", "20"});
  ASSERT_FALSE(sim.Path().empty());
  const std::string port = "2=" + sim.Path();
  auto closing = [](const std::string& redirections, const std::vector<std::string>& args) {
    std::vector<std::string> all{"-c", "exec \"$0\" \"$@\" " + redirections, Program(), "--headless"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
  };
  const TRunResult toClosed = RunProgram("/bin/sh", closing(">&-", {"--port", port, "--count", "1"}), 10000);
  EXPECT_EQ(toClosed.Status, 1);
  EXPECT_NE(toClosed.Err.find("frontpanel: Cannot record to standard output: it is closed"), std::string::npos)
      << toClosed.Err;

  std::string standard[3];
  const TRunResult run =
      RunProgram("/bin/sh", closing("<&- >&- 2>&-", {"--port", port, "--csv", Csv, "--summary"}), 10000, [&](int pid) {
        EXPECT_TRUE(WaitUntil([&] { return RowsIn(Csv) >= 3; }));
        for (int fd = 0; fd < 3; ++fd) {
          const auto link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
          std::error_code error;
          standard[fd] = std::filesystem::read_symlink(link, error).string();
        }
        kill(pid, SIGTERM);
      });
  EXPECT_EQ(run.Status, 0);
  for (const std::string& target : standard) EXPECT_EQ(target, "/dev/null");
  for (const auto& r : Records(ReadWholeFile(Csv))) EXPECT_EQ(r.size(), kRowColumnCount);
}

struct FailureCase {
  const char* Name;
  std::vector<std::string> Args;  // after --headless
  int Status;
  const char* Says;  // a part of standard error
};

TEST_F(HeadlessLoggerTest, FailuresSayWhatAndEndWithTheirStatus) {
  TSimulatorProcess sim({"--period-ms", "50"});
  ASSERT_FALSE(sim.Path().empty());
  const std::string port = "2=" + sim.Path();
  const std::string other = Folder.File("other.csv");
  WriteWholeFile(other, "time,value\n1,2\n");
  const FailureCase cases[] = {
      {"BadOption", {"--count", "many"}, 2, "usage: frontpanel"},
      {"UnknownOption", {"--bogus"}, 2, "unknown argument: --bogus"},
      {"MissingPort", {"--port", "2=/nonexistent/frontpanel-port", "--count", "1"}, 1,
       "frontpanel: Cannot open COM2: there is no device at /nonexistent/frontpanel-port. Connect the instrument, or "
       "name its device with --port 2=PATH. (ie_BadId - Specified comport doesn't exist)\n"},
      {"OtherPortNumber", {"--port", port, "--com", "7", "--port", "7=/nonexistent/x", "--count", "1"}, 1,
       "comport doesn't exist"},
      {"FileWithAnotherHeader", {"--port", port, "--csv", other, "--count", "1"}, 1, "holds other data"},
      {"FolderThatIsNot", {"--port", port, "--csv", "/nonexistent-folder/x.csv", "--count", "1"}, 1,
       "Cannot record to /nonexistent-folder/x.csv: No such file or directory"},
      {"FullDevice", {"--port", port, "--csv", "/dev/full", "--count", "1"}, 1, "No space left on device"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> args{"--headless"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const TRunResult run = RunProgram(Program(), args, 10000);
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
  }
  EXPECT_EQ(ReadWholeFile(other), "time,value\n1,2\n");
}

}  // namespace

namespace {

// The window as a user starts it where there is no display (an ssh session, a service): one
// line that says so and points to the logger, and a status of 1; a wrong option is still a
// wrong option.
TEST(ProgramStartTest, WithoutADisplayTheWindowSaysSoInOneLine) {
  struct TCase {
    const char* Display;  // nullptr: not set
    std::vector<std::string> Args;
    int Status;
    const char* Says;
  } cases[] = {
      {nullptr, {}, 1, "frontpanel: there is no display to show the window on (DISPLAY is not set); to log without a "
                       "window, use frontpanel --headless (see frontpanel --help)\n"},
      {nullptr, {"-platform", "xcb", "--port", "2=/dev/null"}, 1, "frontpanel: there is no display"},
      {":97", {}, 1, "frontpanel: the display :97 cannot be reached to show the window"},
      {nullptr, {"--bogus"}, 2, "frontpanel: unknown argument: --bogus\nusage: frontpanel"},
  };
  if (!SIO_WINDOW) GTEST_SKIP() << "a build without the window";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Says);
    // RunProgram leaves out every display (the window system's default then): env gives one.
    std::vector<std::string> args;
    if (c.Display != nullptr) args.push_back(std::string("DISPLAY=") + c.Display);
    args.push_back(Program());
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    const TRunResult run = RunProgram("/usr/bin/env", args, 10000);
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    EXPECT_EQ(run.Err.rfind(c.Says, 0), 0u) << run.Err;
    if (c.Status == 1) {
      EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    }
  }
}

}  // namespace
