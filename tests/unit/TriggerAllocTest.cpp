// A check and its deliveries allocate nothing: this executable replaces the global operator
// new with one that counts the calls made on the counting thread while counting is on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "dispatch/SioPosix.h"

namespace {
thread_local bool tCounting = false;
thread_local long tAllocations = 0;

void* CountedAllocation(std::size_t size) {
  if (tCounting) ++tAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return CountedAllocation(size); }
void* operator new[](std::size_t size) { return CountedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Checks run here on the test thread, with a ring of our own and no workers.
class TScanLine : public TSioPosixDispatcher {
 public:
  TScanLine() : TSioPosixDispatcher(nullptr) {
    FInRing = std::make_unique<std::uint8_t[]>(kInRingSize);
  }
  void Arrive(const char* bytes) {
    const std::size_t n = std::strlen(bytes);
    std::memcpy(FInRing.get() + FInRingHead, bytes, n);
    FInRingHead += static_cast<std::uint32_t>(n);
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

  tAllocations = 0;
  tCounting = true;
  while (line.CheckDataTriggers()) {
  }
  tCounting = false;

  EXPECT_EQ(tAllocations, 0);
  EXPECT_EQ(methodCalls, 1);          // avail before the match, then removed
  EXPECT_EQ(ProcedureCalls, 3);       // avail of "x", the data trigger, avail of all three
}

}  // namespace
