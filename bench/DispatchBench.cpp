// The line's speed as a user of the component sees it, over one pseudo-terminal, beside a
// plain poll()/read() loop on the same kind of pty, all in one run:
//
//   plain       the limit: one thread polls the slave and reads or writes it directly;
//   dispatcher  TSioPosixDispatcher with a method handler on the dispatch worker;
//   port        TSioComPort with its events on the main thread (which pumps its queue);
//   tcp         TSioSocketDispatcher on tcp://127.0.0.1 with a method handler on the dispatch
//               worker, the far end a socket the bench accepts (in place of the pty's master).
//
// Figures, each the median of the runs:
//   receive MB/s, CPU ms and context    the peer writes a stream into the master as fast as
//   switches per 16 MiB                 it can; the reader takes every announced byte.  CPU
//                                       and switches are the process's, less the peer's;
//   send MB/s                           the application keeps the line busy by refilling
//                                       the output ring on the output-free trigger (the
//                                       plain loop writes whenever poll() says it may);
//   round trip p50 / p99 us             the application writes one byte (the port from the
//                                       main thread), the peer echoes it, the application
//                                       times it until its receive event has taken the echo;
//                                       back to back after 100 unmeasured ones, one line open
//                                       at a time;
//   round trip, lines in turn           the other way round: the peer writes one byte, the
//                                       application echoes it from its receive event, the peer
//                                       times the echo, going round all the lines;
//   idle CPU ms per 10 s                an open line, nothing on it.
// The lines are set up as an application that streams would (9600 baud, which a pty ignores;
// the largest output buffer the port takes, refilled when half of it is free), so that these
// figures are those of a side-by-side run against other serial stacks over the same pty.
// The machine's load changes under a run: compare the ratios to the plain loop, which are
// measured side by side, and look at their spread over the runs (printed too).
//
//   DispatchBench [runs=5] [MiB=16] [round trips=2000] [idle seconds=2]
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/SioPortName.h"
#include "dispatch/SioPosix.h"
#include "dispatch/SioSocket.h"
#include "platform/Messages.h"
#include "port/SioPort.h"
#include "support/LoopbackListener.h"
#include "support/TestPty.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

// Context switches of the process (RUSAGE_SELF) or of the calling thread (RUSAGE_THREAD).
long Switches(int who) {
  rusage u{};
  getrusage(who, &u);
  return u.ru_nvcsw + u.ru_nivcsw;
}

double CpuSeconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::uint8_t ByteAt(std::uint64_t i) { return static_cast<std::uint8_t>((i * 131u) ^ (i >> 9)); }

// Counts the bytes that break the stream's order.
struct TChecker {
  std::uint64_t Next = 0;
  std::uint64_t Bad = 0;
  void Check(const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) Bad += bytes[k] != ByteAt(Next + k) ? 1 : 0;
    Next += n;
  }
};

void FillStream(std::uint8_t* bytes, std::size_t n, std::uint64_t from) {
  for (std::size_t k = 0; k < n; ++k) bytes[k] = ByteAt(from + k);
}

// Waits for `fd` to become ready for `events`; false after `ms` without.
bool WaitFd(int fd, short events, int ms) {
  pollfd p{fd, events, 0};
  return poll(&p, 1, ms) > 0;
}

// ---- The peer, on the master side ----------------------------------------------------------

// Writes `total` bytes of the stream into the master as fast as the pty takes them.  Returns
// the CPU seconds the writing thread used.
double FeedMaster(int master, std::uint64_t total) {
  const double cpu0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  std::vector<std::uint8_t> chunk(65536);
  std::uint64_t sent = 0;
  while (sent < total) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), total - sent));
    FillStream(chunk.data(), n, sent);
    std::size_t done = 0;
    while (done < n) {
      const ssize_t w = write(master, chunk.data() + done, n - done);
      if (w > 0) {
        done += static_cast<std::size_t>(w);
      } else if (!WaitFd(master, POLLOUT, 10000)) {
        return CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;  // the reader stopped
      }
    }
    sent += n;
  }
  return CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
}

// A sender slower than this is measured on what it sends in this time, not on all of it.
constexpr auto kSendLimit = std::chrono::seconds(5);

