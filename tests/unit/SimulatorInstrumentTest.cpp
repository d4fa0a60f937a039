// The simulated counter's reading at the edges of what it can count.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "tools/simulator/Instrument.h"

namespace {

std::string Shown(const TReading& r) {
  std::string text;
  for (std::uint8_t d : r.Digits) text += d == kDarkDigit ? '_' : (d <= 9 ? static_cast<char>('0' + d) : '?');
  return text;
}

TEST(SimulatorInstrumentTest, CountsBeyondTheRegisterShowEightNines) {
  struct TCase {
    double Value;
    const char* Shown;
  };
  const TCase cases[] = {
      {0.4, "_______0"},
      {-12.5, "______13"},
      {123456789.0, "23456789"},  // the ninth digit is lost, as on the counter
      {9.9e16, "00000000"},
      {1e17, "99999999"},
      {-1e300, "99999999"},
      {std::numeric_limits<double>::infinity(), "99999999"},
      {std::numeric_limits<double>::quiet_NaN(), "99999999"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(Shown(FormatReading(CountOf(c.Value), 0, ulNone)), c.Shown);
  }
  EXPECT_EQ(Shown(FormatReading(LLONG_MIN, 0, ulNone)), "54775807");
}

// A signal of 1 mHz with 100 % noise drives the measured frequency through 0 and below: every
// mode, averaging and time mark must still show digits.
TEST(SimulatorInstrumentTest, NoisySlowSignalKeepsEveryReadingOnTheDisplay) {
  TSignal signal;
  signal.Hz = 0.001;
  signal.NoisePpm = 1e6;
  TInstrument instrument(signal, 7, true);
  std::int64_t now = 0;
  for (int round = 0; round < 20; ++round) {
    for (int mode : {19, 20, 21, 22, 28}) {
      for (int averaging = 3; averaging <= 7; ++averaging) {
        for (int mark = 9; mark <= 13; ++mark) {
          for (int key : {mode, averaging, mark}) instrument.PressKey(key);
          instrument.Restart(now, 300);
          // Past the longest gate (10^4 intervals of 1.23 ms), so a new result is shown.
          now += 20'000'000;
          instrument.Advance(now, 300);
          const std::string shown = Shown(instrument.Reading());
          ASSERT_EQ(shown.find('?'), std::string::npos) << shown << " mode " << mode << " key " << averaging
                                                         << " mark " << mark;
        }
      }
    }
  }
}

}  // namespace
