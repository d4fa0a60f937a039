// Faults injected through the device layer's system-call seam over a real pseudo-terminal:
// interrupted and refused calls are retried, short writes send the rest, I/O errors and
// hang-up end cleanly, and no byte is lost or duplicated.
#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "DispatchTestSupport.h"
#include "common/SioErrorCodes.h"
#include "dispatch/SioSysCalls.h"
#include "platform/SysErrors.h"

namespace {

using namespace std::chrono_literals;

// Takes one unit of an injection budget; true while the budget lasts.
bool Take(std::atomic<int>& budget) {
  int n = budget.load();
  while (n > 0) {
    if (budget.compare_exchange_weak(n, n - 1)) return true;
  }
  return false;
}

// Forwards to the real calls, failing some of them first.  `Every` spaces the failures:
// with 2, every other call fails while a budget lasts.
class TFaultyCalls : public TSioSysCalls {
 public:
  std::atomic<int> ReadEintr{0}, WriteEintr{0}, PollEintr{0}, IoctlEintr{0}, SetAttrEintr{0};
  std::atomic<int> ReadEio{0}, WriteEio{0}, WriteEagain{0};
  std::atomic<int> WriteLimit{0};  // > 0: no write takes more bytes than this
  std::atomic<int> Every{2};
  std::atomic<long> Calls{0};

  // The device hung up as a pulled USB adapter does: poll reports POLLHUP on it, reads and
  // writes fail with EIO.  Set while the peer still runs, so the pty wakes a waiting poll.
  std::atomic<bool> HungUp{false};
  std::atomic<int> DeviceFd{-1};

  ssize_t Read(int fd, void* buffer, size_t count) override {
    if (HungUpDevice(fd)) return -1;
    if (Fail(ReadEintr, EINTR) || Fail(ReadEio, EIO)) return -1;
    {
      std::lock_guard lock(HeldGuard);
      if (!Held.empty()) {
        count = std::min(count, Held.size());
        std::memcpy(buffer, Held.data(), count);
        Held.erase(Held.begin(), Held.begin() + static_cast<std::ptrdiff_t>(count));
        return static_cast<ssize_t>(count);
      }
    }
    return TSioSysCalls::Read(fd, buffer, count);
  }
  // Bytes the device holds all at once, as a fast line does while the dispatch worker is
  // busy elsewhere: read before the pty's own and counted by FIONREAD.
  void Hold(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(HeldGuard);
    Held.insert(Held.end(), bytes.begin(), bytes.end());
  }
  bool HoldsBytes() {
    std::lock_guard lock(HeldGuard);
    return !Held.empty();
  }
  int Open(const char* path, int flags) override {
    const int fd = TSioSysCalls::Open(path, flags);
    DeviceFd = fd;
    return fd;
  }
  ssize_t Write(int fd, const void* bytes, size_t count) override {
    if (HungUpDevice(fd)) return -1;
    if (Fail(WriteEintr, EINTR) || Fail(WriteEio, EIO) || Fail(WriteEagain, EAGAIN)) return -1;
    const int limit = WriteLimit;
    if (limit > 0 && count > static_cast<size_t>(limit)) count = static_cast<size_t>(limit);
    return TSioSysCalls::Write(fd, bytes, count);
  }
  // Held bytes make the line's descriptor readable, as bytes in a real device would: a poll
  // for it looks at them every millisecond.
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    if (Fail(PollEintr, EINTR)) return -1;
    int result = PollWithHeldBytes(fds, count, timeoutMs);
    for (nfds_t i = 0; result >= 0 && i < count; ++i) {
      if (!HungUp || fds[i].fd != DeviceFd) continue;
      if (fds[i].revents == 0) ++result;
      fds[i].revents |= POLLHUP;
    }
    return result;
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    if (Fail(IoctlEintr, EINTR)) return -1;
    if (request == FIONREAD) {
      std::lock_guard lock(HeldGuard);
      if (!Held.empty()) {
        *static_cast<int*>(argument) = static_cast<int>(Held.size());
        return 0;
      }
    }
    return TSioSysCalls::Ioctl(fd, request, argument);
  }
  int TcSetAttr(int fd, int when, const termios* t) override {
    if (Fail(SetAttrEintr, EINTR)) return -1;
    return TSioSysCalls::TcSetAttr(fd, when, t);
  }

