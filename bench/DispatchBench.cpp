// Receive throughput, byte latency and idle cost of the dispatcher over pseudo-terminals,
// side by side with a plain POSIX poll()/read() loop on the same kind of pty, in one run
// (pty throughput is noisy: compare within a run, not across runs).
//
//   DispatchBench [megabytes=64] [latency samples=2000] [idle seconds=5]
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/SioPosix.h"
#include "support/TestPty.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

std::uint8_t ByteAt(std::uint64_t i) { return static_cast<std::uint8_t>((i * 131u) ^ (i >> 9)); }

// Writes `total` bytes of the stream into the master, waiting while the pty is full; stops
// early when the reader takes nothing for a while.
void Feed(TTestPty& peer, std::uint64_t total) {
  std::vector<std::uint8_t> chunk(65536);
  std::uint64_t sent = 0;
  while (sent < total) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), total - sent));
    for (std::size_t k = 0; k < n; ++k) chunk[k] = ByteAt(sent + k);
    if (!peer.Write(chunk.data(), n, std::chrono::seconds(10))) return;
    sent += n;
  }
}

// Counts the bytes that break the stream's order.
struct TChecker {
  std::uint64_t Next = 0;
  std::uint64_t Bad = 0;
  void Check(const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) Bad += bytes[k] != ByteAt(Next + k) ? 1 : 0;
    Next += n;
  }
};

