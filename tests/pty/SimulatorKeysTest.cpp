// The simulator as the panel sees it: key codes, lamps, readings and status bytes, checked with
// the panel's own decoder and lamp logic.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "app/KeyGroups.h"
#include "pty/SimulatorProcess.h"
#include "unit/RecordingPanel.h"

namespace {

// True once the stream from `from` on holds the answer 130 and a complete frame after it.
auto AnswerAndFrameAfter(std::size_t from) {
  return [from](const std::vector<TTimedByte>& r) {
    std::size_t i = from;
    while (i < r.size() && r[i].Byte != StatusCommandDone) ++i;
    for (++i; i < r.size(); ++i) {
      if (r[i].Byte < FirstStatusByte) continue;
      std::size_t n = 0;
      while (i + 1 + n < r.size() && r[i + 1 + n].Byte < FirstStatusByte) ++n;
      if (n >= FrameNibbles) return true;
    }
    return false;
  };
}

auto FramesAfter(std::size_t from, std::size_t count) {
  return [from, count](const std::vector<TTimedByte>& r) {
    return CompleteFrames(std::vector<TTimedByte>(r.begin() + static_cast<long>(std::min(from, r.size())), r.end()))
               .size() >= count;
  };
}

// Plays the panel: presses keys the way the window does and decodes what comes back.
struct TPanelPeer {
  explicit TPanelPeer(TSimulatorProcess& sim) : Sim(sim) {}

  TSimulatorProcess& Sim;
  TLinkState State;
  TRecordingPanel Panel;
  std::size_t Fed = 0;