// Reads `total` bytes of the stream from the master, or what comes within kSendLimit; the
// time the reading ended.
TClock::time_point DrainMaster(int master, std::uint64_t total, TChecker& checker) {
  std::vector<std::uint8_t> buffer(65536);
  const auto limit = TClock::now() + kSendLimit;
  while (checker.Next < total && TClock::now() < limit) {
    const ssize_t n = read(master, buffer.data(), buffer.size());
    if (n > 0) {
      checker.Check(buffer.data(), static_cast<std::size_t>(n));
    } else if (!WaitFd(master, POLLIN, 10000)) {
      break;
    }
  }
  return TClock::now();
}

struct TLatency {
  double P50 = 0;
  double P99 = 0;
};

// Writes one byte into `fd` and times its echo in microseconds; -1 when none came.
double TimeEcho(int fd, std::uint8_t b) {
  const auto t0 = TClock::now();
  if (write(fd, &b, 1) != 1) return -1;
  std::uint8_t back = 0;
  while (read(fd, &back, 1) != 1) {
    if (!WaitFd(fd, POLLIN, 2000)) return -1;
  }
  return back == b ? Seconds(TClock::now() - t0) * 1e6 : -1;
}

TLatency Percentiles(std::vector<double> us) {
  if (us.empty()) return {};
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[us.size() * 99 / 100]};
}

// ---- Figures -------------------------------------------------------------------------------

struct TFigures {
  double RecvMBps = 0;
  double RecvCpuMs = 0;  // per 16 MiB
  double SendMBps = 0;
  double RecvSwitches = 0;  // context switches per 16 MiB
  TLatency RoundTrip;        // one line open at a time
  TLatency RoundTripInTurn;  // the three lines open, the peer going round them
  double IdleCpuMs = 0;      // per 10 s
  bool Faulty = false;   // bytes lost or out of order: the figures mean nothing
};

constexpr std::uint64_t k16MiB = 16u << 20;
// The output ring of the dispatcher and the port (the most the port's OutSize takes), and the
// free space the refill waits for.
constexpr std::uint32_t kOutSize = 65535;
constexpr std::uint16_t kRefillAt = kOutSize / 2;
constexpr std::uint32_t kBaud = 9600;

struct TReceiveRun {
  TClock::time_point Start;
  double CpuStart = 0;
  double PeerCpu = 0;
  long SwitchesStart = 0;
  long PeerSwitches = 0;
  std::thread Peer;
  void Begin(int master, std::uint64_t total) {
    CpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    SwitchesStart = Switches(RUSAGE_SELF);
    Start = TClock::now();
    Peer = std::thread([this, master, total] {
      PeerCpu = FeedMaster(master, total);
      PeerSwitches = Switches(RUSAGE_THREAD);
    });
  }
  // Records the receive figures once the reader has everything (or gave up).
  void End(TFigures& f, const TChecker& checker, std::uint64_t total) {
    const double wall = Seconds(TClock::now() - Start);
    Peer.join();
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - CpuStart - PeerCpu;
    const auto switches = static_cast<double>(Switches(RUSAGE_SELF) - SwitchesStart - PeerSwitches);
    const double per16MiB = static_cast<double>(k16MiB) / static_cast<double>(total);
    f.RecvMBps = static_cast<double>(checker.Next) / wall / 1e6;
    f.RecvCpuMs = cpu * 1000.0 * per16MiB;
    f.RecvSwitches = switches * per16MiB;
    f.Faulty |= checker.Bad != 0 || checker.Next != total;
  }
};

double SendRate(TClock::time_point start, TClock::time_point end, const TChecker& checker, TFigures& f) {
  f.Faulty |= checker.Bad != 0 || checker.Next == 0;
  return static_cast<double>(checker.Next) / Seconds(end - start) / 1e6;
}

double IdleCpuMsPer10s(double seconds, const std::function<void(double)>& wait) {
  const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  const auto t0 = TClock::now();
  wait(seconds);
  const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
  return cpu * 1000.0 * 10.0 / Seconds(TClock::now() - t0);
}

// ---- The plain loop ------------------------------------------------------------------------

