// Open and close in a loop with bytes flowing both ways: nothing may stay behind, no
// thread, no descriptor, no heap memory (which the sanitizer builds also check for leaks).
// SIO_CYCLES sets the number of cycles (200 by default; a soak run asks for more).
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "DispatchTestSupport.h"
#include "support/ProcessCounts.h"

namespace {

void OneCycle(int i) {
  TTestPty peer(kPeerSlave, kPeerMode);
  ASSERT_TRUE(peer.Ok());
  TTestDispatcher line;
  ASSERT_EQ(line.Open(peer.SlavePath(), 1024), 0);
  const auto in = Pattern(600, static_cast<std::size_t>(i));
  const auto out = Pattern(700, static_cast<std::size_t>(i) + 1);
  ASSERT_TRUE(peer.Write(in));
  ASSERT_EQ(line.WriteBlock(out.data(), 700), 0);
  // Some bytes are taken, the rest is still arriving or waiting when the line closes.
  EXPECT_EQ(line.Take(100), std::vector<std::uint8_t>(in.begin(), in.begin() + 100));
  EXPECT_EQ(peer.Read(100), std::vector<std::uint8_t>(out.begin(), out.begin() + 100));
  ASSERT_TRUE(peer.Write(in));
  if (i % 2 == 0) line.CloseLine();  // otherwise the destructor closes it
}

int Cycles() {
  const char* text = std::getenv("SIO_CYCLES");
  const int cycles = text != nullptr ? std::atoi(text) : 0;
  return cycles > 0 ? cycles : 200;
}

// Bytes of heap in use (0 under a sanitizer, whose allocator keeps its own books).
long HeapInUse() { return static_cast<long>(mallinfo2().uordblks); }

TEST(DispatchCycles, OpenCloseCyclesWithTrafficLeaveNoThreadOrDescriptor) {
  // Threads of the harness are there before and after; ThreadSanitizer starts its own
  // with the first thread of the process.
  std::thread([] {}).join();
  const int threads = CountThreads();
  OneCycle(0);  // first-use state (queues, registry) is made once
  ASSERT_TRUE(WaitUntil([&] { return CountThreads() == threads; }));
  const int descriptors = CountDescriptors();
  const long heap = HeapInUse();
  const int cycles = Cycles();
  for (int i = 1; i <= cycles && !HasFatalFailure(); ++i) OneCycle(i);
  EXPECT_TRUE(WaitUntil([&] { return CountThreads() == threads; }))
      << CountThreads() << " threads, " << threads << " before";
  EXPECT_EQ(CountDescriptors(), descriptors);
  EXPECT_EQ(DispatcherRegistryCount(), 0);
  // A dispatcher left behind is several kilobytes; the allowance is for the allocator's own
  // bookkeeping, not for anything that grows with the cycles.
  const long grown = HeapInUse() - heap;
  EXPECT_LT(grown, 16 * 1024) << "heap in use grew by " << grown << " bytes over " << cycles << " cycles";
  std::printf("cycles %d: threads %d -> %d, descriptors %d -> %d, heap in use %ld -> %ld bytes\n", cycles, threads,
              CountThreads(), descriptors, CountDescriptors(), heap, HeapInUse());
}

}  // namespace
