// Command line of the instrument simulator.
#pragma once

#include <cstdint>
#include <string>

struct TSimOptions {
  // Attachment: a new pseudo-terminal (optionally with a named link to it), a serial device,
  // or a TCP server ([ADDRESS:]PORT, one client at a time).
  std::string LinkPath;
  std::string DevicePath;
  std::string ListenAddress;

  // Behaviour.
  int PeriodMs = 0;            // 0: the display time the keys choose
  bool Burst = false;          // one write per message instead of 9600-baud pacing
  bool Local = false;          // start with remote mode off
  double SignalHz = 10e6;      // the simulated input signal
  double NoisePpm = 0.1;       // its relative noise (standard deviation)
  std::uint32_t Seed = 1;      // noise and injected garbage
  long FrameLimit = 0;         // exit after this many complete frames; 0: no limit
  long RunMs = 0;              // exit after this many ms; 0: no limit
  bool Verbose = false;        // describe keys and frames on stderr

  // Faults; 0 leaves each off.
  int GarbageBytes = 0;        // random bytes after every frame
  int CutEvery = 0;            // every K-th frame cut short by a status byte
  int OverlongEvery = 0;       // every K-th frame followed by an over-long run of nibbles
  int BadPointEvery = 0;       // every K-th frame with an invalid decimal-point code
  long HangupAfter = 0;        // close the line after this many frames

  // Capture.
  std::string RecordPath;
  std::string SentPath;        // a line for every frame sent whole (tools/simulator/SentLog.h)
  std::string ReplayPath;
  std::string RelayPath;       // a real instrument to pass bytes to and from
};

enum TParseResult { prRun, prHelp, prVersion, prError };

// Fills options from argv; on prError, error says what is wrong.
TParseResult ParseOptions(int argc, char** argv, TSimOptions& options, std::string& error);

// The --help text.
const char* UsageText();
