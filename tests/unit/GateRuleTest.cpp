// The gate rule over scripted frames with exact arrival times: which frame is a gate's first,
// and which result comes after a missing gate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/GateRule.h"

namespace {

struct TFrame {
  const char* Reading;  // "?" for an unreadable frame
  bool Counting;
  int Ms;               // arrival
};

struct TRuleCase {
  const char* Name;
  bool NeedEdge;
  int NominalGateMs;
  std::vector<TFrame> Frames;
  const char* Verdicts;  // per frame: '.' the same result, 'N' new, 'G' new after a gap, '?' unreadable
};

TEST(GateRuleTest, EachGateIsTakenOnceAndAMissingOneIsTold) {
  const TRuleCase cases[] = {
      {"frames faster than gates: the LED's fall, also for the same reading", false, 100,
       {{"A", true, 0}, {"A", true, 20}, {"A", true, 40}, {"B", false, 60}, {"B", true, 80}, {"B", true, 100},
        {"B", true, 120}, {"B", true, 140}, {"B", true, 160}, {"B", false, 180}, {"B", true, 200}},
       "...N.....N."},
      {"gates shorter than frames: every hold is one frame", false, 1,
       {{"A", false, 0}, {"A", false, 20}, {"A", false, 40}, {"A", true, 60}, {"A", false, 80}, {"A", false, 100}},
       "NNN.NN"},
      {"a result seen only while the next gate counts", false, 100,
       {{"A", true, 0}, {"A", true, 20}, {"B", true, 40}, {"B", false, 60}},
       "..NN"},
      {"after a key: what the display held is no result", true, 1,
       {{"A", false, 0}, {"A", false, 20}, {"A", true, 40}, {"A", false, 60}, {"A", false, 80}},
       "...NN"},
      {"after a key, a changed reading is a result", true, 1,
       {{"A", false, 0}, {"B", false, 20}, {"B", false, 40}},
       ".NN"},
      {"gates shorter than frames: a lost frame may have been a gate's only one", false, 1,
       {{"A", false, 0}, {"A", false, 20}, {"A", false, 60}, {"A", false, 80}},
       "NNGN"},
      {"an unreadable frame counts as lost", false, 1,
       {{"A", false, 0}, {"A", false, 20}, {"?", false, 40}, {"A", false, 60}, {"A", false, 80}},
       "NN?GN"},
      {"gates two frames apart or more: told by the spacing of the results", false, 100,
       {{"A", true, 0}, {"B", false, 20}, {"B", true, 40}, {"C", false, 140}, {"C", true, 160}, {"E", false, 380},
        {"E", true, 400}, {"F", false, 500}},
       ".N.N.G.N"},
      {"gates two frames apart or more: an unreadable frame may have been a hold's only one", false, 100,
       {{"A", true, 0}, {"B", false, 20}, {"B", true, 40}, {"?", true, 120}, {"B", true, 140}, {"B", false, 160}},
       ".N.?.G"},
      {"gates two frames apart or more: a lost frame alone is no gap", false, 100,
       {{"A", true, 0}, {"B", false, 20}, {"B", true, 40}, {"B", true, 100}, {"C", false, 140}},
       ".N..N"},
  };
  for (const TRuleCase& c : cases) {
    TGateRule rule;
    rule.Restart(c.NeedEdge, std::int64_t{c.NominalGateMs} * 1'000'000);
    std::string got;
    for (const TFrame& f : c.Frames) {
      const std::int64_t ns = std::int64_t{f.Ms} * 1'000'000;
      if (std::string(f.Reading) == "?") {
        rule.Unreadable(ns);
        got += '?';
        continue;
      }
      static constexpr char kVerdicts[] = {'.', 'N', 'G'};
      got += kVerdicts[rule.Next(f.Reading, f.Counting, ns)];
    }
    EXPECT_EQ(got, c.Verdicts) << c.Name;
  }
}

}  // namespace