int OpenRawSlave(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

struct TThroughput {
  double MBps = 0;
  std::uint64_t Bad = 0;
  std::uint64_t Received = 0;
};

TThroughput PlainThroughput(std::uint64_t total) {
  TTestPty pty(TTestPty::TSlave::NotHeld);
  const int slave = OpenRawSlave(pty.SlavePath());
  if (slave < 0) return {};
  std::vector<std::uint8_t> buffer(65536);
  TChecker checker;
  const auto start = TClock::now();
  std::thread feeder([&] { Feed(pty, total); });
  while (checker.Next < total) {
    pollfd p{slave, POLLIN, 0};
    poll(&p, 1, 1000);
    const ssize_t n = read(slave, buffer.data(), buffer.size());
    if (n > 0) checker.Check(buffer.data(), static_cast<std::size_t>(n));
  }
  const double s = Seconds(TClock::now() - start);
  feeder.join();
  close(slave);
  return {static_cast<double>(total) / s / 1e6, checker.Bad, checker.Next};
}

class TBenchDispatcher : public TSioPosixDispatcher {
 public:
  TBenchDispatcher() : TSioPosixDispatcher(nullptr) {}
  ~TBenchDispatcher() override { ShutDown(); }
};

TThroughput DispatcherThroughput(std::uint64_t total) {
  TTestPty pty(TTestPty::TSlave::NotHeld);
  TBenchDispatcher line;
  if (line.OpenLine(pty.SlavePath(), 115200, 0, 8, 1, 65536, 4096, olDtrOn | olRtsOn) != 0) return {};
  std::vector<std::uint8_t> buffer(kInRingSize);
  TChecker checker;
  const auto start = TClock::now();
  std::thread feeder([&] { Feed(pty, total); });
  auto lastProgress = TClock::now();
  while (checker.Next < total) {
    const std::uint32_t n = line.InCount();
    if (n > 0 && line.ReadBlock(buffer.data(), n) == static_cast<int>(n)) {
      checker.Check(buffer.data(), n);
      lastProgress = TClock::now();
    } else {
      if (Seconds(TClock::now() - lastProgress) > 10) break;  // bytes lost: stop waiting
      sched_yield();
    }
  }
  const double s = Seconds(TClock::now() - start);
  feeder.join();
  line.CloseLine();
  return {static_cast<double>(checker.Next) / s / 1e6, checker.Bad, checker.Next};
}

struct TLatency {
  double MedianUs = 0;
  double P99Us = 0;
};

TLatency Percentiles(std::vector<double> us) {
  if (us.empty()) return {};
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

// Time from a byte written by the peer to that byte readable by the application.
TLatency DispatcherLatency(int samples) {
  TTestPty pty(TTestPty::TSlave::NotHeld);
  TBenchDispatcher line;
  if (line.OpenLine(pty.SlavePath(), 115200, 0, 8, 1, 4096, 4096, olDtrOn | olRtsOn) != 0) return {};
  std::vector<double> us;
  std::uint8_t byte = 0;
  for (int i = 0; i < samples; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    const std::uint8_t b = ByteAt(static_cast<std::uint64_t>(i));
    const auto t0 = TClock::now();
    if (write(pty.Master(), &b, 1) != 1) break;
    while (line.InCount() == 0) {
      if (Seconds(TClock::now() - t0) > 5) return {};
      sched_yield();
    }
    us.push_back(Seconds(TClock::now() - t0) * 1e6);
    line.ReadBlock(&byte, 1);
  }
  line.CloseLine();
  return Percentiles(us);
}

TLatency PlainLatency(int samples) {
  TTestPty pty(TTestPty::TSlave::NotHeld);
  const int slave = OpenRawSlave(pty.SlavePath());
  if (slave < 0) return {};
  std::vector<double> us;
  std::uint8_t byte = 0;
  for (int i = 0; i < samples; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    const std::uint8_t b = ByteAt(static_cast<std::uint64_t>(i));
    const auto t0 = TClock::now();
    if (write(pty.Master(), &b, 1) != 1) break;
    pollfd p{slave, POLLIN, 0};
    poll(&p, 1, 5000);
    us.push_back(Seconds(TClock::now() - t0) * 1e6);
    if (read(slave, &byte, 1) != 1) break;
  }
  close(slave);
  return Percentiles(us);
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// CPU time used per second of wall time by an open line with no traffic, in % of a core.
double IdleCpuPercent(double seconds) {
  TTestPty pty(TTestPty::TSlave::NotHeld);
  TBenchDispatcher line;
  if (line.OpenLine(pty.SlavePath(), 9600, 0, 8, 1, 4096, 4096, olDtrOn | olRtsOn) != 0) return -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = TClock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double cpu = ProcessCpuSeconds() - cpu0;
  const double wall = Seconds(TClock::now() - t0);
  line.CloseLine();
  return cpu / wall * 100.0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
  const int samples = argc > 2 ? std::atoi(argv[2]) : 2000;
  const double idleSeconds = argc > 3 ? std::atof(argv[3]) : 5.0;
  const std::uint64_t total = megabytes * 1000 * 1000;

  // Alternating rounds, the median of each: the machine's load changes under a run.
  std::vector<TThroughput> plains;
  std::vector<TThroughput> lines;
  for (int round = 0; round < 3; ++round) {
    plains.push_back(PlainThroughput(total));
    lines.push_back(DispatcherThroughput(total));
  }
  auto median = [](std::vector<TThroughput> v) {
    std::sort(v.begin(), v.end(), [](const TThroughput& a, const TThroughput& b) { return a.MBps < b.MBps; });
    return v[v.size() / 2];
  };
  const TThroughput plain = median(plains);
  TThroughput line = median(lines);
  for (const TThroughput& t : lines) {
    line.Bad = std::max(line.Bad, t.Bad);
    line.Received = std::min(line.Received, t.Received);
  }
  std::printf("receive throughput, %llu MB through a pty, median of 3 alternating rounds\n",
              static_cast<unsigned long long>(megabytes));
  std::printf("  plain poll()/read() loop      %8.1f MB/s  (out of order: %llu)\n", plain.MBps,
              static_cast<unsigned long long>(plain.Bad));
  std::printf("  FillInRing + ReadBlock        %8.1f MB/s  (out of order: %llu, lost: %llu)  %.0f%% of plain\n",
              line.MBps, static_cast<unsigned long long>(line.Bad),
              static_cast<unsigned long long>(total - line.Received), plain.MBps > 0 ? line.MBps / plain.MBps * 100 : 0);

  const TLatency plainLatency = PlainLatency(samples);
  const TLatency lineLatency = DispatcherLatency(samples);
  std::printf("latency, peer write to byte readable, %d single bytes\n", samples);
  std::printf("  plain poll()/read() loop      median %7.1f us   99th %7.1f us\n", plainLatency.MedianUs,
              plainLatency.P99Us);
  std::printf("  dispatcher input ring         median %7.1f us   99th %7.1f us\n", lineLatency.MedianUs,
              lineLatency.P99Us);

  std::printf("idle open line, %.0f s\n", idleSeconds);
  std::printf("  CPU time                      %8.3f %% of one core\n", IdleCpuPercent(idleSeconds));
  return line.Bad == 0 && line.Received == total ? 0 : 1;
}
