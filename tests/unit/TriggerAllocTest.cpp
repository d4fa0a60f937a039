// A check and its deliveries allocate nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "dispatch/SioPosix.h"
#include "support/CountingNew.h"

namespace {

// Checks run here on the test thread, with a ring of our own and no workers.
class TScanLine : public TSioPosixDispatcher {
 public:
  TScanLine() : TSioPosixDispatcher(nullptr) {
    FInRing.Allocate();
  }
  void Arrive(const char* bytes) {
    const std::size_t n = std::strlen(bytes);
    std::memcpy(FInRing.HeadBytes(), bytes, n);
    FInRing.Added(static_cast<std::uint32_t>(n));
  }
  using TSioBaseDispatcher::CheckDataTriggers;
};

int ProcedureCalls = 0;
void CountingProcedure(std::uint32_t, std::uintptr_t, std::intptr_t) { ++ProcedureCalls; }

TEST(TriggerAllocation, ScanningAndDeliveringAllocateNothing) {
  TScanLine line;
  line.AddDataTrigger(reinterpret_cast<const std::uint8_t*>("AB"), 2, false);
  line.SetAvailThreshold(1);
  line.AddProcedureHandler(CountingProcedure);
  // Too large for the function wrapper's own storage: a copy of it would allocate.
  struct TBig { char Bytes[64] = {}; } big;
  int methodCalls = 0;
  line.AddMethodHandler(&methodCalls, [big, &methodCalls, &line](std::uint32_t, std::uintptr_t, std::intptr_t) {
    ++methodCalls;
    line.RemoveMethodHandler(&methodCalls);  // deferred to the end of the delivery
    (void)big;
  }, false);
  line.Arrive("xAB");

  EXPECT_EQ(AllocationsOf([&] {
    while (line.CheckDataTriggers()) {
    }
  }), 0);
  EXPECT_EQ(methodCalls, 1);          // avail before the match, then removed
  EXPECT_EQ(ProcedureCalls, 3);       // avail of "x", the data trigger, avail of all three
}

}  // namespace
