// Trigger delivery figures over a pseudo-terminal:
//  1. the time from a byte written by the peer to the avail event running on the main thread
//     (median and 99th percentile over single bytes written one at a time);
//  2. the largest sustained input rate at which a main-thread handler that reads every
//     announced byte keeps up: the peer never finds the device full and every byte arrives,
//     in order, once.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/SioPosix.h"
#include "platform/Messages.h"
#include "support/TestPty.h"
#include "support/Wait.h"

namespace {

using TClock = std::chrono::steady_clock;
// The main thread runs the handlers until the peer thread is done, at most this long.
constexpr auto kPeerLimit = std::chrono::minutes(1);

// What the handler window sees; written on the main thread only, except the atomics.
struct TReceiver {
  TSioBaseDispatcher* Line = nullptr;
  std::atomic<std::uint64_t> Received{0};
  std::atomic<std::int64_t> LastEventNs{0};
  std::uint8_t Expected = 0;
  bool OutOfOrder = false;
  std::vector<std::uint8_t> Buffer = std::vector<std::uint8_t>(8192);
};
TReceiver* Current = nullptr;

TMessageResult HandlerWindow(TWindowHandle w, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message != TriggerAvailMsg || Current == nullptr) return DefWindowProc(w, message, wParam, lParam);
  const auto now = TClock::now().time_since_epoch();
  const auto count = static_cast<std::uint32_t>(wParam);
  if (Current->Line->ReadBlock(Current->Buffer.data(), count) == static_cast<int>(count)) {
    for (std::uint32_t i = 0; i < count; ++i) {
      if (Current->Buffer[i] != Current->Expected) Current->OutOfOrder = true;
      Current->Expected = static_cast<std::uint8_t>(Current->Expected + 1);
    }
    Current->Received += count;
  }
  Current->LastEventNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  return 0;
}

struct TLine {
  TTestPty Peer;  // raw, its slave held by the bench as well
  TSioPosixDispatcher Line{nullptr};
  TWindowHandle Window = 0;
  TReceiver Receiver;
  bool Open() {
    if (Line.OpenLine(Peer.SlavePath(), 115200, 0, 8, 1, 4096, 4096, 0) != 0) return false;
    RegisterWindowClass("TriggerBenchWindow", &HandlerWindow);
    Window = CreateWindow("TriggerBenchWindow");
    Receiver.Line = &Line;
    Current = &Receiver;
    Line.AddWindowHandler(Window);
    Line.UpdateHandlerState(1);
    Line.SetAvailThreshold(1);
    return true;
  }
  ~TLine() {
    Line.CloseLine();
    Current = nullptr;
    DestroyWindow(Window);
  }
};

void MeasureLatency(int samples) {
  TLine l;
  if (!l.Open()) {
    std::printf("latency: cannot open the line\n");
    return;
  }
  std::vector<double> us;
  std::atomic<bool> done{false};
  std::thread peer([&] {
    for (int i = 0; i < samples; ++i) {
      const std::uint64_t before = l.Receiver.Received;
      const std::uint8_t byte = static_cast<std::uint8_t>(i);
      const auto sent = std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch()).count();
      if (write(l.Peer.Master(), &byte, 1) != 1) break;
      const auto deadline = TClock::now() + std::chrono::seconds(2);
      while (l.Receiver.Received == before && TClock::now() < deadline) std::this_thread::yield();
      if (l.Receiver.Received == before) break;
      us.push_back(static_cast<double>(l.Receiver.LastEventNs - sent) / 1000.0);
      std::this_thread::sleep_for(std::chrono::microseconds(200 + (i * 37) % 800));
    }
    done = true;
  });
  PumpUntil([&] { return done.load(); }, kPeerLimit);
  peer.join();
  if (us.empty()) {
    std::printf("latency: no samples\n");
    return;
  }
  std::sort(us.begin(), us.end());
  std::printf("latency byte->main-thread avail event: samples %zu  median %.1f us  p99 %.1f us  max %.1f us\n",
              us.size(), us[us.size() / 2], us[us.size() * 99 / 100], us.back());
}

// True when every byte written at `rate` bytes/s for `seconds` arrived in order, with the
// peer never finding the device full.
bool KeepsUp(std::uint32_t rate, double seconds) {
  TLine l;
  if (!l.Open()) return false;
  std::atomic<bool> done{false};
  std::atomic<bool> blocked{false};
  std::uint64_t written = 0;
  std::thread peer([&] {
    const auto start = TClock::now();
    std::uint8_t next = 0;
    std::vector<std::uint8_t> chunk;
    while (TClock::now() - start < std::chrono::duration<double>(seconds)) {
      const double elapsed = std::chrono::duration<double>(TClock::now() - start).count();
      const auto due = static_cast<std::uint64_t>(elapsed * rate);
      if (due > written) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(due - written, 4096)));
        for (auto& b : chunk) b = next++;
        const ssize_t n = write(l.Peer.Master(), chunk.data(), chunk.size());
        if (n != static_cast<ssize_t>(chunk.size())) {
          blocked = true;
          break;
        }
        written += chunk.size();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const auto deadline = TClock::now() + std::chrono::milliseconds(500);
    while (l.Receiver.Received < written && TClock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    done = true;
  });
  PumpUntil([&] { return done.load(); }, kPeerLimit);
  peer.join();
  return !blocked && l.Receiver.Received == written && !l.Receiver.OutOfOrder;
}

}  // namespace

int main() {
  MeasureLatency(2000);
  std::uint32_t best = 0;
  for (std::uint32_t rate = 10'000; rate <= 80'000'000; rate *= 2) {
    const bool ok = KeepsUp(rate, 2.0);
    std::printf("rate %u bytes/s: %s\n", rate, ok ? "kept up" : "fell behind");
    if (!ok) break;
    best = rate;
  }
  std::printf("largest sustained rate kept up: %u bytes/s\n", best);
  return 0;
}
