#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/Messages.h"
#include "common/SioMisc.h"

namespace {

TEST(TicksPerMillisecond, RoundsOnlyARemainderAboveHalf) {
  const std::pair<std::int64_t, std::uint32_t> cases[] = {
      {3579545, 3580},        {1193500, 1193},    {1193501, 1194},       {1000000000, 1000000},
      {999, 1},               {500, 0},           {0, 0},                {-1000, 0},
      {4294967295ll, 4294967}, {4294967296ll, 0}, {1000000000000ll, 0},
  };
  for (const auto& [frequency, expected] : cases) {
    EXPECT_EQ(TicksPerMillisecondFor(frequency), expected) << frequency;
  }
}

TEST(MsClock, TwoStepDivisionMatchesTheFullQuotientModulo2To32) {
  const std::pair<std::uint64_t, std::uint32_t> cases[] = {
      {0, 1000000},
      {999999, 1000000},
      {0x123456789ABCDEF0ull, 3580},
      {0xFFFFFFFFFFFFFFFFull, 1},
      {0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFu},
      {0x00000003FFFFFFFFull, 3},
      {(std::uint64_t{1} << 32) * 1000000 + 5, 1000000},
  };
  for (const auto& [counter, ticks] : cases) {
    EXPECT_EQ(MsClockFor(counter, ticks), static_cast<std::uint32_t>(counter / ticks))
        << counter << " / " << ticks;
  }
}

TEST(MsClock, CountsMilliseconds) {
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::duration<double, std::milli>>(d).count();
  };
  const auto before0 = Clock::now();
  const std::uint32_t m0 = MsClock();
  const auto after0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto before1 = Clock::now();
  const std::uint32_t m1 = MsClock();
  const auto after1 = Clock::now();
  const double elapsed = static_cast<double>(m1 - m0);
  EXPECT_GE(elapsed, ms(before1 - after0) - 1.0);
  EXPECT_LE(elapsed, ms(after1 - before0) + 1.0);
}

struct TTimerCase {
  std::int32_t Start;
  std::int32_t Expire;
  std::uint32_t Now;
  bool Expired;
};

TEST(TimerHasExpired, ComparesTicksAndAllowsForAWrappedClock) {
  // MsClock div 55 runs from 0 to 78090314 and then starts again at 0.
  constexpr std::int32_t lastTick = 78090314;
  const TTimerCase cases[] = {
      {100, 200, 150, false},
      {100, 200, 100, false},
      {100, 200, 200, false},
      {100, 200, 201, true},
      {100, 100, 101, true},
      // Set 14 ticks before the wrap for 100 ticks: due 86 ticks after it.
      {lastTick - 14, lastTick + 86, lastTick, false},
      {lastTick - 14, lastTick + 86, 0, false},
      {lastTick - 14, lastTick + 86, 85, false},
      {lastTick - 14, lastTick + 86, 86, true},
      {lastTick - 14, lastTick + 86, 5000, true},
      // Set right after the wrap; an earlier reading cannot occur, later ones count normally.
      {0, 10, 11, true},
      {0, 10, 10, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TimerHasExpiredAt(TickTimer{c.Start, c.Expire}, c.Now), c.Expired)
        << "start " << c.Start << " expire " << c.Expire << " now " << c.Now;
  }
}

TEST(TSioBaseComponent, VersionIsFixed) {
  TSioBaseComponent component(nullptr);
  component.SetVersion("v9.99");
  EXPECT_EQ(component.Version(), "v3.02");
}

std::vector<std::uint32_t> handled;

TMessageResult RecordingProc(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  handled.push_back(message);
  return DefWindowProc(window, message, wParam, lParam);
}

TEST(PumpOneMessage, HandlesAtMostOneMessageAndKeepsAQuit) {
  PumpOneMessage();  // an empty queue: returns at once

  ASSERT_TRUE(RegisterWindowClass("SioMiscTestWindow", RecordingProc));
  const TWindowHandle window = CreateWindow("SioMiscTestWindow");
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(PostMessage(window, WM_USER + 1, 0, 0));
  ASSERT_TRUE(PostMessage(window, WM_USER + 2, 0, 0));
  PumpOneMessage();
  EXPECT_EQ(handled, std::vector<std::uint32_t>{WM_USER + 1});
  PumpOneMessage();
  EXPECT_EQ(handled, (std::vector<std::uint32_t>{WM_USER + 1, WM_USER + 2}));

  PostQuitMessage(7);
  PumpOneMessage();
  TMsg msg;
  ASSERT_TRUE(PeekMessage(msg, true));
  EXPECT_EQ(msg.Message, WM_QUIT);
  EXPECT_EQ(msg.WParam, 7u);
  EXPECT_FALSE(PeekMessage(msg, true));
  DestroyWindow(window);
}

TEST(NamedFileExists, OnlyForFiles) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("sio-misc-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "present.txt";
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(NamedFileExists(file.c_str()));
  EXPECT_FALSE(NamedFileExists((dir / "absent.txt").c_str()));
  EXPECT_FALSE(NamedFileExists(dir.c_str()));
  EXPECT_FALSE(NamedFileExists(""));
  EXPECT_FALSE(NamedFileExists(nullptr));
  std::filesystem::remove_all(dir);
}

}  // namespace
