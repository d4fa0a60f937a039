// Measurements from frames the real decoder decoded: units, modes, averaging and display
// times, blank and "Error" readings, and what the decoder shows staying as it was.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/LinkDecoder.h"
#include "measure/Measurement.h"
#include "measure/Overflow.h"
#include "unit/RecordingPanel.h"

namespace {

struct TCapture : TFrameObserver {
  std::vector<TDecodedFrame> Frames;
  void FrameDecoded(const TDecodedFrame& frame) override { Frames.push_back(frame); }
};

// Key bits (bit n-1 is Pa<n>).
constexpr std::uint32_t Keys(std::initializer_list<int> lit) {
  std::uint32_t bits = 0;
  for (int k : lit) bits |= 1u << (k - 1);
  return bits;
}
// LED bits as FrameBytesOf takes them: bit n-1 is ALed<n>.
constexpr unsigned kKHz = 1, kMs = 2, kUs = 4, kCounting = 8;
constexpr int B = BlankDigit;

struct MeasureCase {
  const char* Name;
  std::uint32_t KeyBits;
  unsigned Leds;
  std::array<int, 8> Digits;
  int Point;
  const char* Reading;
  const char* Number;
  std::optional<double> Si;
  const char* Unit;
  const char* Mode;
  int GateMs;
  int DisplayMs;
};

class MeasureFromFrame : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(MeasureFromFrame, TakesUnitModeAndTimesFromTheLampsAndLeds) {
  const MeasureCase& c = GetParam();
  TLinkState state;
  TRecordingPanel panel;
  TCapture capture;
  for (std::uint8_t b : std::vector<std::uint8_t>{132}) ReceiveByte(state, b, panel, &capture);
  for (std::uint8_t b : FrameNibblesOf(FrameBytesOf(c.KeyBits, c.Leds, c.Digits, c.Point)))
    ReceiveByte(state, b, panel, &capture);
  ASSERT_EQ(capture.Frames.size(), 1u);
  const TMeasurement m = MakeMeasurement(capture.Frames[0], TTimestamp{1000, 2000});
  EXPECT_EQ(m.Reading, c.Reading);
  EXPECT_EQ(m.Number, c.Number);
  ASSERT_EQ(m.SiValue.has_value(), c.Si.has_value());
  if (c.Si) {
    EXPECT_DOUBLE_EQ(*m.SiValue, *c.Si);
  }
  EXPECT_EQ(m.Value.has_value(), c.Si.has_value());
  EXPECT_STREQ(UnitText(m.Unit), c.Unit);
  EXPECT_STREQ(ModeText(m.Mode), c.Mode);
  EXPECT_EQ(m.GateMs, c.GateMs);
  EXPECT_EQ(m.DisplayPeriodMs, c.DisplayMs);
  EXPECT_EQ(m.Status, 132);
  EXPECT_TRUE(m.Remote);
  EXPECT_EQ(m.Time.UtcMs, 1000);
  EXPECT_EQ(m.Bytes, FrameBytesOf(c.KeyBits, c.Leds, c.Digits, c.Point));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, MeasureFromFrame,
    ::testing::Values(
        MeasureCase{"FrequencyInKHz", Keys({6, 9, 19, 24}), kKHz | kCounting, {1, 0, 0, 0, 0, 0, 0, 0}, 8,
                    "10000.000", "10000.000", 1e7, "kHz", "F", 1000, 300},
        MeasureCase{"PeriodInMicroseconds", Keys({3, 20, 25}), kUs, {B, B, B, B, 0, 1, 0, 0}, 4, "01.00", "1.00",
                    1e-6, "\u00B5s", "T", 1, 1000},
        MeasureCase{"PeriodInMilliseconds", Keys({7, 20, 27}), kMs, {B, B, B, 1, 2, 3, 4, 5}, 2, "1234.5", "1234.5",
                    1.2345, "ms", "T", 10000, 4000},
        MeasureCase{"RatioWithoutUnit", Keys({4, 21, 26}), 0, {B, B, B, B, B, B, 4, 2}, 0, "42", "42", 42.0, "",
                    "A/B", 10, 2000},
        MeasureCase{"IntervalInMilliseconds", Keys({5, 22, 24}), kMs, {B, B, 1, 2, 3, 4, 5, 7}, 32, "1.23457",
                    "1.23457", 1.23457e-3, "ms", "t", 100, 300},
        MeasureCase{"TestIsFAndTTogether", Keys({3, 19, 20, 24}), kKHz, {B, B, B, 1, 0, 0, 0, 0}, 0, "10000",
                    "10000", 1e7, "kHz", "test", 1, 300},
        MeasureCase{"NoLampOfAGroupLeavesItEmpty", 0, 0, {B, B, B, B, B, B, B, 7}, 0, "7", "7", 7.0, "", "", 0, 0},
        MeasureCase{"FirstLitKeyOfAGroupCounts", Keys({4, 6, 21, 22, 25, 27}), kMs | kUs, {B, B, B, B, B, B, B, 1},
                    0, "1", "1", 1e-3, "ms", "A/B", 10, 1000},
        MeasureCase{"BlankReadingHasNoValue", Keys({3, 19, 24}), kKHz, {B, B, B, B, B, B, B, B}, 0, "", "",
                    std::nullopt, "kHz", "F", 1, 300},
        MeasureCase{"BadPointCodeIsError", Keys({3, 19, 24}), kKHz, {1, 2, 3, 4, 5, 6, 7, 8}, 3, "Error", "",
                    std::nullopt, "kHz", "F", 1, 300},
        MeasureCase{"LeadingZerosAreDropped", Keys({19}), kKHz, {B, B, B, 0, 0, 1, 2, 3}, 8, "00.123", "0.123",
                    123.0, "kHz", "F", 0, 0}),
    [](const ::testing::TestParamInfo<MeasureCase>& info) { return std::string(info.param.Name); });

TEST(MeasureFromFrameTest, ObservingChangesNothingTheDecoderShowsAndFollowsStatusBytes) {
  // Status 128 (remote off), a frame, a key press and its answer 130, a frame, 132, a frame.
  std::vector<std::uint8_t> stream{128};
  const auto frame = FrameNibblesOf(FrameBytesOf(Keys({3, 19, 24}), kKHz, {1, 2, 3, 4, 5, 6, 7, 8}, 1));
  stream.insert(stream.end(), frame.begin(), frame.end());
  stream.push_back(130);
  stream.insert(stream.end(), frame.begin(), frame.end());
  stream.push_back(132);
  stream.insert(stream.end(), frame.begin(), frame.end());

  TLinkState plain, observed;
  TRecordingPanel plainPanel, observedPanel;
  TCapture capture;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    if (i == 19) {
      KeyPress(plain, 5);
      KeyPress(observed, 5);
    }
    ReceiveByte(plain, stream[i], plainPanel);
    ReceiveByte(observed, stream[i], observedPanel, &capture);
  }
  EXPECT_EQ(observedPanel.Label, plainPanel.Label);
  EXPECT_EQ(observedPanel.Key, plainPanel.Key);
  EXPECT_EQ(observedPanel.Led, plainPanel.Led);
  EXPECT_EQ(observedPanel.Calls, plainPanel.Calls);
  EXPECT_EQ(observed.ReadingText, plain.ReadingText);