int OpenRawSlave(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

TFigures MeasurePlain(std::uint64_t total) {
  TFigures f;
  TTestPty pty(TTestPty::TSlave::NotHeld);
  const int slave = OpenRawSlave(pty.SlavePath());
  std::vector<std::uint8_t> buffer(65536);
  {
    TChecker checker;
    TReceiveRun run;
    run.Begin(pty.Master(), total);
    while (checker.Next < total) {
      const ssize_t n = read(slave, buffer.data(), buffer.size());
      if (n > 0) {
        checker.Check(buffer.data(), static_cast<std::size_t>(n));
      } else if (!WaitFd(slave, POLLIN, 10000)) {
        break;
      }
    }
    run.End(f, checker, total);
  }
  {
    TChecker checker;
    TClock::time_point end;
    const auto start = TClock::now();
    std::thread peer([&] { end = DrainMaster(pty.Master(), total, checker); });
    std::uint64_t sent = 0;
    while (sent < total) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), total - sent));
      FillStream(buffer.data(), n, sent);
      const ssize_t w = write(slave, buffer.data(), n);
      if (w > 0) {
        sent += static_cast<std::uint64_t>(w);
      } else if (!WaitFd(slave, POLLOUT, 10000)) {
        break;
      }
    }
    peer.join();
    f.SendMBps = SendRate(start, end, checker, f);
  }
  close(slave);
  return f;
}

// ---- The dispatcher, handled on its dispatch worker ------------------------------------------

class TBenchDispatcher : public TSioPosixDispatcher {
 public:
  TBenchDispatcher() : TSioPosixDispatcher(nullptr) {}
  ~TBenchDispatcher() override { ShutDown(); }
};

// The far end of a tcp:// line: a listener on the loopback, and the one connection it accepts,
// non-blocking like a pty's master.
class TLoopbackPeer {
 public:
  ~TLoopbackPeer() {
    if (Connection >= 0) close(Connection);
  }
  std::string Url() const { return Listener.Url(); }
  bool Accept() { return (Connection = Listener.Accept(5000, true)) >= 0; }
  int Fd() const { return Connection; }

 private:
  TLoopbackListener Listener;
  int Connection = -1;
};

// A line with one method handler on the dispatch worker: on a fresh pty, or over tcp:// to a
// fresh loopback peer.  Master() is the far end either way.
struct TDispatcherLine {
  explicit TDispatcherLine(bool overTcp = false)
      : Tcp(overTcp ? std::make_unique<TLoopbackPeer>() : nullptr),
        Line(overTcp ? std::unique_ptr<TSioBaseDispatcher>(std::make_unique<TSioSocketDispatcher>(nullptr))
                     : std::make_unique<TBenchDispatcher>()) {}
  TTestPty Pty{TTestPty::TSlave::NotHeld};
  std::unique_ptr<TLoopbackPeer> Tcp;
  std::unique_ptr<TSioBaseDispatcher> Line;
  int Master() const { return Tcp ? Tcp->Fd() : Pty.Master(); }
  bool Open(TTriggerMethod handler) {
    const std::string path = Tcp ? Tcp->Url() : Pty.SlavePath();
    if (Line->OpenLine(path, kBaud, 0, 8, 1, 8192, kOutSize, olDtrOn | olRtsOn) != 0) return false;
    if (Tcp && !Tcp->Accept()) return false;
    Line->AddMethodHandler(this, std::move(handler), false);
    Line->SetAvailThreshold(1);
    return true;
  }
  ~TDispatcherLine() { Line->CloseLine(); }
};

TFigures MeasureDispatcherOn(std::uint64_t total, bool overTcp) {
  TFigures f;
  std::vector<std::uint8_t> buffer(kInRingSize > kOutSize ? kInRingSize : kOutSize);
  {
    TDispatcherLine l(overTcp);
    TChecker checker;
    TEvent done(TEvent::ManualReset);
    if (!l.Open([&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
          if (message != TriggerAvailMsg) return;
          const auto n = static_cast<std::uint32_t>(wParam);
          if (l.Line->ReadBlock(buffer.data(), n) == static_cast<int>(n)) checker.Check(buffer.data(), n);
          if (checker.Next >= total) done.Set();
        })) {
      f.Faulty = true;
      return f;
    }
    TReceiveRun run;
    run.Begin(l.Master(), total);
    done.Wait(60000);
    run.End(f, checker, total);
  }
  {
    TDispatcherLine l(overTcp);
    std::uint64_t queued = 0;
    int handle = 0;
    auto refill = [&] {
      const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(l.Line->OutFree(), total - queued));
      FillStream(buffer.data(), n, queued);
      if (n > 0 && l.Line->WriteBlock(buffer.data(), n) == 0) queued += n;
      if (queued < total) l.Line->SetStatusTrigger(static_cast<std::uint32_t>(handle), kRefillAt, true);
    };
    if (!l.Open([&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
          if (message == TriggerStatusMsg && wParam == static_cast<std::uintptr_t>(handle)) refill();
        })) {
      f.Faulty = true;
      return f;
    }
    handle = l.Line->AddStatusTrigger(stOutFree);
    TChecker checker;
    TClock::time_point end;
    const auto start = TClock::now();
    std::thread peer([&] { end = DrainMaster(l.Master(), total, checker); });
    refill();
    peer.join();
    f.SendMBps = SendRate(start, end, checker, f);
  }
  return f;
}

