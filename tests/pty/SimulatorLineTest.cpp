// The simulator's line: pacing, injected faults, limits, capture and replay, relay.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "pty/SimulatorProcess.h"
#include "support/TestPty.h"
#include "unit/RecordingPanel.h"

namespace {

auto CompleteFramesAtLeast(std::size_t count) {
  return [count](const std::vector<TTimedByte>& r) { return CompleteFrames(r).size() >= count; };
}

// Time from the status byte to the last nibble of the last complete frame received.
std::int64_t LastFrameSpanNs(const std::vector<TTimedByte>& r) {
  for (std::size_t end = r.size(); end >= FrameNibbles + 1; --end) {
    const std::size_t start = end - FrameNibbles - 1;
    const bool frame = r[start].Byte >= FirstStatusByte &&
                       std::all_of(r.begin() + static_cast<long>(start) + 1, r.begin() + static_cast<long>(end),
                                   [](const TTimedByte& b) { return b.Byte < FirstStatusByte; });
    if (frame) return r[end - 1].AtNs - r[start].AtNs;
  }
  return -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The bytes of the capture's records from one side, in order.
std::vector<std::uint8_t> CapturedBytes(const std::string& capture, char side) {
  std::vector<std::uint8_t> bytes;
  std::istringstream lines(capture);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string time, who, hex;
    if (line.empty() || line[0] == '#' || !(fields >> time >> who) || who[0] != side) continue;
    while (fields >> hex) bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
  }
  return bytes;
}

// 19 bytes at 9600 baud take 18 byte times (about 18.75 ms) from first to last; the check is a
// loose lower bound that a busy machine can only make easier.
TEST(SimulatorLineTest, PacedFramesTakeTheLineTimeBurstFramesDoNot) {
  TSimulatorProcess paced({"--period-ms", "200"});
  ASSERT_TRUE(paced.OpenLine());
  ASSERT_TRUE(paced.ReadUntil(CompleteFramesAtLeast(3)));
  const std::int64_t pacedNs = LastFrameSpanNs(paced.Received());
  EXPECT_GE(pacedNs, 15000000) << "paced frame span " << pacedNs << " ns";

  TSimulatorProcess burst({"--burst", "--period-ms", "200"});
  ASSERT_TRUE(burst.OpenLine());
  ASSERT_TRUE(burst.ReadUntil(CompleteFramesAtLeast(3)));
  const std::int64_t burstNs = LastFrameSpanNs(burst.Received());
  EXPECT_LT(burstNs, pacedNs) << "burst frame span " << burstNs << " ns";
}

struct FaultCase {
  const char* Name;
  std::vector<std::string> Args;
  // True when the received stream shows the fault.
  std::function<bool(const std::vector<TTimedByte>&)> Shows;
};

bool AnyExtraSegment(const std::vector<TTimedByte>& r) {
  const auto segments = Segments(r);
  return std::any_of(segments.begin(), segments.end(), [](const TSegment& s) {
    return s.Status != StatusRemoteOn || s.Nibbles.size() != FrameNibbles;
  });
}

bool AnyCutFrame(const std::vector<TTimedByte>& r) {
  const auto s = Segments(r);
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i].Status == StatusRemoteOn && !s[i].Nibbles.empty() && s[i].Nibbles.size() < FrameNibbles &&
        s[i + 1].Nibbles.size() == FrameNibbles) {
      return true;
    }
  }
  return false;
}

bool AnyOverlongRun(const std::vector<TTimedByte>& r) {
  const auto s = Segments(r);
  return std::any_of(s.begin(), s.end(), [](const TSegment& x) { return x.Nibbles.size() > NibbleStoreSize; });
}

bool DecodesToError(const std::vector<TTimedByte>& r) {
  TLinkState state;
  TRecordingPanel panel;
  FeedDecoder(state, panel, r);
  return panel.Label[plRezult] == "Error";
}

