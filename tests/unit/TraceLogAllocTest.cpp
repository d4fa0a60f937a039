// Recording never allocates: this executable replaces the global operator new with one that
// counts the calls made on the counting thread while counting is on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "dispatch/SioLog.h"
#include "dispatch/SioTrace.h"

namespace {
thread_local bool tCounting = false;
thread_local long tAllocations = 0;

void* CountedAllocation(std::size_t size) {
  if (tCounting) ++tAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

// Counts the allocations made by `body` on this thread.
template <typename F>
long AllocationsOf(F body) {
  tAllocations = 0;
  tCounting = true;
  body();
  tCounting = false;
  return tAllocations;
}
}  // namespace

void* operator new(std::size_t size) { return CountedAllocation(size); }
void* operator new[](std::size_t size) { return CountedAllocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (tCounting) ++tAllocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (tCounting) ++tAllocations;
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(TraceLogAllocation, CountingSeesAllocations) {
  EXPECT_GT(AllocationsOf([] { TTraceQueue().Create(10); }), 0);
}

TEST(TraceLogAllocation, TraceRecordingAllocatesNothingEvenWhenWrapping) {
  TTraceQueue trace;
  ASSERT_EQ(trace.Create(1000), 0);
  EXPECT_EQ(AllocationsOf([&] {
              for (int i = 0; i < 10'000; ++i) trace.Record(i % 3 ? 'T' : 'R', static_cast<std::uint8_t>(i));
            }),
            0);
  EXPECT_EQ(trace.Count(), 1000u);
}

TEST(TraceLogAllocation, LogRecordingAllocatesNothingEvenWhenDropping) {
  TDispatchLog log;
  log.Create(1000, 8192);
  const std::string block(300, 'b');
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.data());
  EXPECT_EQ(AllocationsOf([&] {
              for (std::uint32_t i = 0; i < 10'000; ++i) {
                log.Record(i, 1, 1, i % 301, bytes, i % 301);  // 0..300 bytes: drops and wraps
                log.Record(i, 2, 5, i, nullptr, 0);
                log.Record(i, 1, 2, 300, bytes, 300);
              }
            }),
            0);
  EXPECT_LT(log.Free(), 1000u);
}

}  // namespace
