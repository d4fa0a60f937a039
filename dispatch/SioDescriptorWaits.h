// The waits the two descriptor layers share (the serial one, dispatch/SioPosix.h, and the
// socket one, dispatch/SioSocket.h): the event worker's notice of reads, and the output
// worker's wait for a descriptor that takes bytes again.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>

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

 private:
  std::unique_ptr<TEvent> Progress;  // auto reset; set by a read while Awaiting
  std::atomic<std::uint32_t> Generation{0};
  std::atomic<bool> Awaiting{false};
  bool Reported = false;  // event worker only
  std::uint32_t ReportedGeneration = 0;
};

enum TWriteWait : std::uint8_t { wwWritable, wwStop, wwClosed, wwHangUp };

// The output worker's wait until descriptor `fd` (read under `fdGuard`, held shared for the
// poll only) may take bytes: wwStop once it has taken the output stop signal, wwClosed when
// `closeSignal` is set or the descriptor is closed, wwHangUp when the descriptor hung up or
// failed.  `pollOut` false: a device that said writable and then refused again is given
// `timeoutMs`, not a spin; -1 waits without limit.
TWriteWait WaitWritable(TSioSysCalls& sys, TEvent& outputStop, TEvent& closeSignal, std::shared_mutex& fdGuard,
                        const int& fd, bool pollOut, int timeoutMs);