  ASSERT_EQ(capture.Frames.size(), 3u);
  const std::uint8_t status[] = {128, 130, 132};
  const bool remote[] = {false, false, true};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(capture.Frames[i].Status, status[i]) << i;
    EXPECT_EQ(capture.Frames[i].Remote, remote[i]) << i;
    EXPECT_EQ(capture.Frames[i].Reading, "12345678.");
  }
}

struct NumberCase {
  const char* Shown;
  const char* Number;
};

TEST(DisplayedNumberTest, IsAPlainDecimalOrNothing) {
  const NumberCase cases[] = {
      {"  00.120", "0.120"}, {"12345678.", "12345678"}, {"0", "0"},     {"000", "0"},  {"0012", "12"},
      {"   .5", "0.5"},      {"1012", "1012"},         {"1  2", ""},    {"Error", ""}, {"1.2.3", ""},
      {"", ""},              {"      ", ""},           {".", ""},       {"-5", ""},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(DisplayedNumber(c.Shown), c.Number) << '"' << c.Shown << '"';
}

}  // namespace

namespace {

// A frequency reading in kHz as the display shows it (MakeMeasurement's parsing).
TMeasurement KHz(const char* shown) {
  TDecodedFrame f;
  f.Keys[19 - 1] = true;
  f.Leds[0] = true;
  f.Reading = shown;
  return MakeMeasurement(f, TTimestamp{});
}

// The boundary both ways: eight digits at the reading's resolution hold the count or they do
// not, and a reading that kept its leading digits is never taken for an overflow.
TEST(OverflowTest, ACountTooLongForTheDisplayIsToldFromAGenuineReading) {
  struct TCase {
    const char* LastTrusted;
    const char* Reading;
    bool Overflowed;
  };
  const TCase cases[] = {
      {"10000.000", "0000.0006", true},    // 10 MHz at 10^4 ms: the ninth digit is lost
      {"10000.000", "0000.0000", true},
      {"12345.678", "2345.6780", true},    // no leading zero tells it: the last value does
      {"10000.000", "9999.9999", false},   // 9 999 999.9 Hz fits eight digits exactly
      {"9999.999", "9999.9990", false},
      {"5000.000", "5000.0001", false},    // far below the eight digits' span
      {"10000.000", "10000.001", false},   // the same resolution: the display holds it
      {"", "0000.0006", false},            // nothing trusted before: nothing to tell by
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.LastTrusted) + " then " + c.Reading);
    TMeasurement last = KHz(c.LastTrusted);
    EXPECT_EQ(Overflowed(KHz(c.Reading), last), c.Overflowed);
  }
  TMeasurement period = KHz("10000.000");
  period.Mode = mmPeriod;
  EXPECT_FALSE(Overflowed(KHz("0000.0006"), period)) << "judged against a measurement of the same mode only";
}

}  // namespace
