// Recording never allocates.
#include <gtest/gtest.h>

#include <string>

#include "dispatch/SioLog.h"
#include "dispatch/SioTrace.h"
#include "support/CountingNew.h"

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
