// Data-trigger matching, one byte at a time, and the count of unread bytes before a match.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dispatch/SioTriggerTable.h"

namespace {

TDataTrigger MakeTrigger(const std::string& text, bool ignoreCase = false) {
  TDataTrigger t;
  t.Length = static_cast<std::uint32_t>(text.size());
  t.IgnoreCase = ignoreCase ? 1 : 0;
  std::memcpy(t.Text, text.data(), text.size());
  return t;
}

// 1-based positions of the input bytes on which the trigger completed.
std::vector<int> MatchPositions(TDataTrigger t, const std::string& input) {
  std::vector<int> at;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (TTriggerTable::MatchByte(t, static_cast<std::uint8_t>(input[i]))) at.push_back(static_cast<int>(i) + 1);
  }
  return at;
}

struct TMatchCase {
  const char* Text;
  bool IgnoreCase;  // the stored text is upper case, as registration stores it
  const char* Input;
  std::vector<int> Positions;
};

TEST(TriggerMatch, CompletesOnTheExpectedBytes) {
  const TMatchCase cases[] = {
      {"AB", false, "AAB", {3}},
      {"AB", false, "ABAB", {2, 4}},
      {"AAB", false, "AAAB", {4}},
      {"A", false, "AxA", {1, 3}},
      {"AB", false, "AxB", {}},
      {"AB", true, "aAb", {3}},
      {"AB", false, "ab", {}},
      // Every slot following one alignment would leave no idle slot for the occurrence
      // that begins at byte 15.
      {"BABAA", false, "BABBABBABBABBABABAA", {19}},
      {"0123456789ABCDEFGHIJKL", false, "x0123456789ABCDEFGHIJKL", {23}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchPositions(MakeTrigger(c.Text, c.IgnoreCase), c.Input), c.Positions)
        << c.Text << " in " << c.Input;
  }
}

// Against a plain search: a match is reported only where the input ends with the string,
// and every occurrence that does not overlap an earlier reported one is reported.
TEST(TriggerMatch, NeitherInventsNorLosesOccurrences) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 20000; ++trial) {
    const int length = 1 + static_cast<int>(random() % 8);
    const int letters = 2 + static_cast<int>(random() % 2);
    std::string text;
    for (int i = 0; i < length; ++i) text.push_back(static_cast<char>('A' + random() % letters));
    TDataTrigger t = MakeTrigger(text);
    std::string input;
    long lastEnd = -1;
    for (int i = 0; i < 60; ++i) {
      input.push_back(static_cast<char>('A' + random() % letters));
      const bool matched = TTriggerTable::MatchByte(t, static_cast<std::uint8_t>(input.back()));
      const long start = static_cast<long>(input.size()) - length;
      const bool endsWith = start >= 0 && input.compare(static_cast<std::size_t>(start), length, text) == 0;
      ASSERT_FALSE(matched && !endsWith) << text << " in " << input;
      ASSERT_FALSE(endsWith && start > lastEnd && !matched) << text << " in " << input;
      if (matched) lastEnd = static_cast<long>(input.size()) - 1;
    }
  }
}

}  // namespace