TEST(SimulatorLineTest, EachFaultOptionProducesItsFault) {
  const FaultCase cases[] = {
      {"garbage", {"--garbage", "40"}, AnyExtraSegment},
      {"cut", {"--cut-every", "2"}, AnyCutFrame},
      {"overlong", {"--overlong-every", "2"}, AnyOverlongRun},
      {"bad point", {"--bad-point-every", "1"}, DecodesToError},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> args{"--burst", "--period-ms", "80", "--seed", "7"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    TSimulatorProcess sim(args);
    ASSERT_TRUE(sim.OpenLine());
    EXPECT_TRUE(sim.ReadUntil([&c](const std::vector<TTimedByte>& r) {
      return CompleteFrames(r).size() >= 4 && c.Shows(r);
    }));
  }
  // Without fault options none of them shows.
  TSimulatorProcess clean({"--burst", "--period-ms", "80", "--seed", "7"});
  ASSERT_TRUE(clean.OpenLine());
  ASSERT_TRUE(clean.ReadUntil(CompleteFramesAtLeast(6)));
  for (const FaultCase& c : cases) EXPECT_FALSE(c.Shows(clean.Received())) << c.Name;
}

TEST(SimulatorLineTest, HangupClosesTheLineAfterItsFrames) {
  TSimulatorProcess sim({"--burst", "--period-ms", "80", "--hangup-after", "3"});
  ASSERT_TRUE(sim.OpenLine());
  sim.ReadUntil([](const std::vector<TTimedByte>&) { return false; }, 3000);
  EXPECT_TRUE(sim.HungUp());
  EXPECT_EQ(CompleteFrames(sim.Received()).size(), 3u);
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimulatorLineTest, FrameLimitEndsTheRunAfterThePeerHasTheFrames) {
  TSimulatorProcess sim({"--period-ms", "50", "--frames", "4"});
  ASSERT_TRUE(sim.OpenLine());
  sim.ReadUntil([](const std::vector<TTimedByte>&) { return false; }, 3000);
  EXPECT_EQ(CompleteFrames(sim.Received()).size(), 4u);
  EXPECT_EQ(sim.Wait(), 0);

  TSimulatorProcess timed({"--burst", "--run-ms", "300"});
  EXPECT_EQ(timed.Wait(), 0);
}

TEST(SimulatorLineTest, RecordSavesBothSidesAndReplayResendsTheInstrumentsBytes) {
  const std::string capture = TempPath("session.cap");
  {
    TSimulatorProcess sim({"--burst", "--period-ms", "100", "--record", capture});
    ASSERT_TRUE(sim.OpenLine());
    ASSERT_TRUE(sim.ReadUntil(CompleteFramesAtLeast(2)));
    sim.Send(5);
    ASSERT_TRUE(sim.ReadUntil([](const std::vector<TTimedByte>& r) {
      return std::any_of(r.begin(), r.end(), [](const TTimedByte& b) { return b.Byte == StatusCommandDone; });
    }));
    ASSERT_EQ(sim.Stop(SIGTERM), 0);
    const std::string text = ReadFile(capture);
    EXPECT_EQ(CapturedBytes(text, 'P'), std::vector<std::uint8_t>{5});
    const std::vector<std::uint8_t> sent = CapturedBytes(text, 'I');
    std::vector<std::uint8_t> received;
    for (const TTimedByte& b : sim.Received()) received.push_back(b.Byte);
    ASSERT_GE(sent.size(), received.size());
    EXPECT_TRUE(std::equal(received.begin(), received.end(), sent.begin()));
  }
  {
    std::ofstream(capture) << "# by hand\n0.000 I 84 01 02\n\n250.000 P 05\n400.000 I 82 0f\n";
    TSimulatorProcess sim({"--replay", capture});
    ASSERT_TRUE(sim.OpenLine());
    ASSERT_TRUE(sim.ReadUntil([](const std::vector<TTimedByte>& r) { return r.size() >= 5; }));
    std::vector<std::uint8_t> received;
    for (const TTimedByte& b : sim.Received()) received.push_back(b.Byte);
    EXPECT_EQ(received, (std::vector<std::uint8_t>{0x84, 1, 2, 0x82, 0x0F}));
    EXPECT_GE(sim.Received()[3].AtNs - sim.Received()[2].AtNs, 200000000) << "the 400 ms spacing is kept";
    EXPECT_EQ(sim.Wait(), 0) << "the replay ends by itself";
  }
  for (const char* line : {"0.000 X 84\n", "1e300 I 84\n", "-1 I 84\n", "0.000 I +f\n", "0.000 I -0\n", "1.0 I 0x\n"}) {
    std::ofstream(capture) << "# by hand\n" << line;
    const TRunResult bad = RunSimulator({"--replay", capture});
    EXPECT_EQ(bad.Status, 2) << line;
    EXPECT_NE(bad.Err.find(":2:"), std::string::npos) << bad.Err;
  }
  unlink(capture.c_str());
}

// The sent log is what a soak run checks the panel's rows against: every frame the line
// carried whole is in it, in order, with the reading the panel decodes from it and the faults
// that came with it.
TEST(SimulatorLineTest, SentLogListsEveryFrameSentWholeWithItsReadingAndFaults) {
  const std::string log = TempPath("sent.log");
  TSimulatorProcess sim({"--burst", "--period-ms", "30", "--frames", "12", "--noise-ppm", "1000",
                         "--bad-point-every", "3", "--cut-every", "4", "--overlong-every", "5", "--sent-log", log});
  ASSERT_TRUE(sim.OpenLine());
  sim.ReadUntil([](const std::vector<TTimedByte>&) { return false; }, 5000);
  ASSERT_EQ(sim.Wait(), 0);

  struct TDecoded : TFrameObserver {
    std::vector<TDecodedFrame> Frames;
    void FrameDecoded(const TDecodedFrame& frame) override { Frames.push_back(frame); }
  } decoded;
  TLinkState state;
  TRecordingPanel panel;
  for (const TTimedByte& b : sim.Received()) ReceiveByte(state, b.Byte, panel, &decoded);

  std::istringstream lines(ReadFile(log));
  std::string line;
  std::size_t n = 0;
  double lastMs = 0;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    ASSERT_LT(n, decoded.Frames.size()) << line;
    std::istringstream fields(line);
    long number = 0;
    double timeMs = 0;
    std::string reading, faults;
    fields >> number >> timeMs >> reading >> faults;
    const long k = static_cast<long>(++n);
    EXPECT_EQ(number, k);
    EXPECT_GT(timeMs, lastMs) << line;
    lastMs = timeMs;
    const TDecodedFrame& frame = decoded.Frames[n - 1];
    if (k % 3 == 0) {
      EXPECT_TRUE(frame.PointError) << line;
    } else {
      const std::string shown = frame.Reading.substr(frame.Reading.find_first_not_of(' '));
      EXPECT_EQ(reading, shown) << line;
    }
    std::string expected;
    for (auto [every, name] : {std::pair{3, "bad-point"}, {4, "after-cut"}, {5, "overlong"}})
      if (k % every == 0) expected += (expected.empty() ? "" : ",") + std::string(name);
    EXPECT_EQ(faults, expected.empty() ? "-" : expected) << line;
  }
  EXPECT_EQ(n, 12u);
  EXPECT_EQ(decoded.Frames.size(), 12u);
  unlink(log.c_str());
}

