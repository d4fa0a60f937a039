// Test helpers for the dispatcher over pseudo-terminals: a dispatcher with the tests' own
// open and read calls, and recognisable byte streams.  The peer on the master side is a
// TTestPty whose slave nobody but the dispatcher opens and whose settings are the kernel's
// until the dispatcher sets the line.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/SioPosix.h"
#include "support/TestPty.h"
#include "support/Wait.h"

// The peer of a dispatcher test.
inline constexpr TTestPty::TSlave kPeerSlave = TTestPty::TSlave::NotHeld;
inline constexpr TTestPty::TMode kPeerMode = TTestPty::TMode::AsCreated;

// The POSIX dispatcher, as a port would use it.
class TTestDispatcher : public TSioPosixDispatcher {
 public:
  TTestDispatcher() : TSioPosixDispatcher(nullptr) {}
  ~TTestDispatcher() override { ShutDown(); }

  // 9600 8N1, the given queue sizes, DTR and RTS on.
  int Open(const std::string& path, std::uint32_t outSize = 4096, std::uint32_t inSize = 4096) {
    return OpenLine(path, 9600, 0, 8, 1, inSize, outSize, olDtrOn | olRtsOn);
  }

  // The modem state as the dispatch worker left it (ReadModemState would read the lines
  // first, before the worker compares them).
  std::uint32_t ModemStateNow() {
    std::lock_guard main(MainLock);
    return FModemState;
  }
  std::uint32_t EventWordNow() const { return FDeviceEventWord.load(); }


  // Reads `count` bytes as they arrive, from the calling thread.
  std::vector<std::uint8_t> Take(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[kInRingSize];
    WaitUntil([&] {
      const std::uint32_t n = std::min<std::uint32_t>(InCount(), static_cast<std::uint32_t>(count - got.size()));
      if (n > 0 && ReadBlock(buffer, n) == static_cast<int>(n)) got.insert(got.end(), buffer, buffer + n);
      return got.size() >= count;
    }, timeout);
    return got;
  }
};

// A recognisable byte sequence: byte i of a stream starting at `from`.
inline std::vector<std::uint8_t> Pattern(std::size_t count, std::size_t from = 0) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(((from + i) * 7 + (from + i) / 251) & 0xFF);
  return bytes;
}

// Sends `in` from the peer and `out` from the dispatcher at once, each side reading while it
// writes; both streams must arrive whole and in order.
inline void ExchangeBothWays(TTestPty& peer, TTestDispatcher& line, const std::vector<std::uint8_t>& in,
                             const std::vector<std::uint8_t>& out) {
  using namespace std::chrono_literals;
  std::thread peerWriter([&] { EXPECT_TRUE(peer.Write(in)); });
  std::vector<std::uint8_t> peerGot;
  std::thread peerReader([&] { peerGot = peer.Read(out.size(), 20s); });
  std::size_t queued = 0;
  EXPECT_TRUE(WaitUntil([&] {
    const std::uint32_t n = std::min<std::size_t>(line.OutFree(), out.size() - queued);
    if (n > 0 && line.WriteBlock(out.data() + queued, n) == 0) queued += n;
    return queued == out.size();
  }, 20s));
  const auto got = line.Take(in.size(), 20s);
  peerWriter.join();
  peerReader.join();
  EXPECT_EQ(got, in);
  EXPECT_EQ(peerGot, out);
}