TFigures MeasureDispatcher(std::uint64_t total) { return MeasureDispatcherOn(total, false); }
TFigures MeasureTcp(std::uint64_t total) { return MeasureDispatcherOn(total, true); }

// ---- The port, with its events on the main thread ------------------------------------------

constexpr unsigned kBenchPortNumber = 7;

// A port on a fresh pty; the caller assigns its events before Open.
struct TPortLine {
  TTestPty Pty{TTestPty::TSlave::NotHeld};
  std::unique_ptr<TSioComPort> Port = std::make_unique<TSioComPort>(nullptr);
  TPortLine() {
    SetPortDevicePath(kBenchPortNumber, Pty.SlavePath());
    Port->SetComNumber(kBenchPortNumber);
    Port->SetBaud(kBaud);
    Port->SetInSize(8192);
    Port->SetOutSize(static_cast<std::uint16_t>(kOutSize));
  }
  bool Open() {
    try {
      Port->SetOpen(true);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "port: %s\n", e.what());
      return false;
    }
    return Port->PortState() == psOpen;
  }
  ~TPortLine() {
    Port.reset();
    SetPortDevicePath(kBenchPortNumber, "");
  }
};

// Runs the main thread's messages until `done` holds or `limit` passes.  `done` is looked at
// after each message and at least every `poll` seconds.
void Pump(const std::function<bool()>& done, double limit, double poll = 0.1) {
  const auto end = TClock::now() + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(limit));
  while (!done()) {
    const double left = Seconds(end - TClock::now());
    if (left <= 0) return;
    TMsg msg;
    if (GetMessage(msg, static_cast<std::uint32_t>(std::min(left, poll) * 1000) + 1)) DispatchMessage(msg);
  }
}

TFigures MeasurePort(std::uint64_t total) {
  TFigures f;
  std::vector<std::uint8_t> buffer(kInRingSize > kOutSize ? kInRingSize : kOutSize);
  {
    TPortLine l;
    TChecker checker;
    l.Port->SetOnTrigger([&](TComponent*, std::uint16_t msg, std::uint16_t count, std::uint16_t) {
      if (msg != TriggerAvailMsg) return;
      l.Port->GetBlock(buffer.data(), count);
      checker.Check(buffer.data(), count);
      // The pump runs sent messages without returning: a posted one ends its wait.
      if (checker.Next >= total) PostToMainThread([] {});
    });
    if (!l.Open()) {
      f.Faulty = true;
      return f;
    }
    TReceiveRun run;
    run.Begin(l.Pty.Master(), total);
    Pump([&] { return checker.Next >= total; }, 60);
    run.End(f, checker, total);
  }
  {
    TPortLine l;
    std::uint64_t queued = 0;
    int handle = 0;
    auto refill = [&] {
      TSioBaseDispatcher* d = l.Port->Dispatcher();
      const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(d->OutFree(), total - queued));
      FillStream(buffer.data(), n, queued);
      l.Port->PutBlock(buffer.data(), static_cast<std::uint16_t>(n));
      queued += n;
      if (queued < total) d->SetStatusTrigger(static_cast<std::uint32_t>(handle), kRefillAt, true);
    };
    l.Port->SetOnTriggerOutbuffFree([&](TComponent*) { refill(); });
    if (!l.Open()) {
      f.Faulty = true;
      return f;
    }
    handle = l.Port->Dispatcher()->AddStatusTrigger(stOutFree);
    TChecker checker;
    TClock::time_point end;
    std::atomic<bool> drained{false};
    const auto start = TClock::now();
    std::thread peer([&] {
      end = DrainMaster(l.Pty.Master(), total, checker);
      drained = true;
    });
    refill();
    Pump([&] { return drained.load(); }, 60);
    peer.join();
    f.SendMBps = SendRate(start, end, checker, f);
  }
  return f;
}

