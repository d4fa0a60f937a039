// One measurement per gate, checked against the simulator, which names the gate each frame
// shows (freqsim --sent-log): the logger records every frame (--every-frame) until the
// simulator hangs up, so its rows are the last frames the simulator sent whole, in order.
// Over averaging times, display times and frame periods, with and without faults on the line:
//   - every gate a readable frame shows recognisably (ALed4 dark, or a reading that differs
//     from the gate's before) is measured, once, at the first readable frame that shows it;
//   - no gate is measured twice, and nothing that is no gate's first showing is measured;
//   - a gate that only unreadable frames showed begins a new segment with the measurement after
//     it.  Gates lost otherwise (frames the simulator skipped) are told by arrival times only,
//     which a loaded machine blurs; they are counted, not required (the rule's own test holds
//     those to their times, tests/unit/GateRuleTest.cpp).
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/CsvRecords.h"
#include "pty/SimulatorProcess.h"
#include "unit/TraceLogFiles.h"

namespace {

struct TSentFrame {
  std::string Reading;  // "Error" for a frame sent with a bad point code
  long Gate = 0;
  bool Counting = false;
};

std::vector<TSentFrame> ReadSentLog(const std::string& text) {
  std::vector<TSentFrame> frames;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string number, ms, reading, faults, state;
    TSentFrame f;
    fields >> number >> ms >> reading >> faults >> f.Gate >> state;
    f.Reading = faults.find("bad-point") != std::string::npos ? "Error" : reading;
    f.Counting = state.find("counting") != std::string::npos;
    frames.push_back(f);
  }
  return frames;
}

struct TCombination {
  const char* Name;
  std::vector<std::string> Keys;  // averaging and display time
  std::vector<std::string> SimArgs;
  int RunMs;
};

struct TOutcome {
  std::string Problem;  // empty when every check held
  std::size_t Measured = 0, Gaps = 0;
  std::size_t Unnoticed = 0;  // gates lost without an unreadable frame and not begun a segment
};

// Runs one combination and checks it; a description of the first problem found, if any.
TOutcome Check(const TCombination& c, const std::string& folder) {
  const std::string sent = folder + "/" + c.Name + ".sent";
  const std::string csv = folder + "/" + c.Name + ".csv";
  std::vector<std::string> simArgs{"--run-ms", std::to_string(c.RunMs), "--sent-log", sent};
  simArgs.insert(simArgs.end(), c.SimArgs.begin(), c.SimArgs.end());
  TSimulatorProcess sim(simArgs);
  TOutcome out;
  if (sim.Path().empty()) return {"the simulator did not start: " + sim.Err()};
  std::string keys;
  for (const std::string& k : c.Keys) keys += (keys.empty() ? "" : ",") + k;
  // The logger ends when the simulator hangs up, after the last frame it sent has been read.
  const TRunResult run = RunProgram(FRONTPANEL_PATH, {"--headless", "--port", "2=" + sim.Path(), "--keys", keys,
                                                      "--every-frame", "--csv", csv},
                                    c.RunMs + 20000);
  if (sim.Wait(10000) != 0) return {"the simulator failed: " + sim.Err()};
  if (run.Err.find("line lost") == std::string::npos) return {"the logger did not end with the line: " + run.Err};
  const std::vector<TSentFrame> frames = ReadSentLog(ReadWholeFile(sent));
  auto rows = Records(ReadWholeFile(csv));
  if (rows.size() < 2) return {"no rows"};
  rows.erase(rows.begin());
  if (rows.size() > frames.size()) return {"more rows than frames sent"};
  const std::size_t offset = frames.size() - rows.size();

  long lastGate = -1;
  std::string lastSegment;
  bool unreadableSince = false;  // an unreadable frame since the last measurement
  std::set<long> measured, expected, shown;
  std::map<long, std::string> readingOf;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    const TSentFrame& f = frames[offset + i];
    const std::string where = "row " + std::to_string(i + 1) + " (gate " + std::to_string(f.Gate) + ")";
    if (r.size() != 13 || r[2] != f.Reading) return {where + ": the row is not the frame sent (" + r[2] + " vs " + f.Reading + ")"};
    if (f.Reading == "Error") {
      if (r[9] != "error" || r[12] != "0") return {where + ": a bad frame not flagged"};
      unreadableSince = true;
      continue;
    }
    const bool first = shown.insert(f.Gate).second;
    // Recognisable: seen in a hold, or its reading tells it from the gate before.
    if (lastGate >= 0 && (!f.Counting || (readingOf.count(f.Gate - 1) != 0 && readingOf[f.Gate - 1] != f.Reading)))
      expected.insert(f.Gate);
    readingOf[f.Gate] = f.Reading;
    if (r[12] == "1") {
      if (!first) return {where + ": measured, but an earlier frame showed the gate already"};
      if (!measured.insert(f.Gate).second) return {where + ": measured twice"};
      if (lastGate >= 0) {
        if (f.Gate != lastGate + 1 && r[10] == lastSegment) {
          if (unreadableSince) return {where + ": gates missing since gate " + std::to_string(lastGate) + " but no new segment"};
          ++out.Unnoticed;
        }
        if (f.Gate != lastGate + 1 || r[10] != lastSegment) ++out.Gaps;
      }
      lastGate = f.Gate;
      lastSegment = r[10];
      unreadableSince = false;
    } else if (lastGate < 0 && measured.empty()) {
      expected.erase(f.Gate);  // before the first measurement nothing is known of the gates
    }
  }
  for (long g : expected) {
    if (g > *measured.begin() && measured.count(g) == 0) return {"gate " + std::to_string(g) + " was shown but not measured"};
  }
  out.Measured = measured.size();
  if (out.Measured < 3) return {"only " + std::to_string(out.Measured) + " measurements"};
  return out;
}

