// The link decoder: status bytes, nibble counting, frame decoding and the nibble store.
#include <gtest/gtest.h>

#include <vector>

#include "app/LinkDecoder.h"
#include "unit/RecordingPanel.h"

namespace {

struct LinkDecoderTest : ::testing::Test {
  TLinkState State;
  TRecordingPanel Panel;

  void Feed(const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) ReceiveByte(State, b, Panel);
  }
  void FeedFrame(const std::array<std::uint8_t, 9>& frameBytes) { Feed(FrameNibblesOf(frameBytes)); }
};

// Pa1, Pa8, Pa9, Pa16, Pa17, Pa24, Pa25, Pa27 lit (the ends of every frame byte), ALed1 and ALed3 on.
constexpr std::uint32_t kEdgeKeys = (1u << 0) | (1u << 7) | (1u << 8) | (1u << 15) | (1u << 16) |
                                    (1u << 23) | (1u << 24) | (1u << 26);

TEST_F(LinkDecoderTest, FrameAfterStatusByteSetsEveryLampLedAndTheReading) {
  for (int key = 1; key <= 27; ++key) Panel.Key[key] = true;  // lamps a local click had lit
  Feed({200});
  FeedFrame(FrameBytesOf(kEdgeKeys, 0b0101, {1, 2, 3, 4, 6, 7, 8, 9}, 4));
  for (int key = 1; key <= 27; ++key) {
    EXPECT_EQ(Panel.Key[key], ((kEdgeKeys >> (key - 1)) & 1) != 0) << "Pa" << key;
  }
  EXPECT_TRUE(Panel.Led[1]);
  EXPECT_FALSE(Panel.Led[2]);
  EXPECT_TRUE(Panel.Led[3]);
  EXPECT_FALSE(Panel.Led[4]);
  EXPECT_EQ(Panel.Label[plRezult], "123467.89");
  EXPECT_EQ(State.ReadingText, "123467.89");
  EXPECT_EQ(State.PointCode, 4);
  EXPECT_EQ(State.NibbleCount, 18);
  EXPECT_EQ(Panel.Calls, 1 + 8 + 27 + 4 + 1) << "LaReady, eight echoes, lamps, LEDs, reading";

  const int calls = Panel.Calls;
  Feed({5});
  EXPECT_EQ(Panel.Calls, calls) << "a 19th nibble shows nothing";
  EXPECT_EQ(State.Nibbles[18], 5);
}

TEST_F(LinkDecoderTest, ByteFourWithOnlyBitThreeLightsNothing) {
  for (int led = 1; led <= 4; ++led) Panel.Led[led] = true;
  Panel.Key[25] = Panel.Key[26] = Panel.Key[27] = true;
  FeedFrame({0, 0, 0, 0x08, 0x12, 0x34, 0x56, 0x78, 0});
  for (int led = 1; led <= 4; ++led) EXPECT_FALSE(Panel.Led[led]) << "ALed" << led;
  for (int key = 25; key <= 27; ++key) EXPECT_FALSE(Panel.Key[key]) << "Pa" << key;
}

struct ReadingCase {
  const char* Name;
  std::array<std::uint8_t, 9> Bytes;  // frame bytes; only 5 to 9 matter here
  const char* Shown;                  // LaRezult
  int PointCode;
};

class ReadingTest : public LinkDecoderTest, public ::testing::WithParamInterface<ReadingCase> {};

TEST_P(ReadingTest, ShowsTheComposedReading) {
  const ReadingCase& c = GetParam();
  Feed({16});
  FeedFrame(c.Bytes);
  EXPECT_EQ(Panel.Label[plRezult], c.Shown);
  EXPECT_EQ(State.PointCode, c.PointCode);
}

constexpr int B = BlankDigit;

