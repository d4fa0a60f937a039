// Runs the instrument simulator as a child process and plays the front panel's end of its line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/LinkDecoder.h"

// Path of the simulator executable (compile definition FREQSIM_PATH).
std::string SimulatorPath();

struct TTimedByte {
  std::uint8_t Byte;
  std::int64_t AtNs;  // monotonic clock when the test read it
};

// A run of the stream from one byte of 16 or more up to the next.
struct TSegment {
  int Status = -1;  // -1 for nibbles before the first status byte
  std::vector<std::uint8_t> Nibbles;
};
std::vector<TSegment> Segments(const std::vector<TTimedByte>& bytes);
// The complete frames (status byte and exactly 18 nibbles) of the stream.
std::vector<TSegment> CompleteFrames(const std::vector<TTimedByte>& bytes);

// A non-blocking TCP connection to tcp://ADDRESS:PORT (IPv6 in brackets); -1 if it fails.
int ConnectTcp(const std::string& url);

// A unique path in the temporary folder.
std::string TempPath(const std::string& name);

// Result of a run to completion.
struct TRunResult {
  int Status = -1;  // exit status, or -1 when it did not end within the limit
  std::string Out;
  std::string Err;
};
// Runs the simulator with args and waits (up to timeoutMs) for it to end.
TRunResult RunSimulator(const std::vector<std::string>& args, int timeoutMs = 5000);
// Runs the program at `path` with args, with neither DISPLAY nor QT_QPA_PLATFORM in its
// environment, calls whileRunning (when given) once it has started, then waits up to timeoutMs
// for it to end.  Its output is read only after whileRunning has returned, so a program that
// writes much meanwhile should write to a file.
TRunResult RunProgram(const std::string& path, const std::vector<std::string>& args, int timeoutMs = 5000,
                      const std::function<void(int pid)>& whileRunning = {});

class TSimulatorProcess {
 public:
  // Starts the simulator and reads the line path it prints first (empty if none came in 5 s).
  explicit TSimulatorProcess(const std::vector<std::string>& args);
  ~TSimulatorProcess();
  TSimulatorProcess(const TSimulatorProcess&) = delete;
  TSimulatorProcess& operator=(const TSimulatorProcess&) = delete;

  const std::string& Path() const { return FPath; }
  int Pid() const { return FPid; }

  // Opens the printed path as the panel does (non-blocking); false if it cannot.
  bool OpenLine();
  // Connects to the printed tcp://ADDRESS:PORT (--listen) as its client; false if it cannot.
  bool ConnectLine();
  void CloseLine();
  void Send(std::uint8_t byte);

  // Reads until done(Received()) holds, the line hangs up or timeoutMs passes; returns done's
  // last value.
  bool ReadUntil(const std::function<bool(const std::vector<TTimedByte>&)>& done, int timeoutMs = 5000);
  const std::vector<TTimedByte>& Received() const { return FReceived; }
  bool HungUp() const { return FHungUp; }

  // Sends sig and waits for the exit status (-1 if it did not end in 5 s).
  int Stop(int sig);
  // Waits for the exit status without a signal.
  int Wait(int timeoutMs = 5000);
  // Everything the simulator wrote on stderr (complete once it has ended).
  std::string Err();

 private:
  int FPid = -1;
  int FOut = -1;
  int FErrFd = -1;
  int FLine = -1;
  int FStatus = -1;
  bool FHungUp = false;
  std::string FPath;
  std::string FErr;
  std::vector<TTimedByte> FReceived;
};

// Feeds received bytes [from, end) to the decoder one by one, as the panel does.
void FeedDecoder(TLinkState& state, TPanelSink& sink, const std::vector<TTimedByte>& bytes,
                 std::size_t from = 0);