TEST(GateRuleTest, EveryGateShownIsMeasuredOnceAcrossTimesAndFaults) {
  TTempFolder folder;
  // Keys: 3 averaging 1 ms, 4 10 ms, 5 100 ms, 6 1 s; 24 display time 0.3 s, 25 1 s.  With
  // --period-ms the instrument sends and holds at that period whatever the lamps say.
  const std::vector<TCombination> combinations = {
      {"g1ms-p20-identical", {"3"}, {"--burst", "--period-ms", "20", "--noise-ppm", "0"}, 3000},
      {"g10ms-p20-lamp1s", {"4", "25"}, {"--burst", "--period-ms", "20", "--noise-ppm", "0"}, 3000},
      {"g100ms-p20", {"5"}, {"--burst", "--period-ms", "20", "--noise-ppm", "0"}, 4000},
      {"g100ms-p100-same-rate", {"5"}, {"--burst", "--period-ms", "100", "--noise-ppm", "0"}, 5000},
      {"g10ms-p5-fast", {"4"}, {"--burst", "--period-ms", "5", "--noise-ppm", "0"}, 3000},
      {"g100ms-display300", {"5"}, {"--noise-ppm", "0"}, 6000},
      {"g1s-p50-noisy", {"6"}, {"--burst", "--period-ms", "50", "--noise-ppm", "1"}, 6000},
      {"g1ms-p50-paced-faults", {"3"}, {"--period-ms", "50", "--noise-ppm", "0", "--cut-every", "7", "--bad-point-every", "5"}, 4000},
      {"g100ms-p20-faults", {"5", "25"}, {"--burst", "--period-ms", "20", "--noise-ppm", "0", "--garbage", "8", "--overlong-every", "11", "--bad-point-every", "9", "--cut-every", "6"}, 4000},
      {"g10ms-p20-noisy-faults", {"4"}, {"--burst", "--period-ms", "20", "--noise-ppm", "1000", "--bad-point-every", "4"}, 3000},
  };
  // Each run takes seconds of real time and little processor: all at once.
  std::vector<std::future<TOutcome>> runs;
  for (const TCombination& c : combinations) runs.push_back(std::async(std::launch::async, Check, c, folder.Path()));
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    const TOutcome o = runs[i].get();
    EXPECT_EQ(o.Problem, "") << combinations[i].Name;
    std::printf("%s: %zu measurements, %zu segment starts, %zu gates lost unnoticed\n", combinations[i].Name,
                o.Measured, o.Gaps, o.Unnoticed);
  }
}

}  // namespace
