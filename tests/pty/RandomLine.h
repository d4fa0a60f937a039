// The far end of a line for the randomized port test: a pseudo-terminal, or a TCP server on
// 127.0.0.1 (a tcp:// line), whose peer writes numbered bytes at changing rates, reads (or
// stops reading) what the port sends, and can hang up; and the checks that every byte of each
// direction arrives once and in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/LoopbackListener.h"
#include "support/TestPty.h"

// Byte `index` of a numbered stream.  Records of four bytes: record n is 0x80 | (n >> 21),
// then n >> 14, n >> 7 and n, each of the last three 7 bits wide.  Any four received bytes
// therefore tell where in the stream they are (up to 2^28 records).
std::uint8_t NumberedByte(std::uint64_t index);
void FillNumbered(std::uint64_t from, std::uint8_t* out, std::size_t count);

// One direction of one line, checked as it is received.  Every byte must come once and in
// order, except that a gap - a purge or a close on our side - may drop runs of the bytes sent
// before it ended.  After a gap, until a byte sent after its end has come ("landing"), the
// bytes are checked by whole records: each record must come after the last one, and while no
// gap is open, a jump may land no later than the first record sent after the gap ended.  Then
// every byte is checked again.  Thread-safe.
class TStreamCheck {
 public:
  explicit TStreamCheck(std::string name);
  void Received(const std::uint8_t* bytes, std::size_t count);
  void BeginGap();
  // `sent`: bytes sent, or possibly sent, when the gap ended.
  void EndGap(std::uint64_t sent);
  // Whether the first `sent` bytes have all been received.  Not while landing: a gap may have
  // dropped the last bytes sent, which only a byte sent later can tell.
  bool Complete(std::uint64_t sent) const;
  bool Landing() const;
  std::uint64_t Count() const;
  std::string Failure() const;

 private:
  void Land(std::uint8_t byte);  // under FLock
  void Fail(const std::string& what);
  void Note(const std::string& what);

  const std::string FName;
  mutable std::mutex FLock;
  std::uint64_t FNext = 0;           // index of the next byte expected (landing: the least one)
  int FOpenGaps = 1;                 // a stream starts with no port on it: a gap
  bool FLanding = true;
  std::uint64_t FLimit = 0;          // the first byte sent after the last gap ended
  std::uint8_t FRecord[4] = {};      // landing: the record being gathered
  std::size_t FRecordBytes = 0;
  std::uint64_t FJump = 0;           // landing: a record away from FNext, not yet followed
  bool FJumpPending = false;
  std::string FFailure;
  std::vector<std::string> FHistory;  // the last events, for a failure report
  std::string FLastBytes;             // the last bytes received, in hex, '|' between deliveries
};

// Both directions of one line, from its creation until it is hung up.
struct TLineStreams {
  explicit TLineStreams(unsigned number);
  TStreamCheck In;   // far end -> port
  TStreamCheck Out;  // port -> far end
  std::atomic<std::uint64_t> Reserved{0};  // bytes the far end may have written (an upper bound)
  std::atomic<std::uint64_t> Written{0};   // bytes it surely wrote
  std::uint64_t Queued = 0;                // bytes the port accepted for the far end (main thread)
  std::atomic<bool> Dead{false};           // hung up: nothing more is owed
  bool Attached = false;                   // a port has the line open (main thread)
};

// The peer of port `number`: SetPortDevicePath points the number at its pseudo-terminal, or
// at its server (`socket`).  A server serves the connection it accepted last: a new one
// replaces the one before (a port opening the line again), and one the port closed is closed
// here too.
class TFarEnd {
 public:
  TFarEnd(unsigned number, std::uint64_t seed, bool socket = false);
  ~TFarEnd();
  TFarEnd(const TFarEnd&) = delete;
  TFarEnd& operator=(const TFarEnd&) = delete;

  unsigned Number() const { return FNumber; }
  std::shared_ptr<TLineStreams> Streams() const { return FStreams; }
  // Bursts of 1..burst bytes with `pauseUs` between them.
  void SetRate(std::size_t burst, unsigned pauseUs);
  void StallWriter(bool on) { FWriterStalled = on; }
  void StallReader(bool on) {
    FReaderStalled = on;
    if (!on) FStallEnd = 0;
  }
  // Stops reading for `ms`, then reads again by itself.
  void StallReaderFor(unsigned ms);
  // Asks the writer to stop once it has written `atLeast` bytes (a byte after every gap so
  // far, for a line whose port reads), or to go on.  WriterIdle: it stopped, Written == Reserved.
  void PauseWriter(bool on, std::uint64_t atLeast = 0);
  bool WriterIdle() const { return FWriterIdle; }
  // The peer goes away; a new pseudo-terminal with fresh streams takes the number.
  void HangUp();
  // Whether descriptor `fd` is this line's device (now): the pty's slave, or the port's end of
  // the connection served now.
  bool IsDevice(int fd) const;
  // The line for a report: its device and the bytes waiting in it for the port.
  std::string Describe() const;
  // Bytes moved either way so far (for the watchdog).
  unsigned long long Moved() const { return FMoved.load(); }

 private:
  void Start();
  void Stop();
  void WriteLoop();
  void ReadLoop();
  void AcceptLoop();
  // Runs io(fd) on the far end's descriptor (-1 when a server has no connection), which
  // stays open meanwhile; a server's connection that io says has ended is closed.
  template <typename F>
  ssize_t WithPeer(F&& io);

  const unsigned FNumber;
  std::mt19937_64 FRandom;
  std::unique_ptr<TTestPty> FPty;                 // a pty line
  std::unique_ptr<TLoopbackListener> FListener;   // a tcp:// line
  mutable std::mutex FConnectionLock;
  int FConnection = -1;                           // under FConnectionLock
  std::thread FAcceptor;
  std::atomic<bool> FAcceptorStop{false};
  std::atomic<std::int64_t> FStallEnd{0};         // steady clock, ns; 0 none
  std::shared_ptr<TLineStreams> FStreams;
  std::atomic<std::size_t> FBurst{64};
  std::atomic<unsigned> FPauseUs{500};
  std::atomic<bool> FWriterStalled{false}, FReaderStalled{false}, FPaused{false}, FWriterIdle{false};
  std::atomic<std::uint64_t> FPauseAt{0};
  std::atomic<bool> FStop{false};
  std::atomic<unsigned long long> FMoved{0};
  std::thread FWriter, FReader;
};
