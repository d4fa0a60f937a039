// A program that polls the port with GetBlock outside any event while the dispatch worker is
// in the middle of a delivery: every byte reaches the program once and in order.
#include <algorithm>
#include <atomic>
#include <thread>

#include "PortTestSupport.h"
#include "platform/Clock.h"
#include "port/SioPort.h"

namespace {

std::vector<std::uint8_t> Numbered(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

struct TPollCase {
  std::size_t Sent;
  std::uint16_t Threshold;  // AvailTriggerLength
  std::uint16_t Polled;     // taken by the program while the first delivery is held
};

using PortPoll = TPortFixture<TSioComPort>;

// The first delivery is held in a handler on the dispatch worker (it runs before the port's
// own window handler) until the program, on the port's thread, has polled some bytes.  The
// port's OnTrigger then takes every byte it is shown, and the program polls what is left.
// The full-ring cases are the ones where bytes were seen coming back.
TEST_F(PortPoll, BytesPolledDuringADeliveryAreNeverHandedOutAgain) {
  const TPollCase cases[] = {{5, 1, 2}, {8192, 8000, 32}, {8191, 8000, 7}};
  for (const TPollCase& c : cases) {
    SCOPED_TRACE(c.Sent);
    if (!Port) SetUp();
    std::vector<std::uint8_t> got;
    auto take = [&](std::uint32_t n) {
      std::vector<std::uint8_t> block(n);
      if (n == 0) return;
      Port->GetBlock(block.data(), static_cast<std::uint16_t>(n));
      got.insert(got.end(), block.begin(), block.end());
    };
    Port->SetAvailTriggerLength(c.Threshold);
    Port->SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) {
      take(Port->Dispatcher()->InCount());
    });
    Port->SetOpen(true);
    std::atomic<bool> holding{false};
    std::atomic<bool> polled{false};
    Port->Dispatcher()->AddMethodHandler(&holding, [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
      if (message != TriggerAvailMsg || holding.exchange(true)) return;
      while (!polled) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }, false);
    const std::vector<std::uint8_t> sent = Numbered(c.Sent);
    std::thread peer([&] { EXPECT_TRUE(Pty.Write(sent)); });
    ASSERT_TRUE(WaitUntil([&] { return holding.load(); }));
    take(std::min<std::uint32_t>(c.Polled, Port->Dispatcher()->InCount()));
    EXPECT_FALSE(got.empty());
    polled = true;
    EXPECT_TRUE(PumpUntil([&] {
      take(Port->Dispatcher()->InCount());
      return got.size() >= sent.size();
    }));
    peer.join();
    const auto differ = std::mismatch(got.begin(), got.end(), sent.begin(), sent.end());
    EXPECT_TRUE(got == sent) << "got " << got.size() << " bytes, first wrong one at "
                             << (differ.first - got.begin());
    TearDown();
  }
}

// Bytes that wait in the input ring keep the time they were read from the device: a program
// that takes them late (a busy window, a stopped logger) still learns when each came.
TEST_F(PortPoll, BytesTakenLateKeepTheTimeTheyArrived) {
  Port->SetOpen(true);
  ASSERT_EQ(Port->LastReadArrivalNs(), 0);
  const std::vector<std::vector<std::uint8_t>> batches = {{1, 2, 3}, {4}, Numbered(40)};
  std::vector<std::int64_t> sentAt;
  std::uint32_t total = 0;
  for (const auto& batch : batches) {
    sentAt.push_back(QueryPerformanceCounter());
    ASSERT_TRUE(Pty.Write(batch));
    total += static_cast<std::uint32_t>(batch.size());
    ASSERT_TRUE(WaitUntil([&] { return Port->Dispatcher()->InCount() == total; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::int64_t readAt = QueryPerformanceCounter();
  for (std::size_t b = 0; b < batches.size(); ++b) {
    for (std::size_t i = 0; i < batches[b].size(); ++i) {
      std::uint8_t byte = 0;
      Port->GetBlock(&byte, 1);
      const std::int64_t at = Port->LastReadArrivalNs();
      EXPECT_GE(at, sentAt[b]) << "batch " << b << " byte " << i;
      EXPECT_LT(at, b + 1 < batches.size() ? sentAt[b + 1] : readAt) << "batch " << b << " byte " << i;
    }
  }
}

}  // namespace