 private:
  std::mutex HeldGuard;
  std::vector<std::uint8_t> Held;

  int PollWithHeldBytes(pollfd* fds, nfds_t count, int timeoutMs) {
    pollfd* device = nullptr;
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].fd == DeviceFd && (fds[i].events & POLLIN) != 0) device = &fds[i];
    }
    if (device == nullptr) return TSioSysCalls::Poll(fds, count, timeoutMs);
    for (int waited = 0;; ++waited) {
      if (HoldsBytes()) {
        for (nfds_t i = 0; i < count; ++i) fds[i].revents = 0;
        device->revents = POLLIN;
        return 1;
      }
      const int n = TSioSysCalls::Poll(fds, count, timeoutMs < 0 ? 1 : std::min(timeoutMs - waited, 1));
      if (n != 0 || (timeoutMs >= 0 && waited >= timeoutMs)) return n;
    }
  }

  bool HungUpDevice(int fd) {
    if (!HungUp || fd != DeviceFd) return false;
    errno = EIO;
    ++Calls;
    return true;
  }
  bool Fail(std::atomic<int>& budget, int error) {
    const long call = ++Calls;
    if (budget.load() == 0 || call % Every != 0 || !Take(budget)) return false;
    errno = error;
    return true;
  }
};

class DispatchFault : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Peer.Ok());
    Line.SetSysCalls(Faults);
  }
  void Open() { ASSERT_EQ(Line.Open(Peer.SlavePath()), 0); }

  void ExchangeBothWays(std::size_t inCount, std::size_t outCount) {
    ::ExchangeBothWays(Peer, Line, Pattern(inCount, 3), Pattern(outCount, 5));
  }

  TTestPty Peer{kPeerSlave, kPeerMode};
  TFaultyCalls Faults;
  TTestDispatcher Line;
};

TEST_F(DispatchFault, InterruptedCallsAreRetried) {
  Faults.SetAttrEintr = 5;
  Faults.IoctlEintr = 50;
  Open();  // the open's own calls are interrupted too
  EXPECT_LT(Faults.SetAttrEintr, 5);
  // The exchange makes no ioctl on a pseudo-terminal: the open's are the ones interrupted.
  EXPECT_LT(Faults.IoctlEintr, 50);
  Faults.ReadEintr = 200;
  Faults.WriteEintr = 200;
  Faults.PollEintr = 200;
  ExchangeBothWays(30'000, 30'000);
  EXPECT_LT(Faults.ReadEintr, 200);
  EXPECT_LT(Faults.WriteEintr, 200);
  EXPECT_LT(Faults.PollEintr, 200);
}

TEST_F(DispatchFault, RefusedWritesAreRetriedWithoutLoss) {
  Open();
  Faults.Every = 1;
  Faults.WriteEagain = 50;
  ExchangeBothWays(1000, 20'000);
  EXPECT_EQ(Faults.WriteEagain, 0);
}

TEST_F(DispatchFault, ShortWritesSendTheRest) {
  Open();
  Faults.WriteLimit = 7;
  ExchangeBothWays(1000, 9'000);
  EXPECT_TRUE(WaitUntil([&] { return Line.OutUsed() == 0; }));
}

TEST_F(DispatchFault, FailedReadLeavesTheBytesInTheDevice) {
  Open();
  Faults.Every = 1;
  Faults.ReadEio = 3;
  const auto sent = Pattern(5000);
  ASSERT_TRUE(Peer.Write(sent));
  EXPECT_EQ(Line.Take(sent.size()), sent);
  EXPECT_EQ(Faults.ReadEio, 0);
}

TEST_F(DispatchFault, WriteErrorDropsOnlyThatRun) {
  Open();
  Faults.Every = 1;
  Faults.WriteEio = 1;
  const std::uint8_t lost[] = {'A', 'A', 'A', 'A'};
  ASSERT_EQ(Line.WriteBlock(lost, 4), 0);
  ASSERT_TRUE(WaitUntil([&] { return Faults.WriteEio == 0 && Line.OutUsed() == 0; }));
  const std::uint8_t kept[] = {'B', 'B', 'B', 'B'};
  ASSERT_EQ(Line.WriteBlock(kept, 4), 0);
  EXPECT_EQ(Peer.Read(8, 1s), (std::vector<std::uint8_t>{'B', 'B', 'B', 'B'}));
}

TEST_F(DispatchFault, FullRingWithBytesLeftInTheDeviceDoesNotSpin) {
  Open();
  const auto sent = Pattern(kInRingSize + 3000);
  ASSERT_TRUE(Peer.Write(sent));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == kInRingSize; }));
  const long before = Faults.Calls;
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_LT(Faults.Calls - before, 200);
  EXPECT_EQ(Line.Take(sent.size()), sent);
}

