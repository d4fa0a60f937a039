// The link's state in words, over times given by the test: connected, no data after three
// display periods, lost and retried, failed opens, and a key given up after 2 s.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/LinkHealth.h"
#include "app/Reconnector.h"
#include "platform/SysErrors.h"

namespace {

TPortFacts OpenPort() { return {2, "/dev/ttyUSB0", true, opNone, ""}; }
TPortFacts ClosedPort(TOpenProblem problem) { return {2, "/dev/ttyUSB0", false, problem, ""}; }

TEST(LinkHealthTest, AnOpenLineIsStaleAfterThreeDisplayPeriodsWithoutBytes) {
  TLinkHealth health;
  health.Opened(10'000);
  const struct {
    TLinkHealth::TMs Now;
    TLinkLevel Level;
    const char* Text;
  } defaultPeriod[] = {
      {10'000, llGood, "COM2 /dev/ttyUSB0 connected"},
      {13'000, llGood, "COM2 /dev/ttyUSB0 connected"},  // exactly three periods of 1 s
      {13'001, llStale, "COM2 /dev/ttyUSB0 no data for 3 s"},
      {17'900, llStale, "COM2 /dev/ttyUSB0 no data for 7 s"},
  };
  for (const auto& c : defaultPeriod) {
    const TLinkView view = health.View(OpenPort(), c.Now);
    EXPECT_EQ(view.Level, c.Level) << c.Now;
    EXPECT_EQ(view.Text, c.Text) << c.Now;
  }
  // Frames every 200 ms: stale after 600 ms of silence, back as soon as bytes come.
  health.FrameDecoded(20'000);
  health.FrameDecoded(20'200);
  health.BytesReceived(20'200);
  EXPECT_EQ(health.PeriodMs(), 200);
  EXPECT_EQ(health.View(OpenPort(), 20'800).Level, llGood);
  EXPECT_EQ(health.View(OpenPort(), 20'801).Text, "COM2 /dev/ttyUSB0 no data for 1 s");
  health.BytesReceived(21'000);
  EXPECT_EQ(health.View(OpenPort(), 21'100).Level, llGood);
  // Frames every 20 ms: a late wake-up of 100 ms is no silence; half a second is.
  health.FrameDecoded(21'000);
  health.FrameDecoded(21'020);
  health.BytesReceived(21'020);
  EXPECT_EQ(health.View(OpenPort(), 21'120).Level, llGood);
  EXPECT_EQ(health.View(OpenPort(), 21'521).Level, llStale);
}

TEST(LinkHealthTest, ALostLineShowsTheReconnectorsStateAndFailedOpensSayWhy) {
  TLinkHealth health;
  TPortFacts lost = ClosedPort(opBusy);
  lost.Reconnecting = "line lost \u2014 reconnecting (device gone; port busy)";
  const TLinkView retrying = health.View(lost, 0);
  EXPECT_EQ(retrying.Level, llLost);
  EXPECT_EQ(retrying.Text, "COM2 /dev/ttyUSB0 line lost \u2014 reconnecting (device gone; port busy)");
  health.Opened(5'000);
  EXPECT_EQ(health.View(OpenPort(), 5'000).Text, "COM2 /dev/ttyUSB0 connected");

  // Not retrying: the last open's failure, or just closed.
  EXPECT_EQ(health.View(ClosedPort(opNoPermission), 0).Text, "COM2 /dev/ttyUSB0 no permission");
  EXPECT_EQ(health.View(ClosedPort(opNoPermission), 0).Level, llFailed);
  EXPECT_EQ(health.View(ClosedPort(opNone), 0).Level, llClosed);
  EXPECT_EQ(LineLostWords(-static_cast<int>(ERROR_GEN_FAILURE)), "device gone");
  EXPECT_EQ(LineLostWords(-static_cast<int>(ERROR_INVALID_HANDLE)), "Invalid file handle");
}

TEST(LinkHealthTest, AKeyUnansweredFor2SecondsIsGivenUpOnceAndShownUntilTheNextKeyOrOpen) {
  TLinkHealth health;
  health.Opened(0);
  health.KeySent(5, 1'000);
  EXPECT_FALSE(health.TakeOverdueKey(2'999));
  EXPECT_TRUE(health.TakeOverdueKey(3'000));
  EXPECT_FALSE(health.TakeOverdueKey(3'500)) << "given up once";
  health.BytesReceived(3'500);
  EXPECT_EQ(health.View(OpenPort(), 3'500).Text, "COM2 /dev/ttyUSB0 connected \u00b7 no answer to key 5");
  health.KeySent(6, 4'000);
  health.KeyAnswered();
  EXPECT_FALSE(health.TakeOverdueKey(9'000));
  EXPECT_EQ(health.View(OpenPort(), 4'000).Text, "COM2 /dev/ttyUSB0 connected");
  health.KeySent(7, 10'000);
  health.Opened(10'500);  // a fresh open gives a pending key up without a word
  EXPECT_FALSE(health.TakeOverdueKey(20'000));
}

}  // namespace
