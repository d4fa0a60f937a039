#include "tools/simulator/Session.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// One byte on a 9600-baud line: start bit, 8 data bits, stop bit.
constexpr std::int64_t kByteNs = std::int64_t{10} * 1000000000 / 9600;
constexpr int kOverlongNibbles = 300;
constexpr std::int64_t kNever = INT64_MAX;

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

TSignal SignalOf(const TSimOptions& o) {
  TSignal s;
  s.Hz = o.SignalHz;
  s.NoisePpm = o.NoisePpm;
  return s;
}

}  // namespace

TSession::TSession(const TSimOptions& options, TLine& line, TCaptureWriter& record, TSentLog& sent, TLine* relay,
                   std::vector<TCaptureRecord> replay)
    : FOptions(options),
      FLine(line),
      FRecord(record),
      FSent(sent),
      FRelay(relay),
      FReplaying(!options.ReplayPath.empty()),
      FInstrument(SignalOf(options), options.Seed, !options.Local),
      FRandom(options.Seed ^ 0x5EEDu) {
  FStartNs = NowNs();
  std::stable_sort(replay.begin(), replay.end(),
                   [](const TCaptureRecord& a, const TCaptureRecord& b) { return a.TimeMs < b.TimeMs; });
  for (TCaptureRecord& r : replay) {
    if (r.Side != csInstrument || r.Bytes.empty()) continue;
    Enqueue(std::move(r.Bytes), false, FStartNs + static_cast<std::int64_t>(r.TimeMs * 1e6));
    FQueue.back().Whole = true;
  }
  FInstrument.Restart(FStartNs / 1000, PeriodMs());
  // The first frame ends the first display period, as the instrument's own display cycle does.
  FNextFrameNs = FStartNs + std::int64_t{PeriodMs()} * 1000000;
}

int TSession::PeriodMs() const {
  return FOptions.PeriodMs > 0 ? FOptions.PeriodMs : FInstrument.DisplayTimeMs();
}

std::int64_t TSession::RunEndNs() const { return FStartNs + std::int64_t{FOptions.RunMs} * 1000000; }

double TSession::SinceStartMs(std::int64_t nowNs) const { return static_cast<double>(nowNs - FStartNs) / 1e6; }

void TSession::Enqueue(std::vector<std::uint8_t> bytes, bool frame, std::int64_t notBeforeNs) {
  TChunk chunk;
  chunk.Bytes = std::move(bytes);
  chunk.Frame = frame;
  chunk.NotBeforeNs = notBeforeNs;
  FQueuedFrames += frame;
  FQueue.push_back(std::move(chunk));
}

void TSession::EnqueueFrame() {
  const long k = ++FFramesMade;
  auto every = [k](int n) { return n > 0 && k % n == 0; };
  std::string faults;
  auto fault = [&faults](const char* name) { faults += (faults.empty() ? "" : ",") + std::string(name); };
  std::array<std::uint8_t, 18> nibbles = FInstrument.FrameNibbles();
  if (every(FOptions.BadPointEvery)) {
    nibbles[16] = 3;  // two digits marked at once
    nibbles[17] = 0;
    fault("bad-point");
  }
  const std::uint8_t status = FInstrument.StatusByte();
  if (every(FOptions.CutEvery)) {
    const int kept = std::uniform_int_distribution<int>(1, 17)(FRandom);
    std::vector<std::uint8_t> cut{status};
    cut.insert(cut.end(), nibbles.begin(), nibbles.begin() + kept);
    Enqueue(std::move(cut), false);
    fault("after-cut");
  }
  std::vector<std::uint8_t> frame{status};
  frame.insert(frame.end(), nibbles.begin(), nibbles.end());
  Enqueue(std::move(frame), true);
  TChunk& sent = FQueue.back();
  if (every(FOptions.OverlongEvery)) {
    std::vector<std::uint8_t> run(kOverlongNibbles);
    std::uniform_int_distribution<int> nibble(0, 15);
    for (auto& b : run) b = static_cast<std::uint8_t>(nibble(FRandom));
    Enqueue(std::move(run), false);
    fault("overlong");
  }
  if (FOptions.GarbageBytes > 0) {
    std::vector<std::uint8_t> garbage(static_cast<std::size_t>(FOptions.GarbageBytes));
    std::uniform_int_distribution<int> any(0, 255);
    for (auto& b : garbage) b = static_cast<std::uint8_t>(any(FRandom));
    Enqueue(std::move(garbage), false);
    fault("garbage");
  }
  sent.Number = k;
  sent.Reading = DisplayText(FInstrument.Reading());
  sent.Faults = faults;
  sent.Gate = FInstrument.Gate();
  std::string state;
  auto add = [&state](bool on, const char* name) {
    if (on) state += (state.empty() ? "" : ",") + std::string(name);
  };
  add(FInstrument.Counting(), "counting");
  add(FInstrument.Memory(), "memory");
  add(FInstrument.Overflowed(), "overflow");
  sent.State = state;
  if (FOptions.Verbose) std::fprintf(stderr, "freqsim: frame %ld: %s\n", k, FInstrument.Describe().c_str());
}