TEST_F(DispatchFault, APassThatFillsAnEmptyRingIsAnnouncedAndReadOn) {
  Open();
  std::mutex guard;
  std::vector<std::uint8_t> got;
  Line.AddMethodHandler(&got, [&](std::uint32_t message, std::uintptr_t count, std::intptr_t) {
    if (message != TriggerAvailMsg) return;
    std::vector<std::uint8_t> bytes(count);
    ASSERT_EQ(Line.ReadBlock(bytes.data(), static_cast<std::uint32_t>(count)), static_cast<int>(count));
    std::lock_guard lock(guard);
    got.insert(got.end(), bytes.begin(), bytes.end());
  }, false);
  Line.SetAvailThreshold(1);
  auto received = [&] {
    std::lock_guard lock(guard);
    return got.size();
  };
  const auto sent = Pattern(10 + kInRingSize + 100);
  // Empty ring, then a whole ring's worth waiting in the device at once, then a little more.
  Faults.Hold({sent.begin(), sent.begin() + 10});
  ASSERT_TRUE(WaitUntil([&] { return received() == 10; }));
  Faults.Hold({sent.begin() + 10, sent.begin() + 10 + kInRingSize});
  EXPECT_TRUE(WaitUntil([&] { return received() == 10 + kInRingSize; })) << received();
  Faults.Hold({sent.begin() + 10 + kInRingSize, sent.end()});
  EXPECT_TRUE(WaitUntil([&] { return received() == sent.size(); })) << received();
  std::lock_guard lock(guard);
  EXPECT_EQ(got, sent);
}

TEST_F(DispatchFault, HangUpEndsTheEventWorkerAndKeepsTheRing) {
  Open();
  ASSERT_TRUE(Peer.Write(std::string("kept")));
  ASSERT_TRUE(WaitUntil([&] { return Line.InCount() == 4; }));
  Peer.CloseMaster();  // the adapter is pulled out
  EXPECT_TRUE(WaitUntil([&] { return Line.LineStage() == lsLost; }));
  EXPECT_TRUE(Line.WorkersRunning());

  // Nothing spins: over a quarter of a second the workers make a handful of calls (the
  // dispatch worker's 50 ms passes), not thousands.
  const long before = Faults.Calls;
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_LT(Faults.Calls - before, 200);

  // Output to a device that hung up is refused, not queued as if it could be sent.
  EXPECT_EQ(Line.LineLostError(), ERROR_GEN_FAILURE);
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_EQ(Line.WriteBlock(bytes, 3), ecPutBlockFail);
  EXPECT_TRUE(Line.OutUsed() == 0);

  EXPECT_EQ(Line.Take(4), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));
  Line.CloseLine();
  EXPECT_FALSE(Line.WorkersRunning());
  EXPECT_EQ(Line.DeviceHandle(), -1);
}

TEST_F(DispatchFault, HangUpWhileWritesAreHeldReleasesTheOutputWorker) {
  Open();
  ASSERT_EQ(Line.SetSoftwareFlow(100, 10, 1), 0);
  ASSERT_TRUE(Peer.Write(std::string("\x13M")));
  ASSERT_EQ(Line.Take(1), std::vector<std::uint8_t>{'M'});
  const auto block = Pattern(2000);
  ASSERT_EQ(Line.WriteBlock(block.data(), 2000), 0);
  Peer.CloseMaster();
  // The worker leaves its wait; what it could not send is kept, not dropped as if sent.
  EXPECT_TRUE(WaitUntil([&] { return Line.LineLostError() != 0; }));
  EXPECT_EQ(Line.OutUsed(), 2000u);
  Line.CloseLine();
  EXPECT_FALSE(Line.WorkersRunning());
}