INSTANTIATE_TEST_SUITE_P(
    Frames, ReadingTest,
    ::testing::Values(
        ReadingCase{"DesignText", FrameBytesOf(0, 0, {1, 2, 3, 4, 6, 7, 8, 9}, 4), "123467.89", 4},
        ReadingCase{"LeadingBlanks", FrameBytesOf(0, 0, {B, B, B, 0, 0, 1, 2, 3}, 8),
                    "         00.123", 8},
        ReadingCase{"AllBlank", FrameBytesOf(0, 0, {B, B, B, B, B, B, B, B}, 0),
                    "                    ", 0},
        ReadingCase{"PointOnBlankDigit", FrameBytesOf(0, 0, {1, B, 3, 4, 5, B, 7, 8}, 64),
                    "1   345  78", 64},
        ReadingCase{"TwoCharacterDigit", FrameBytesOf(0, 0, {1, 12, 3, 4, 5, 6, 7, 8}, 1),
                    "112345678.", 1},
        ReadingCase{"PointAfterFirst", FrameBytesOf(0, 0, {9, 8, 7, 6, 5, 4, 3, 2}, 128),
                    "9.8765432", 128},
        ReadingCase{"NoPoint", FrameBytesOf(0, 0, {0, 0, 0, 0, 0, 0, 0, 0}, 0), "00000000", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// Every code that is neither 0 nor a single bit gives "Error" and leaves the reading text,
// while the lamps and LEDs still follow the frame.
TEST_F(LinkDecoderTest, InvalidPointCodesShowErrorButLampsFollowTheFrame) {
  FeedFrame(FrameBytesOf(0, 0, {1, 2, 3, 4, 5, 6, 7, 8}, 2));
  ASSERT_EQ(State.ReadingText, "1234567.8");
  for (int point : {3, 129, 255, 6, 192}) {
    SCOPED_TRACE(point);
    Panel.Label[plRezult].clear();
    Feed({16});
    FeedFrame(FrameBytesOf(kEdgeKeys, 0b1000, {9, 9, 9, 9, 9, 9, 9, 9}, point));
    EXPECT_EQ(Panel.Label[plRezult], "Error");
    EXPECT_EQ(State.ReadingText, "1234567.8");
    EXPECT_EQ(State.PointCode, point);
    EXPECT_TRUE(Panel.Key[27]);
    EXPECT_FALSE(Panel.Key[26]);
    EXPECT_TRUE(Panel.Led[4]);
  }
}

struct StatusCase {
  std::uint8_t Byte;
  bool ClearsPending;
  int RsOn;  // -1 untouched, 0 hidden, 1 shown
};

TEST_F(LinkDecoderTest, StatusBytesShowInReadyAndRestartTheFrame) {
  const StatusCase cases[] = {{16, false, -1}, {128, false, 0}, {130, true, -1},
                              {132, false, 1}, {255, false, -1}, {131, false, -1}};
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(int(c.Byte));
    KeyPress(State, 7);
    Panel.RsOnVisible = (c.RsOn == 0);  // so an update of it would show
    Feed({1, 2, 3, c.Byte});
    EXPECT_EQ(Panel.Label[plReady], std::to_string(c.Byte));
    EXPECT_EQ(State.NibbleCount, 0);
    EXPECT_EQ(State.CommandPending, c.ClearsPending ? 0 : 1);
    if (c.RsOn >= 0) EXPECT_EQ(Panel.RsOnVisible, c.RsOn == 1);
    else EXPECT_FALSE(Panel.RsOnVisible);
    Feed({9});
    EXPECT_EQ(Panel.Label[plRS0], "9") << "the next nibble is nibble 1";
  }
}

TEST_F(LinkDecoderTest, PendingKeyPressHoldsDecodingUntilStatus130) {
  EXPECT_EQ(KeyPress(State, 28), 28);
  EXPECT_EQ(State.KeyCode, 28);
  EXPECT_EQ(State.CommandPending, 1);

  const auto frame = FrameBytesOf(kEdgeKeys, 0b1111, {1, 2, 3, 4, 5, 6, 7, 8}, 0);
  const auto nibbles = FrameNibblesOf(frame);
  Feed({132});
  FeedFrame(frame);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Panel.Label[plRS0 + i], std::to_string(nibbles[i]));
  EXPECT_EQ(Panel.FramesDecoded, 0);
  EXPECT_FALSE(Panel.Key[1]);
  EXPECT_FALSE(Panel.Led[1]);
  EXPECT_EQ(State.CommandPending, 1) << "132 does not clear the pending flag";

  Feed({130});
  FeedFrame(frame);
  EXPECT_EQ(Panel.FramesDecoded, 1);
  EXPECT_TRUE(Panel.Key[1]);
  EXPECT_TRUE(Panel.Led[1]);
  EXPECT_EQ(Panel.Label[plRezult], "12345678");
}

TEST_F(LinkDecoderTest, FirstEighteenNibblesDecodeWithoutAStatusByte) {
  FeedFrame(FrameBytesOf(1, 0, {B, B, B, B, B, B, B, 0}, 0));
  EXPECT_EQ(Panel.FramesDecoded, 1);
  EXPECT_TRUE(Panel.Key[1]);
}

TEST_F(LinkDecoderTest, FrameCutShortByStatusByteIsDropped) {
  const auto nibbles = FrameNibblesOf(FrameBytesOf(kEdgeKeys, 0b1111, {1, 2, 3, 4, 5, 6, 7, 8}, 0));
  Feed(std::vector<std::uint8_t>(nibbles.begin(), nibbles.begin() + 12));
  Feed({128});
  Feed(std::vector<std::uint8_t>(nibbles.begin() + 12, nibbles.end()));
  EXPECT_EQ(Panel.FramesDecoded, 0);
  EXPECT_FALSE(Panel.Key[1]);
  EXPECT_EQ(State.NibbleCount, 6);
  EXPECT_EQ(State.Nibbles[11], nibbles[11]) << "the cut frame's nibbles stay until overwritten";
}

TEST_F(LinkDecoderTest, ResetClearsOnlyTheNibbleStore) {
  KeyPress(State, 3);
  Feed({130});
  FeedFrame(FrameBytesOf(kEdgeKeys, 0, {1, 2, 3, 4, 6, 7, 8, 9}, 4));
  KeyPress(State, 4);
  Feed({5, 6});
  ResetNibbleStore(State);
  for (int v : State.Nibbles) EXPECT_EQ(v, 0);
  EXPECT_EQ(State.NibbleCount, 20);
  EXPECT_EQ(State.CommandPending, 1);
  EXPECT_EQ(State.PointCode, 4);
  EXPECT_EQ(State.ReadingText, "123467.89");
  EXPECT_EQ(State.KeyCode, 4);
}

// Nibbles past the 100-entry store are dropped until the next status byte, and the count never
// wraps: with an 8-bit wrap the 274th nibble would pass for a frame's 18th and be decoded.
TEST_F(LinkDecoderTest, OverlongRunIsDroppedPastTheStoreAndNeverDecodes) {
  Feed({16});
  std::vector<std::uint8_t> run;
  for (int i = 0; i < 600; ++i) run.push_back(static_cast<std::uint8_t>(i % 16));
  Feed(run);
  EXPECT_EQ(Panel.FramesDecoded, 1) << "only the run's own 18th nibble";
  EXPECT_EQ(State.NibbleCount, NibbleStoreSize + 1);
  EXPECT_EQ(State.Nibbles[99], 99 % 16);
  EXPECT_EQ(State.Nibbles[0], 0) << "nibble 257 must not land at the start of the store";

  Feed({130});
  FeedFrame(FrameBytesOf(kEdgeKeys, 0, {1, 2, 3, 4, 6, 7, 8, 9}, 4));
  EXPECT_EQ(Panel.FramesDecoded, 2);
  EXPECT_EQ(Panel.Label[plRezult], "123467.89");
}

}  // namespace