void TSession::OnPanelBytes(const std::uint8_t* data, std::size_t size, std::int64_t nowNs) {
  FRecord.Add(SinceStartMs(nowNs), csPanel, data, size);
  if (FRelay != nullptr) {
    // The instrument's line is as fast as ours; a byte it cannot take now is lost, as on a wire.
    if (FRelay->Write(data, size) < 0 && FOptions.Verbose) {
      std::fprintf(stderr, "freqsim: relay write failed: %s\n", std::strerror(errno));
    }
    return;
  }
  if (!Simulating()) return;
  for (std::size_t i = 0; i < size; ++i) {
    if (!FInstrument.PressKey(data[i])) {
      if (FOptions.Verbose) std::fprintf(stderr, "freqsim: ignored byte %u\n", data[i]);
      continue;
    }
    // The reading follows the keys at once, and the answer is followed by a fresh frame.
    FInstrument.Restart(nowNs / 1000, PeriodMs());
    if (FOptions.Verbose) std::fprintf(stderr, "freqsim: key %u\n", data[i]);
    Enqueue({130}, false);
    EnqueueFrame();
    FNextFrameNs = nowNs + std::int64_t{PeriodMs()} * 1000000;
  }
}

bool TSession::Pump(std::int64_t nowNs) {
  while (!FQueue.empty()) {
    TChunk& chunk = FQueue.front();
    const bool whole = FOptions.Burst || chunk.Whole;
    const std::int64_t due = whole ? chunk.NotBeforeNs : std::max(chunk.NotBeforeNs, FNextByteNs);
    if (due > nowNs) return true;
    const std::size_t count = whole ? chunk.Bytes.size() - chunk.Sent : 1;
    long n = -1;
    errno = EAGAIN;  // a served line without a client: nobody takes the bytes
    if (FLine.Fd() >= 0) n = FLine.Write(chunk.Bytes.data() + chunk.Sent, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && FLine.Served() && errno != EAGAIN && errno != EWOULDBLOCK) {
      // The client's connection broke: the line waits for the next, this message is lost.
      FLine.DropClient(std::string("lost: ") + std::strerror(errno));
      errno = EAGAIN;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      std::fprintf(stderr, "freqsim: write to %s failed: %s\n", FLine.Path().c_str(), std::strerror(errno));
      return false;
    }
    if (n < 0) {
      // Nobody is taking the bytes and the line's buffer is full: like a wire with nobody
      // listening, the rest of this message is lost.
      chunk.Sent = chunk.Bytes.size();
    } else {
      FRecord.Add(SinceStartMs(nowNs), csInstrument, chunk.Bytes.data() + chunk.Sent, static_cast<std::size_t>(n));
      chunk.Sent += static_cast<std::size_t>(n);
      // Pace from the schedule, not from when we woke, so late wake-ups do not slow the line
      // below its rate; after an idle spell the schedule starts again from now.
      if (!whole) FNextByteNs = std::max(FNextByteNs, nowNs - kByteNs) + kByteNs;
    }
    if (chunk.Sent < chunk.Bytes.size()) continue;
    if (chunk.Frame) {
      --FQueuedFrames;
      if (n > 0) {
        ++FFramesSent;
        FSent.Add(chunk.Number, SinceStartMs(nowNs), chunk.Reading, chunk.Faults, chunk.Gate, chunk.State);
      }
    }
    FQueue.pop_front();
  }
  return true;
}

std::int64_t TSession::NextWakeNs(std::int64_t nowNs) const {
  std::int64_t wake = kNever;
  if (Simulating()) wake = FNextFrameNs;
  if (!FQueue.empty()) {
    const TChunk& chunk = FQueue.front();
    const bool whole = FOptions.Burst || chunk.Whole;
    wake = std::min(wake, whole ? chunk.NotBeforeNs : std::max(chunk.NotBeforeNs, FNextByteNs));
  }
  if (FOptions.RunMs > 0) wake = std::min(wake, RunEndNs());
  // Wake now and then even when idle, so the counting LED follows the measurement cycle.
  return std::max(nowNs, std::min(wake, nowNs + std::int64_t{100000000}));
}