// ---- Round trips and idle ------------------------------------------------------------------

// A thread that sends back every byte `fd` receives: the far end's echo, or the plain loop's.
class TEchoThread {
 public:
  explicit TEchoThread(int fd) : Fd(fd), Echo([this] { Run(); }) {}
  ~TEchoThread() {
    Stop.Set();
    Echo.join();
  }

 private:
  void Run() {
    std::uint8_t b[64];
    for (;;) {
      pollfd p[2] = {{Fd, POLLIN, 0}, {Stop.Fd(), POLLIN, 0}};
      poll(p, 2, -1);
      if (p[1].revents != 0) return;
      const ssize_t n = read(Fd, b, sizeof b);
      if (n > 0 && write(Fd, b, static_cast<std::size_t>(n)) != n) return;
    }
  }
  int Fd;
  TEvent Stop{TEvent::ManualReset};
  std::thread Echo;
};

// A line of one candidate.  Its receive event either echoes what arrives (the peer times the
// round trip) or, with `timing`, takes the echo of the byte the application sent (Ping).
class TEchoLine {
 public:
  virtual ~TEchoLine() = default;
  virtual bool Ok() const = 0;
  virtual int Master() const = 0;
  // Sends one byte as the application would and waits until its receive event has taken the
  // echo: the time in microseconds, -1 when none came.
  virtual double Ping(std::uint8_t b) = 0;
  // Lets `seconds` pass the way the candidate waits (the port pumps the main thread's queue).
  virtual void Idle(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

 protected:
  // Set by a timing line's receive event, waited for by Ping.
  std::atomic<int> EchoesTaken{0};
};

class TPlainEcho : public TEchoLine {
 public:
  explicit TPlainEcho(bool timing) : Slave(OpenRawSlave(Pty.SlavePath())) {
    if (!timing) Echo = std::make_unique<TEchoThread>(Slave);
  }
  ~TPlainEcho() override {
    Echo.reset();
    close(Slave);
  }
  bool Ok() const override { return Slave >= 0; }
  int Master() const override { return Pty.Master(); }
  double Ping(std::uint8_t b) override { return TimeEcho(Slave, b); }

 private:
  TTestPty Pty{TTestPty::TSlave::NotHeld};
  int Slave;
  std::unique_ptr<TEchoThread> Echo;
};

class TDispatcherEcho : public TEchoLine {
 public:
  TDispatcherEcho(bool overTcp, bool timing) : L(overTcp) {
    Opened = L.Open([this, timing](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
      if (message != TriggerAvailMsg) return;
      const auto n = static_cast<std::uint32_t>(wParam);
      if (L.Line->ReadBlock(Buffer, n) != static_cast<int>(n)) return;
      if (!timing) {
        L.Line->WriteBlock(Buffer, n);
        return;
      }
      EchoesTaken += static_cast<int>(n);
      Taken.Set();
    });
  }
  bool Ok() const override { return Opened; }
  int Master() const override { return L.Master(); }
  double Ping(std::uint8_t b) override {
    const auto t0 = TClock::now();
    const int before = EchoesTaken.load();
    if (L.Line->WriteBlock(&b, 1) != 0) return -1;
    while (EchoesTaken.load() == before) {
      if (!Taken.Wait(2000)) return -1;
    }
    return Seconds(TClock::now() - t0) * 1e6;
  }

