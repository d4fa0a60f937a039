// Open and close in a loop with bytes flowing both ways: nothing may stay behind, no
// thread, no descriptor (and no memory, which the sanitizer builds check).
#include <gtest/gtest.h>

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

TEST(DispatchCycles, OpenCloseCyclesWithTrafficLeaveNoThreadOrDescriptor) {
  // Threads of the harness are there before and after; ThreadSanitizer starts its own
  // with the first thread of the process.
  std::thread([] {}).join();
  const int threads = CountThreads();
  OneCycle(0);  // first-use state (queues, registry) is made once
  ASSERT_TRUE(WaitUntil([&] { return CountThreads() == threads; }));
  const int descriptors = CountDescriptors();
  for (int i = 1; i <= 200 && !HasFatalFailure(); ++i) OneCycle(i);
  EXPECT_TRUE(WaitUntil([&] { return CountThreads() == threads; }))
      << CountThreads() << " threads, " << threads << " before";
  EXPECT_EQ(CountDescriptors(), descriptors);
  EXPECT_EQ(DispatcherRegistryCount(), 0);
}

}  // namespace
