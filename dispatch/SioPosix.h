// The native device layer over POSIX serial devices (real UARTs, USB adapters and
// pseudo-terminals).  Selected by the port's dlWin32 device layer.
//
// Device: open(O_RDWR | O_NOCTTY | O_NONBLOCK), exclusive through flock (a device held by
// another process fails with ERROR_ACCESS_DENIED, 5) and TIOCEXCL, raw mode at once.  Reads
// never block.  The settings record maps to termios (SioTermios); DTR and RTS are set with
// TIOCMBIS / TIOCMBIC; a device without modem lines (a pseudo-terminal: ENOTTY) is not an
// error, it simply reports no lines.  Queue sizes are recorded only.
//
// Device events (event worker): poll() on the descriptor and on a close signal.  Received
// bytes are reported once per arrival: bytes still waiting in the device that were reported
// before and not read since (the input ring is full) are not reported again until a read
// takes bytes from the device, so the workers never spin on them; whoever frees the full
// ring asks the dispatch worker for the pass that reads them.  Modem-line changes (TIOCMGET)
// and line errors and
// breaks (TIOCGICOUNT deltas) are sampled every 20 ms where the device supports them.  An
// empty event mask (DeviceClose, HaltWorkers) completes the wait with no bits.  Hang-up,
// POLLERR or POLLNVAL with nothing new to read fail the wait: the line is lost for good, the
// event worker reports it (ReportLineLost) and ends; the dispatch worker still reads what the
// device holds on its 50 ms passes until the owner closes the line.
//
// Output: a block queued while the output ring is empty goes to the device at once, with
// one write() on the caller's thread that never waits (the descriptor does not block); what
// the device does not take (all of it, when the write fails) is queued for the output worker.
// The output worker writes each run of the output ring with one write(); on EAGAIN it waits
// in poll() for the descriptor to become writable (POLLOUT stands for the completion of a
// pending write, WriteDoneEvent), for OutputStopSignal (leave the drain and acknowledge) or
// for the close signal (leave the drain).  A write that fails on a line that still works
// drops the run; one refused by a device that hung up keeps it queued and marks the line lost
// (WriteBlock then refuses), and the event worker's failed wait reports it.
//
// Every system call goes through the TSioSysCalls seam.  EINTR is retried everywhere.  The
// descriptor is guarded so that DeviceClose never closes it under a worker's call (a closed
// descriptor number could otherwise be reused by another open in the meantime).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "dispatch/SioDescriptorWaits.h"
#include "dispatch/SioDispatch.h"

class TSioSysCalls;

// A class derived from this one closes the line in its own destructor (ShutDown) unless
// the line is closed before it is destroyed: the workers call the virtual operations until
// they are stopped, and must not meet a half-destroyed object.
class TSioPosixDispatcher : public TSioBaseDispatcher {
 public:
  explicit TSioPosixDispatcher(TSioCustomComPort* port);
  ~TSioPosixDispatcher() override;
  // Device operations: see TSioBaseDispatcher.
  int DeviceEscape(int function) override;
  int DevicePurge(int queue) override;
  std::uint32_t DeviceReadStatus(TDeviceStatus& status) override;
  int DeviceGetSettings(TDeviceSettings& settings) override;
  int DeviceRead(std::uint8_t* buffer, std::uint32_t count) override;
  int DeviceSetSettings(const TDeviceSettings& settings) override;
  bool DeviceWaitEvent(std::uint32_t& eventWord) override;
  int DeviceOpen(const std::string& name, std::uint32_t inSize, std::uint32_t outSize) override;
  int DeviceClose() override;

  // Replaces the system-call seam; call before OpenLine (tests inject faults with it).
  void SetSysCalls(TSioSysCalls& calls) { Sys = &calls; }

 protected:
  std::uint32_t DeviceModemLevels() override;
  std::uint32_t DeviceReadLineErrors() override;
  void DrainOutputRing() override;
  // Probes the modem lines and error counters of an open descriptor and reads its settings
  // into the shadow record.  False when it is not a terminal device.
  bool AdoptDescriptor(int fd);
  // The close signal (the empty event mask) and the layer's own read signal; false when
  // they cannot be created.
  bool MakeCloseSignal();

  TSioSysCalls* Sys;

 private:
  struct TLineCounts {
    int Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufOverrun = 0;
  };
  int Flush(int queue);
  std::uint32_t WriteAtOnce(const std::uint8_t* bytes, std::uint32_t count, bool& gone) override;
  // FIONREAD, or -1 when the device cannot say.
  int BytesWaiting();
  bool ReadCounts(TLineCounts& counts);
  bool ReadCountsOf(int fd, TLineCounts& counts);
  std::uint32_t LineEvents();
  // Whether the device reports hang-up or an error right now (it is gone, not just busy).
  bool DeviceHungUp();
  void CancelDeviceWait() override;

  // DeviceClose takes it exclusively; every call on the descriptor holds it shared.
  std::shared_mutex FdGuard;
  // Set by DeviceClose and HaltWorkers: completes the event worker's wait and the output
  // worker's wait for writability.  Manual reset; lives until the dispatcher is destroyed.
  std::unique_ptr<TEvent> CloseSignal;
  std::mutex SettingsGuard;
  TDeviceSettings Applied;             // the settings last written (or read at open)
  bool Rs485Applied = false;           // under SettingsGuard
  std::atomic<bool> ModemLines{false};  // TIOCMGET works
  std::atomic<bool> Counters{false};    // TIOCGICOUNT works
  // Event worker only.
  int LastModemBits = 0;
  TLineCounts EventCounts;
  // Under OutputLock (DeviceReadStatus).
  TLineCounts StatusCounts;
  // Told of every read that took bytes and of an input purge.
  TReadNotice Reads;
};

// The same device layer over a descriptor that another service has already opened.  The
// dispatcher takes the descriptor over and closes it with the line.
class TSioTAPI32Dispatcher : public TSioPosixDispatcher {
 public:
  TSioTAPI32Dispatcher(TSioCustomComPort* port, int openDescriptor);
  ~TSioTAPI32Dispatcher() override;
  // Returns the descriptor; -2007 (last error 2007) when it was given none (0 or negative).
  int DeviceOpen(const std::string& name, std::uint32_t inSize, std::uint32_t outSize) override;
};
