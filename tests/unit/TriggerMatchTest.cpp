// Data-trigger matching, one byte at a time, and the count of unread bytes before a match.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dispatch/SioPosix.h"

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
    if (TSioBaseDispatcher::MatchByte(t, static_cast<std::uint8_t>(input[i]))) at.push_back(static_cast<int>(i) + 1);
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
      const bool matched = TSioBaseDispatcher::MatchByte(t, static_cast<std::uint8_t>(input.back()));
      const long start = static_cast<long>(input.size()) - length;
      const bool endsWith = start >= 0 && input.compare(static_cast<std::size_t>(start), length, text) == 0;
      ASSERT_FALSE(matched && !endsWith) << text << " in " << input;
      ASSERT_FALSE(endsWith && start > lastEnd && !matched) << text << " in " << input;
      if (matched) lastEnd = static_cast<long>(input.size()) - 1;
    }
  }
}

class TRingView : public TSioPosixDispatcher {
 public:
  TRingView() : TSioPosixDispatcher(nullptr) {}
  using TSioBaseDispatcher::CountBefore;
  using TSioBaseDispatcher::FHandlerTaken;
  using TSioBaseDispatcher::FInRingFull;
  using TSioBaseDispatcher::FInRingHead;
  using TSioBaseDispatcher::FInRingTail;
  using TSioBaseDispatcher::FReadingForHandlers;
};

struct TCountCase {
  std::uint32_t Head, Tail;
  bool Full;
  std::uint32_t Position, Length;
  std::uint32_t Taken;  // by the current handler of a delivery; 0 outside one
  std::uint32_t Expected;
};

TEST(TriggerMatch, CountBeforeCountsUnreadBytesAheadOfTheString) {
  const TCountCase cases[] = {
      {5, 0, false, 4, 0, 0, 5},       // up to and including the last byte
      {5, 0, false, 4, 2, 0, 3},       // three bytes before a two-byte string
      {5, 3, false, 4, 2, 0, 0},       // the string starts at the tail
      {3, 8190, false, 1, 2, 0, 2},    // the string and the bytes before it wrap at 8192
      {100, 100, true, 99, 0, 0, 8192},
      {5, 0, false, 4, 2, 1, 2},       // during a delivery, less what this handler took
      {10, 6, false, 3, 0, 0, 0},      // a position already read past
  };
  for (const auto& c : cases) {
    TRingView d;
    d.FInRingHead = c.Head;
    d.FInRingTail = c.Tail;
    d.FInRingFull = c.Full;
    d.FReadingForHandlers = c.Taken != 0;
    d.FHandlerTaken = c.Taken;
    EXPECT_EQ(d.CountBefore(c.Position, c.Length), c.Expected)
        << "head " << c.Head << " tail " << c.Tail << " position " << c.Position << " length " << c.Length;
  }
}

}  // namespace
