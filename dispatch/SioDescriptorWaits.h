// The waits the two descriptor layers share (the serial one, dispatch/SioPosix.h, and the
// socket one, dispatch/SioSocket.h): the event worker's notice of reads, and the output
// worker's wait for a descriptor that takes bytes again.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <shared_mutex>

#include "dispatch/SioArrivalTimes.h"
#include "dispatch/SioSysCalls.h"
#include "platform/Sync.h"

// Bytes waiting on a descriptor are announced to the dispatch worker once (EV_RXCHAR).  While
// the input ring is full they stay unread, and announcing them on every wait would spin the
// event worker; so until a read is made the event worker watches only the descriptor's end
// and this notice's event, which the next read sets.
//
// The event worker's loop: readsBefore = ReadsNow() before each poll; while the bytes are
// stale, BeginStaleWait() before the poll (watch Fd() instead of the bytes) and EndStaleWait()
// after it; Announce(readsBefore) for bytes the poll saw waiting.
class TReadNotice {
 public:
  // The owner, at open (no worker running).  Throws std::bad_alloc when no event can be had.
  void Make();
  // The owner, at open: a new descriptor, nothing announced yet.
  void Restart();
  // Any thread, after a read that took bytes and after an input purge.
  void NoteRead();

  // Event worker only.  Taken before the poll: a read made between the poll and a later look
  // would otherwise count as made before the bytes this poll saw, and newer bytes could pass
  // for them.
  std::uint32_t ReadsNow() const { return Generation.load(); }
  // False when a read was made since the announcement (the bytes are news again, and the
  // poll is to watch them); else the next read sets Fd().
  bool BeginStaleWait();
  void EndStaleWait();
  int Fd() const { return Progress->Fd(); }
  // Bytes a poll begun at `readsBefore` saw waiting: true, and noted as announced, when they
  // were not announced before.
  bool Announce(std::uint32_t readsBefore);
  // Whether Announce(readsBefore) would announce.
  bool Fresh(std::uint32_t readsBefore) const { return !Reported || readsBefore != ReportedGeneration; }

 private:
  std::unique_ptr<TEvent> Progress;  // auto reset; set by a read while Awaiting
  std::atomic<std::uint32_t> Generation{0};
  std::atomic<bool> Awaiting{false};
  bool Reported = false;  // event worker only
  std::uint32_t ReportedGeneration = 0;
};

// A receive latency (the port's ReceiveLatencyMs): instead of announcing the first bytes of a
// slow line at once, and every byte after them on its own (a wake of both workers and a
// delivery to the owner's thread per byte at 9600 baud), the event worker lets them gather in
// the device until the line has been quiet for QuietNs (eight character times, at least 1 ms:
// a peer that feeds a pseudo-terminal byte by byte is not always on time), or the first of
// them has waited LimitNs, or Enough bytes wait; then it announces them all at once.
struct TGatherRule {
  std::int64_t LimitNs = 0;  // 0: off, bytes are announced as they come
  std::int64_t QuietNs = 0;
  std::int64_t CharacterNs = 0;  // one character's time on the line; 0 when not known
  std::uint32_t Enough = 0;
};

// What one gather saw: the device's count of waiting bytes each time it grew, and when.
struct TGatherSeen {
  struct TSeen {
    std::uint32_t Waiting = 0;
    std::int64_t Ns = 0;
  };
  // Reads made before the first count (TReadNotice::ReadsNow): the counts tell of the bytes
  // after the last read only while no read has been made since.
  std::uint32_t Reads = 0;
  std::size_t Count = 0;
  // As many as the read that takes the bytes keeps notes of.
  std::array<TSeen, TSioArrivalTimes::kGatherNotes> Seen{};
};

enum TGatherEnd : std::uint8_t { geGathered, geClosed };

// The event worker, after a poll of descriptor `fd` (read under `fdGuard`, held shared for
// each wait) saw bytes that are news: lets them gather by `rule`.  Each wait is a ppoll of at
// most QuietNs on `closeSignal` and on `fd` with `endEvents` (what tells its end: hang-up and
// errors always, POLLRDHUP for a socket), so a close or halt (the close signal) ends it at
// once with geClosed, and a hang-up or error ends it at once with geGathered: the bytes are
// announced, and the next wait sees the end as it would have without the gather.  A read
// made meanwhile (a pass took what a full ring had left in the device) or a failed count
// also end it.  Until then
// the worker sleeps between counts (FIONREAD), so a frame costs a few timed wakes of this
// worker alone.  `seen` gets the counts.  The first is timed by the poll's own wake.  The k
// bytes a later count adds came during the wait before it, and on a line that carries bytes
// at its rate they came one character time apart right after the bytes counted before (a
// stream goes on until it pauses): the newest is timed k - 1/2 character times after the
// last count, which is within half a character time of its arrival.  Where bytes come in
// bursts (a pseudo-terminal, an adapter's latency timer) the time is at most QuietNs late,
// and a lone byte that came late in a wait is timed up to QuietNs early.
TGatherEnd GatherBytes(TSioSysCalls& sys, TEvent& closeSignal, std::shared_mutex& fdGuard, const int& fd,
                       short endEvents, const TReadNotice& reads, const TGatherRule& rule, TGatherSeen& seen);

enum TWriteWait : std::uint8_t { wwWritable, wwStop, wwClosed, wwHangUp };

// The output worker's wait until descriptor `fd` (read under `fdGuard`, held shared for the
// poll only) may take bytes: wwStop once it has taken the output stop signal, wwClosed when
// `closeSignal` is set or the descriptor is closed, wwHangUp when the descriptor hung up or
// failed.  `pollOut` false: a device that said writable and then refused again is given
// `timeoutMs`, not a spin; -1 waits without limit.
TWriteWait WaitWritable(TSioSysCalls& sys, TEvent& outputStop, TEvent& closeSignal, std::shared_mutex& fdGuard,
                        const int& fd, bool pollOut, int timeoutMs);