// Counts the LineLostMsg posts it gets, with the error and registry index of the last.
class TLostLineWindow {
 public:
  TLostLineWindow() {
    static const bool registered = RegisterWindowClass("lostLineWindow", &Procedure);
    (void)registered;
    Handle = CreateWindow("lostLineWindow");
    SetWindowData(Handle, this);
  }
  ~TLostLineWindow() { DestroyWindow(Handle); }
  TLostLineWindow(const TLostLineWindow&) = delete;
  TLostLineWindow& operator=(const TLostLineWindow&) = delete;
  TWindowHandle Handle = 0;
  int Reports = 0;
  std::uintptr_t Error = 0;
  std::intptr_t Index = -1;

 private:
  static TMessageResult Procedure(TWindowHandle w, std::uint32_t m, std::uintptr_t wParam, std::intptr_t lParam) {
    auto* self = static_cast<TLostLineWindow*>(GetWindowData(w));
    if (self == nullptr || m != LineLostMsg) return DefWindowProc(w, m, wParam, lParam);
    ++self->Reports;
    self->Error = wParam;
    self->Index = lParam >> 16;
    return 0;
  }
};

// With the output ring empty a block goes to the device from the caller's own thread: a
// device that hung up fails that write, before any worker has noticed, and every one after it.
TEST_F(DispatchFault, AWriteStraightToADeviceThatHungUpFails) {
  Open();
  Faults.HungUp = true;
  const auto block = Pattern(10);
  EXPECT_EQ(Line.WriteBlock(block.data(), 10), ecPutBlockFail);
  EXPECT_EQ(Line.OutUsed(), 0u);
  EXPECT_EQ(Line.WriteBlock(block.data(), 1), ecPutBlockFail);
  Line.CloseLine();
}

TEST_F(DispatchFault, ADeviceThatHangsUpIsReportedOnceAfterWhatItSentAndKeepsWhatWasNotSent) {
  TLostLineWindow window;
  Open();
  Line.AddWindowHandler(window.Handle);
  Faults.DeviceFd = Line.DeviceHandle();
  ASSERT_TRUE(Peer.Write(std::string("last")));
  ASSERT_EQ(Line.Take(4), (std::vector<std::uint8_t>{'l', 'a', 's', 't'}));

  // The software flow control holds the output, so the bytes are queued when the device goes.
  ASSERT_EQ(Line.SetSoftwareFlow(100, 10, 1), 0);
  ASSERT_TRUE(Peer.Write(std::string("\x13M")));
  ASSERT_EQ(Line.Take(1), std::vector<std::uint8_t>{'M'});
  const auto block = Pattern(300);
  ASSERT_EQ(Line.WriteBlock(block.data(), 300), 0);
  Faults.HungUp = true;
  // XON wakes the output worker's wait, the byte after it the event worker's: both meet the
  // hang-up.
  ASSERT_TRUE(Peer.Write(std::string("\x11Z")));

  ASSERT_TRUE(PumpUntil([&] { return window.Reports > 0; }));
  EXPECT_EQ(window.Error, static_cast<std::uintptr_t>(ERROR_GEN_FAILURE));
  EXPECT_EQ(window.Index, Line.RegistryIndex());
  EXPECT_EQ(Line.OutUsed(), 300u) << "bytes the device refused are not counted as sent";
  EXPECT_EQ(Line.WriteBlock(block.data(), 1), ecPutBlockFail);

  // Reported once, and nothing spins while the owner has not closed the line yet.
  const long before = Faults.Calls;
  PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(window.Reports, 1);
  EXPECT_LT(Faults.Calls - before, 200);
  Line.CloseLine();
  EXPECT_FALSE(Line.WorkersRunning());
}

}  // namespace