// Relay mode sits between the panel and a real instrument, here a pseudo-terminal of the test.
TEST(SimulatorLineTest, RelayPassesBytesBothWaysAndRecordsThem) {
  // The line as the kernel creates it: the simulator must set it up itself.
  TTestPty instrument(TTestPty::TSlave::Held, TTestPty::TMode::AsCreated);
  ASSERT_TRUE(instrument.Ok());
  const std::string capture = TempPath("relay.cap");
  TSimulatorProcess sim({"--relay", instrument.SlavePath(), "--record", capture});
  ASSERT_TRUE(sim.OpenLine()) << sim.Err();
  ASSERT_TRUE(instrument.Write(std::vector<std::uint8_t>{0x84, 0x03, 0x01}));
  ASSERT_TRUE(sim.ReadUntil([](const std::vector<TTimedByte>& r) { return r.size() >= 3; }));
  EXPECT_EQ(sim.Received()[0].Byte, 0x84);
  EXPECT_EQ(sim.Received()[2].Byte, 0x01);
  sim.Send(27);
  EXPECT_EQ(instrument.Read(1), std::vector<std::uint8_t>{27});
  EXPECT_EQ(sim.Stop(SIGINT), 0);
  const std::string text = ReadFile(capture);
  EXPECT_EQ(CapturedBytes(text, 'I'), (std::vector<std::uint8_t>{0x84, 0x03, 0x01}));
  EXPECT_EQ(CapturedBytes(text, 'P'), std::vector<std::uint8_t>{27});
  unlink(capture.c_str());
}

}  // namespace