  void Decode() {
    FeedDecoder(State, Panel, Sim.Received(), Fed);
    Fed = Sim.Received().size();
  }
  // Sends a key and waits for its answer and the frame after it.
  bool Press(std::uint8_t code) {
    const std::size_t from = Sim.Received().size();
    KeyPress(State, code);
    Sim.Send(code);
    const bool answered = Sim.ReadUntil(AnswerAndFrameAfter(from));
    Decode();
    return answered;
  }
  // Then waits for the first frame after the gate the key began (ALed4 dark again).
  bool PressAndWaitForTheGate(std::uint8_t code, int timeoutMs = 5000) {
    if (!Press(code)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Panel.Led[4]) {
      if (std::chrono::steady_clock::now() > deadline || !Sim.ReadUntil(FramesAfter(Sim.Received().size(), 1))) return false;
      Decode();
    }
    return true;
  }
};

TEST(SimulatorKeysTest, KeyCodesAreAnsweredWith130AndFramesShowTheLamps) {
  TSimulatorProcess sim({"--burst", "--period-ms", "150"});
  ASSERT_TRUE(sim.OpenLine()) << sim.Err();
  TPanelPeer peer(sim);
  ASSERT_TRUE(sim.ReadUntil(FramesAfter(0, 1)));
  peer.Decode();
  TKeyLamps expected = StartKeyLamps();
  for (int key = 1; key <= 27; ++key) EXPECT_EQ(peer.Panel.Key[key], expected[key - 1]) << "start, Pa" << key;

  for (std::uint8_t code : {5, 8, 8, 13, 22, 28, 21, 27, 1, 2, 14, 15, 16, 17, 18, 23, 4, 20, 28, 19, 3}) {
    SCOPED_TRACE(int(code));
    ASSERT_TRUE(peer.Press(code)) << sim.Err();
    expected = LampsAfterClick(expected, code);
    EXPECT_EQ(peer.State.CommandPending, 0);
    for (int key = 1; key <= 27; ++key) EXPECT_EQ(peer.Panel.Key[key], expected[key - 1]) << "Pa" << key;
  }
}

TEST(SimulatorKeysTest, BytesThatAreNoKeyCodeGetNoAnswer) {
  TSimulatorProcess sim({"--burst", "--period-ms", "100"});
  ASSERT_TRUE(sim.OpenLine());
  for (std::uint8_t junk : {0, 29, 130, 255}) sim.Send(junk);
  const std::size_t from = sim.Received().size();
  ASSERT_TRUE(sim.ReadUntil(FramesAfter(from, 4)));
  for (const TTimedByte& b : sim.Received()) EXPECT_NE(b.Byte, StatusCommandDone);
  TPanelPeer peer(sim);
  peer.Decode();
  const TKeyLamps start = StartKeyLamps();
  for (int key = 1; key <= 27; ++key) EXPECT_EQ(peer.Panel.Key[key], start[key - 1]) << "Pa" << key;
}

struct ReadingStep {
  std::uint8_t Key;
  const char* Shown;        // LaRezult after the key's frame, input at 10 MHz without noise
  std::set<int> UnitLeds;   // lit among ALed1 kHz, ALed2 ms, ALed3 µs
};

// The reading follows the mode and averaging keys once the gate they begin has ended:
// frequency in kHz, period in µs, the A/B ratio without a unit, the interval in ms, the
// reference in test mode.
TEST(SimulatorKeysTest, ReadingFollowsModeAveragingAndTimeMarks) {
  TSimulatorProcess sim({"--burst", "--period-ms", "150", "--noise-ppm", "0"});
  ASSERT_TRUE(sim.OpenLine());
  TPanelPeer peer(sim);
  ASSERT_TRUE(sim.ReadUntil(FramesAfter(0, 1)));
  peer.Decode();
  EXPECT_EQ(peer.Panel.Label[plRezult], "         10000") << "1 ms count of 10 MHz";
  EXPECT_TRUE(peer.Panel.Led[1]);

  const ReadingStep steps[] = {
      {6, "10000.000", {1}},                  // 1 s count
      {20, "         0.1000", {3}},           // period over 1000 periods, 0.1 µs marks
      {11, "              0.10", {3}},        // 10 µs marks
      {21, "10000.000", {}},                  // A over B at 1 kHz, 1000 periods
      {22, "      1.23457", {2}},             // 1.2345678 ms interval, 1000 times
      {28, "10000.000", {1}},                 // the reference
      {19, "10000.000", {1}},
  };
  for (const ReadingStep& step : steps) {
    SCOPED_TRACE(int(step.Key));
    ASSERT_TRUE(peer.PressAndWaitForTheGate(step.Key));
    EXPECT_EQ(peer.Panel.Label[plRezult], step.Shown);
    for (int led = 1; led <= 3; ++led) EXPECT_EQ(peer.Panel.Led[led], step.UnitLeds.count(led) == 1) << "ALed" << led;
  }
  // A 10 s count: the counting LED is on while it runs, the display keeps the last result, and
  // when it ends the ninth digit is lost.
  ASSERT_TRUE(peer.Press(7));
  EXPECT_TRUE(peer.Panel.Led[4]);
  EXPECT_EQ(peer.Panel.Label[plRezult], "10000.000");
  ASSERT_TRUE(sim.ReadUntil([&](const std::vector<TTimedByte>&) {
    peer.Decode();
    return !peer.Panel.Led[4];
  }, 15000));
  EXPECT_EQ(peer.Panel.Label[plRezult], "0000.0000");
}

TEST(SimulatorKeysTest, FramesCarry132InRemoteModeAnd128Otherwise) {
  auto statuses = [](TSimulatorProcess& sim, std::size_t from) {
    std::set<int> seen;
    for (const TSegment& f : CompleteFrames(std::vector<TTimedByte>(sim.Received().begin() + static_cast<long>(from),
                                                                    sim.Received().end()))) {
      seen.insert(f.Status);
    }
    return seen;
  };
  TSimulatorProcess remote({"--burst", "--period-ms", "100"});
  ASSERT_TRUE(remote.OpenLine());
  ASSERT_TRUE(remote.ReadUntil(FramesAfter(0, 2)));
  EXPECT_EQ(statuses(remote, 0), std::set<int>{StatusRemoteOn});

  TSimulatorProcess local({"--burst", "--period-ms", "100", "--local"});
  ASSERT_TRUE(local.OpenLine());
  ASSERT_TRUE(local.ReadUntil(FramesAfter(0, 2)));
  EXPECT_EQ(statuses(local, 0), std::set<int>{StatusRemoteOff});

  // SIGUSR1 stands for the operator switching remote mode at the instrument.
  kill(local.Pid(), SIGUSR1);
  EXPECT_TRUE(local.ReadUntil([](const std::vector<TTimedByte>& r) {
    return std::any_of(r.begin(), r.end(), [](const TTimedByte& b) { return b.Byte == StatusRemoteOn; });
  }));
}

}  // namespace