void TSession::Linger(TSignalFlags& flags, const sigset_t& waitMask) {
  // Closing a pseudo-terminal discards what its peer has not read yet; give the peer a second.
  // The kernel hands written bytes to the peer's queue a moment after the write, so the queue
  // is looked at only after a short pause.
  const std::int64_t until = NowNs() + std::int64_t{1000000000};
  const timespec step{0, 30000000};
  do {
    ppoll(nullptr, 0, &step, &waitMask);
  } while (!flags.Stop && NowNs() < until && FLine.Unread() > 0);
}

int TSession::Run(TSignalFlags& flags, const sigset_t& waitMask) {
  std::uint8_t buffer[4096];
  for (;;) {
    if (flags.Stop) return 0;
    if (flags.ToggleRemote) {
      flags.ToggleRemote = 0;
      FInstrument.SetRemote(!FInstrument.Remote());
      if (FOptions.Verbose) std::fprintf(stderr, "freqsim: remote %s\n", FInstrument.Remote() ? "on" : "off");
    }
    std::int64_t now = NowNs();
    if (FOptions.RunMs > 0 && now >= RunEndNs()) {
      Linger(flags, waitMask);
      return 0;
    }
    if (Simulating()) {
      if (now >= FNextFrameNs) {
        // The frame shows the display as it was at its tick, so that the small lateness of a
        // wake-up never puts two frames into one hold of one period.  A loop late by a
        // quarter period or more (a loaded machine) shows the display as it is when the frame
        // goes, as an instrument that fell behind would, and counts the next period from then.
        const std::int64_t periodNs = std::int64_t{PeriodMs()} * 1000000;
        const std::int64_t sampleNs = 4 * (now - FNextFrameNs) < periodNs ? FNextFrameNs : now;
        FInstrument.Advance(sampleNs / 1000, PeriodMs());
        // A frame still waiting means the line is slower than the period: skip this one.
        if (FQueuedFrames == 0) EnqueueFrame();
        FNextFrameNs = sampleNs + periodNs;
      }
      FInstrument.Advance(now / 1000, PeriodMs());
    }
    if (!Pump(now)) return 1;
    if (FQueue.empty()) {
      const bool framesDone = FOptions.FrameLimit > 0 && FFramesSent >= FOptions.FrameLimit;
      const bool hangup = FOptions.HangupAfter > 0 && FFramesSent >= FOptions.HangupAfter;
      if (framesDone || hangup || FReplaying) {
        Linger(flags, waitMask);
        if (hangup) {
          FLine.Close();
          std::fprintf(stderr, "freqsim: hung up after %ld frames\n", FFramesSent);
        }
        return 0;
      }
    }

    pollfd fds[4] = {{FLine.Fd(), POLLIN, 0},
                     {FRelay ? FRelay->Fd() : -1, POLLIN, 0},
                     {FLine.CloseWatchFd(), POLLIN, 0},
                     {FLine.ListenFd(), POLLIN, 0}};
    now = NowNs();
    const std::int64_t waitNs = NextWakeNs(now) - now;
    const timespec timeout{static_cast<time_t>(waitNs / 1000000000), static_cast<long>(waitNs % 1000000000)};
    const int ready = ppoll(fds, 4, &timeout, &waitMask);
    if (ready < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "freqsim: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
    now = NowNs();
    if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
      const long n = FLine.Read(buffer, sizeof buffer);
      if (n > 0) {
        OnPanelBytes(buffer, static_cast<std::size_t>(n), now);
      } else if (FLine.Served() && (n == 0 || (errno != EAGAIN && errno != EINTR))) {
        FLine.DropClient(n == 0 ? "went away" : std::string("lost: ") + std::strerror(errno));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        std::fprintf(stderr, "freqsim: %s hung up\n", FLine.Path().c_str());
        return 1;
      }
    }
    if (fds[2].revents & POLLIN) FLine.OnPeerClosed();
    if (fds[3].revents & POLLIN) FLine.AcceptClient();
    if (FRelay != nullptr && (fds[1].revents & (POLLIN | POLLERR | POLLHUP))) {
      const long n = FRelay->Read(buffer, sizeof buffer);
      if (n > 0) {
        Enqueue(std::vector<std::uint8_t>(buffer, buffer + n), false);
        FQueue.back().Whole = true;
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        std::fprintf(stderr, "freqsim: %s hung up\n", FRelay->Path().c_str());
        return 1;
      }
    }
  }
}
