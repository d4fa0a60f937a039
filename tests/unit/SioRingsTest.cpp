// The input and output rings as rings: what they hold, where it wraps, and what a purge or a
// stale run does to them.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "dispatch/SioRings.h"

namespace {

std::vector<std::uint8_t> Numbered(std::uint32_t count, std::uint32_t from = 0) {
  std::vector<std::uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(from));
  return bytes;
}

// Puts `count` bytes as the device would: into the free stretch, then the part after the end.
std::uint32_t Fill(TInputRing& ring, std::uint32_t count, std::uint32_t from = 0) {
  std::uint32_t length = 0, more = 0;
  std::uint8_t* at = ring.FreeStretch(length, more);
  const std::uint32_t first = std::min(count, length);
  const auto bytes = Numbered(count, from);
  std::copy_n(bytes.begin(), first, at);
  ring.Added(first);
  const std::uint32_t second = first == length ? std::min(count - first, more) : 0;
  std::copy_n(bytes.begin() + first, second, ring.HeadBytes());
  ring.Added(second);
  return first + second;
}

// Makes `ring` an empty one whose tail stands at `tail`.
void EmptyAt(TInputRing& ring, std::uint32_t tail) {
  ring.Allocate();
  Fill(ring, tail);
  ring.Consume(tail);
}

TEST(InputRing, FillsUpToTheTailWrapsAtItsEndAndGivesBackInOrder) {
  const struct {
    std::uint32_t Tail, Offered, Taken, Head;
    bool Full;
  } cases[] = {
      {0, 100, 100, 100, false},
      // An empty ring takes one byte less than its size, so the head never comes round to
      // where it started in one fill.
      {0, kInRingSize, kInRingSize - 1, kInRingSize - 1, false},
      {5000, kInRingSize, kInRingSize - 1, 4999, false},
      {8000, 500, 500, 308, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Tail);
    TInputRing ring;
    EmptyAt(ring, c.Tail);
    EXPECT_EQ(Fill(ring, c.Offered), c.Taken);
    EXPECT_EQ(ring.Head(), c.Head);
    EXPECT_EQ(ring.Full(), c.Full);
    EXPECT_EQ(ring.Count(), c.Taken);
    EXPECT_EQ(ring.Arrived(), c.Tail + c.Taken);
    std::vector<std::uint8_t> out(c.Taken);
    ring.CopyOut(0, out.data(), c.Taken);
    EXPECT_EQ(out, Numbered(c.Taken));
  }
}

TEST(InputRing, AFullRingTakesNothingUntilBytesAreConsumed) {
  TInputRing ring;
    EmptyAt(ring, 3000);
  Fill(ring, kInRingSize - 1);
  EXPECT_EQ(Fill(ring, 10, 255), 1u);  // the last free byte, now that it is not empty
  EXPECT_TRUE(ring.Full());
  EXPECT_EQ(ring.Count(), kInRingSize);
  EXPECT_EQ(ring.Head(), ring.Tail());
  EXPECT_EQ(Fill(ring, 10), 0u);
  EXPECT_TRUE(ring.Consume(2)) << "it was full: the device may hold more";
  EXPECT_FALSE(ring.Consume(0));
  EXPECT_EQ(ring.Count(), kInRingSize - 2);
  EXPECT_EQ(Fill(ring, 10), 2u);
  std::uint8_t second = 0;
  ring.CopyOut(1, &second, 1);
  EXPECT_EQ(second, 3);
}

TEST(InputRing, APurgeKeepsTheArrivalsAndEmptiesTheRing) {
  TInputRing ring;
  EmptyAt(ring, 100);
  Fill(ring, 50);
  ring.Purge();
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_EQ(ring.Tail(), ring.Head());
  EXPECT_EQ(ring.Arrived(), 150u);
  ring.Release();
  EXPECT_FALSE(ring.Allocated());
  EXPECT_EQ(ring.Count(), 0u);
}

TEST(InputRing, CountBeforeCountsUnreadBytesAheadOfTheString) {
  const struct {
    std::uint32_t Tail, Held;
    std::uint32_t Position, Length;
    std::uint32_t Expected;
  } cases[] = {
      {0, 5, 4, 0, 5},             // up to and including the last byte
      {0, 5, 4, 2, 3},             // three bytes before a two-byte string
      {3, 2, 4, 2, 0},             // the string starts at the tail
      {8190, 5, 1, 2, 2},          // the string and the bytes before it wrap at 8192
      {100, kInRingSize, 99, 0, kInRingSize},
      {6, 4, 3, 0, 0},             // a position already read past
  };
  for (const auto& c : cases) {
    TInputRing ring;
    EmptyAt(ring, c.Tail);
    // A whole ring is made of two fills, as a device would bring it.
    Fill(ring, c.Held);
    Fill(ring, c.Held - ring.Count(), c.Held);
    ASSERT_EQ(ring.Count(), c.Held);
    EXPECT_EQ(ring.CountBefore(c.Position, c.Length), c.Expected)
        << "tail " << c.Tail << " held " << c.Held << " position " << c.Position << " length " << c.Length;
  }
}

TEST(OutputRing, BlocksWrapAtTheEndAndLeaveAsOneRunInOrder) {
  TOutputRing ring;
  ring.Allocate(4096);
  const std::uint8_t* data = nullptr;
  std::uint32_t run = 0, generation = 0;
  // Indexes near the end: a block is split there, and the queued bytes are turned into one
  // run while more wait behind them.
  const auto lead = Numbered(3000, 100);
  ring.Put(lead.data(), 3000);
  ASSERT_TRUE(ring.TakeRun(data, run, generation));
  ring.Advance(2999, generation);
  const auto first = Numbered(2000);
  const auto second = Numbered(1500, 2000);
  ring.Put(first.data(), 2000);
  ring.Put(second.data(), 1500);
  EXPECT_EQ(ring.Count(), 3501u);
  EXPECT_EQ(ring.Free(), 595u);

  ASSERT_TRUE(ring.TakeRun(data, run, generation));
  EXPECT_EQ(run, 3501u);
  std::vector<std::uint8_t> expected{lead.back()};
  expected.insert(expected.end(), first.begin(), first.end());
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + run), expected);
  ring.Advance(run, generation);
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_FALSE(ring.TakeRun(data, run, generation));
}

TEST(OutputRing, ExactlyTheFreeSpaceFillsItAndARunTakenBeforeAPurgeMovesNothing) {
  TOutputRing ring;
  ring.Allocate(64);
  const auto block = Numbered(64);
  ring.Put(block.data(), 64);
  EXPECT_TRUE(ring.Full());
  EXPECT_EQ(ring.Count(), 64u);
  EXPECT_EQ(ring.Free(), 0u);
  const std::uint8_t* data = nullptr;
  std::uint32_t run = 0, generation = 0;
  ASSERT_TRUE(ring.TakeRun(data, run, generation));
  EXPECT_EQ(run, 64u);
  ring.Empty();
  ring.Put(block.data(), 10);
  ring.Advance(run, generation);  // the run was sent before the purge: the new bytes stay
  EXPECT_EQ(ring.Count(), 10u);
  EXPECT_NE(ring.Generation(), generation);
  ring.Release();
  EXPECT_FALSE(ring.Allocated());
  EXPECT_EQ(ring.Count(), 0u);
}

}  // namespace