 private:
  TDispatcherLine L;
  bool Opened = false;
  std::uint8_t Buffer[kInRingSize];
  TThreadSignal Taken;
};

class TPortEcho : public TEchoLine {
 public:
  explicit TPortEcho(bool timing) {
    L.Port->SetOnTrigger([this, timing](TComponent*, std::uint16_t msg, std::uint16_t count, std::uint16_t) {
      if (msg != TriggerAvailMsg) return;
      L.Port->GetBlock(Buffer, count);
      if (timing) {
        EchoesTaken += count;
        // The pump runs sent messages without returning: a posted one ends its wait.
        PostQuitMessage(0);
      } else {
        L.Port->PutBlock(Buffer, count);
      }
    });
    Opened = L.Open();
  }
  bool Ok() const override { return Opened; }
  int Master() const override { return L.Pty.Master(); }
  double Ping(std::uint8_t b) override {
    const auto t0 = TClock::now();
    const int before = EchoesTaken.load();
    L.Port->PutBlock(&b, 1);
    Pump([&] { return EchoesTaken.load() != before; }, 2, 2);
    return EchoesTaken.load() != before ? Seconds(TClock::now() - t0) * 1e6 : -1;
  }
  void Idle(double seconds) override { Pump([] { return false; }, seconds, seconds); }

 private:
  TPortLine L;
  bool Opened = false;
  std::uint8_t Buffer[kInRingSize];
};

constexpr int kCandidates = 4;  // plain loop, dispatcher, port, dispatcher over tcp://

std::unique_ptr<TEchoLine> MakeEchoLine(int candidate, bool timing) {
  switch (candidate) {
    case 0: return std::make_unique<TPlainEcho>(timing);
    case 1: return std::make_unique<TDispatcherEcho>(false, timing);
    case 2: return std::make_unique<TPortEcho>(timing);
    default: return std::make_unique<TDispatcherEcho>(true, timing);
  }
}

constexpr int kWarmUpTrips = 100;

// Round trips sent by the application of one candidate, back to back, echoed by the far end.
void MeasureSentRoundTrips(int candidate, int samples, TFigures& f) {
  std::unique_ptr<TEchoLine> line = MakeEchoLine(candidate, true);
  if (!line->Ok()) {
    f.Faulty = true;
    return;
  }
  TEchoThread echo(line->Master());
  std::vector<double> us;
  for (int i = -kWarmUpTrips; i < samples; ++i) {
    const double t = line->Ping(ByteAt(static_cast<std::uint64_t>(i + kWarmUpTrips)));
    if (t < 0) break;
    if (i >= 0) us.push_back(t);
  }
  f.RoundTrip = Percentiles(us);
  f.Faulty |= us.size() != static_cast<std::size_t>(samples);
}

// Round trips from the peer, all the lines open and the peer going round them, pausing
// 0.2-1 ms before each byte: the lines are under the same load byte by byte.
void MeasureEchoesInTurn(int samples, TFigures* figures) {
  std::unique_ptr<TEchoLine> lines[kCandidates];
  for (int c = 0; c < kCandidates; ++c) lines[c] = MakeEchoLine(c, false);
  std::vector<double> us[kCandidates];
  std::atomic<bool> finished{false};
  std::thread peer([&] {
    for (int i = 0; i < samples; ++i) {
      for (int k = 0; k < kCandidates; ++k) {
        const int c = (i + k) % kCandidates;
        if (!lines[c]->Ok()) continue;
        std::this_thread::sleep_for(std::chrono::microseconds(200 + (i * 37 + k * 101) % 800));
        const double t = TimeEcho(lines[c]->Master(), ByteAt(static_cast<std::uint64_t>(i)));
        if (t >= 0) us[c].push_back(t);
      }
    }
    finished = true;
  });
  Pump([&] { return finished.load(); }, 600);
  peer.join();
  for (int c = 0; c < kCandidates; ++c) {
    figures[c].RoundTripInTurn = Percentiles(us[c]);
    figures[c].Faulty |= us[c].size() != static_cast<std::size_t>(samples);
  }
}

// An open line with nothing on it; only this one line is open.
void MeasureIdle(int candidate, double seconds, TFigures& f) {
  std::unique_ptr<TEchoLine> line = MakeEchoLine(candidate, false);
  f.Faulty |= !line->Ok();
  line->Idle(0.2);  // past the open
  f.IdleCpuMs = IdleCpuMsPer10s(seconds, [&](double s) { line->Idle(s); });
}
// ---- Report --------------------------------------------------------------------------------

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct TRow {
  const char* Name;
  double TFigures::*Field;
  TLatency TFigures::*Trip;
  double TLatency::*Latency;
  double Value(const TFigures& f) const { return Field != nullptr ? f.*Field : (f.*Trip).*Latency; }
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::uint64_t total = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 16) << 20;
  const int samples = argc > 3 ? std::max(10, std::atoi(argv[3])) : 2000;
  const double idleSeconds = argc > 4 ? std::atof(argv[4]) : 2.0;

