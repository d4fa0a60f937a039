// The simulator's main loop: one thread, one poll, no blocking calls.  It feeds the line from
// a queue of messages, pacing bytes at the line rate or writing each message at once, and
// reacts to key codes, signals, limits and the injected faults.
#pragma once

#include <csignal>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "tools/simulator/Capture.h"
#include "tools/simulator/Instrument.h"
#include "tools/simulator/Line.h"
#include "tools/simulator/Options.h"
#include "tools/simulator/SentLog.h"

// Set by the signal handlers, read by the loop.
struct TSignalFlags {
  volatile std::sig_atomic_t Stop = 0;          // SIGINT, SIGTERM, SIGHUP
  volatile std::sig_atomic_t ToggleRemote = 0;  // SIGUSR1
};

class TSession {
 public:
  // relay is the real instrument's line in relay mode, else null.  replay holds the capture to
  // send in replay mode (empty otherwise).  sent is told of every frame sent whole.
  TSession(const TSimOptions& options, TLine& line, TCaptureWriter& record, TSentLog& sent, TLine* relay,
           std::vector<TCaptureRecord> replay);

  // Runs until a signal, a limit, the end of a replay or a line failure.  The signals that set
  // flags must be blocked by the caller; waitMask is the mask to wait with, in which they are
  // not blocked.  Returns the exit status: 0, or 1 when the line failed.
  int Run(TSignalFlags& flags, const sigset_t& waitMask);

 private:
  struct TChunk {
    std::vector<std::uint8_t> Bytes;
    std::size_t Sent = 0;
    std::int64_t NotBeforeNs = 0;
    bool Frame = false;   // counts as a complete frame once sent
    bool Whole = false;   // written at once even when pacing (replayed and relayed bytes)
    long Number = 0;      // a frame's: its number, reading and faults for the sent log
    std::string Reading;
    std::string Faults;
    long Gate = 0;        // the gate whose result the frame shows, and the instrument's state
    std::string State;
  };

  bool Simulating() const { return FRelay == nullptr && !FReplaying; }
  int PeriodMs() const;
  void Enqueue(std::vector<std::uint8_t> bytes, bool frame, std::int64_t notBeforeNs = 0);
  void EnqueueFrame();
  void OnPanelBytes(const std::uint8_t* data, std::size_t size, std::int64_t nowNs);
  bool Pump(std::int64_t nowNs);        // false when the line failed
  std::int64_t NextWakeNs(std::int64_t nowNs) const;
  void Linger(TSignalFlags& flags, const sigset_t& waitMask);
  double SinceStartMs(std::int64_t nowNs) const;
  std::int64_t RunEndNs() const;

  const TSimOptions& FOptions;
  TLine& FLine;
  TCaptureWriter& FRecord;
  TSentLog& FSent;
  TLine* FRelay;
  bool FReplaying;
  TInstrument FInstrument;
  std::mt19937 FRandom;
  std::deque<TChunk> FQueue;
  int FQueuedFrames = 0;
  long FFramesMade = 0;
  long FFramesSent = 0;
  std::int64_t FStartNs = 0;
  std::int64_t FNextFrameNs = 0;
  std::int64_t FNextByteNs = 0;
};
