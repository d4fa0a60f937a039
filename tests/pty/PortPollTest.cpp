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
// that takes them late (a busy window, a stopped logger) still learns when each came, whether
// it takes them one by one (GetBlock) or what there is in one read (GetAvailable).
class PortPollRead : public PortPoll, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(OneByOneOrAtOnce, PortPollRead, ::testing::Bool());

TEST_P(PortPollRead, BytesTakenLateKeepTheTimeTheyArrived) {
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
  std::vector<std::uint8_t> bytes(total + 1);
  std::vector<std::int64_t> times(bytes.size());
  if (GetParam()) {
    // Fewer than are buffered, then more: each read takes what there is.
    ASSERT_EQ(Port->GetAvailable(bytes.data(), 2, times.data()), 2);
    ASSERT_EQ(Port->GetAvailable(&bytes[2], static_cast<std::uint16_t>(total - 1), &times[2]), total - 2);
    EXPECT_EQ(Port->LastReadArrivalNs(), 0);
  }
  for (std::size_t b = 0, n = 0; b < batches.size(); ++b) {
    for (std::size_t i = 0; i < batches[b].size(); ++i, ++n) {
      if (!GetParam()) {
        Port->GetBlock(&bytes[n], 1);
        times[n] = Port->LastReadArrivalNs();
      }
      const std::int64_t at = times[n];
      EXPECT_EQ(bytes[n], batches[b][i]) << "batch " << b << " byte " << i;
      EXPECT_GE(at, sentAt[b]) << "batch " << b << " byte " << i;
      EXPECT_LT(at, b + 1 < batches.size() ? sentAt[b + 1] : readAt) << "batch " << b << " byte " << i;
    }
  }
  EXPECT_EQ(Port->GetAvailable(bytes.data(), 1, times.data()), 0);  // none left: no error either
}

}  // namespace