  using TMeasure = TFigures (*)(std::uint64_t);
  const char* names[kCandidates] = {"plain loop", "our dispatcher", "our port", "dispatcher over tcp://"};
  const TMeasure measure[kCandidates] = {&MeasurePlain, &MeasureDispatcher, &MeasurePort, &MeasureTcp};
  std::vector<TFigures> figures[kCandidates];
  bool faulty = false;
  for (int run = 0; run < runs; ++run) {
    // A different order each run, so that no candidate always follows the same one.
    for (int k = 0; k < kCandidates; ++k) {
      const int c = (run + k) % kCandidates;
      figures[c].push_back(measure[c](total));
      MeasureIdle(c, idleSeconds, figures[c].back());
    }
    TFigures trips[kCandidates];
    for (int k = 0; k < kCandidates; ++k) {
      const int c = (run + k) % kCandidates;
      MeasureSentRoundTrips(c, samples, trips[c]);
    }
    MeasureEchoesInTurn(samples, trips);
    for (int c = 0; c < kCandidates; ++c) {
      figures[c].back().RoundTrip = trips[c].RoundTrip;
      figures[c].back().RoundTripInTurn = trips[c].RoundTripInTurn;
      if (figures[c].back().Faulty || trips[c].Faulty) {
        std::printf("run %d, %s: bytes lost or out of order\n", run + 1, names[c]);
        faulty = true;
      }
    }
  }

  const TRow rows[] = {
      {"receive MB/s", &TFigures::RecvMBps, nullptr, nullptr},
      {"receive CPU ms per 16 MiB", &TFigures::RecvCpuMs, nullptr, nullptr},
      {"receive context switches per 16 MiB", &TFigures::RecvSwitches, nullptr, nullptr},
      {"send MB/s, refilled on output-free", &TFigures::SendMBps, nullptr, nullptr},
      {"one-byte round trip p50 us", nullptr, &TFigures::RoundTrip, &TLatency::P50},
      {"one-byte round trip p99 us", nullptr, &TFigures::RoundTrip, &TLatency::P99},
      {"round trip p50 us, echoed, lines in turn", nullptr, &TFigures::RoundTripInTurn, &TLatency::P50},
      {"round trip p99 us, echoed, lines in turn", nullptr, &TFigures::RoundTripInTurn, &TLatency::P99},
      {"idle open line, CPU ms per 10 s", &TFigures::IdleCpuMs, nullptr, nullptr},
  };
  std::printf("\n%d runs, %llu MiB each way, %d round trips, %.1f s idle; medians\n\n", runs,
              static_cast<unsigned long long>(total >> 20), samples, idleSeconds);
  std::printf("| figure | plain loop (pty) | our dispatcher (pty) | our port (pty) | dispatcher over tcp:// | "
              "dispatcher / plain | port / plain | tcp:// / plain |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  for (const TRow& row : rows) {
    double median[kCandidates];
    std::vector<double> ratios[kCandidates];
    for (int c = 0; c < kCandidates; ++c) {
      std::vector<double> values;
      for (int r = 0; r < runs; ++r) {
        values.push_back(row.Value(figures[c][r]));
        const double plain = row.Value(figures[0][r]);
        ratios[c].push_back(plain > 0 ? row.Value(figures[c][r]) / plain : 0);
      }
      median[c] = Median(values);
    }
    auto ratio = [&](int c) {
      char text[64];
      const auto [lo, hi] = std::minmax_element(ratios[c].begin(), ratios[c].end());
      std::snprintf(text, sizeof text, "%.2fx (%.2f-%.2f)", Median(ratios[c]), *lo, *hi);
      return std::string(text);
    };
    std::printf("| %s | %.2f | %.2f | %.2f | %.2f | %s | %s | %s |\n", row.Name, median[0], median[1], median[2],
                median[3], ratio(1).c_str(), ratio(2).c_str(), ratio(3).c_str());
  }
  std::printf("\nratios: median of the per-run ratios (lowest-highest over the runs)\n");
  return faulty ? 1 : 0;
}
