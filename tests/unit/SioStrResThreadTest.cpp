// The process-wide readers are created on first use from whichever thread gets there first,
// and looked up from many threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/SioExcept.h"
#include "common/SioMisc.h"
#include "common/SioStrRes.h"

namespace {

TEST(SioStringResource, FirstUseAndLookupsFromManyThreadsAtOnce) {
  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      for (int i = 0; i < 200; ++i) {
        if (ErrorText(-2007) != "ie_NOpen - device not open") wrong.fetch_add(1);
        if (ErrorStrings().GetString(15742) != "Character Set") wrong.fetch_add(1);
        if (ReaderStrings().GetString(static_cast<std::uint32_t>(1 + (i + t) % 5)).empty()) wrong.fetch_add(1);
        MsClock();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
