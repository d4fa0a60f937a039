// The device layer for a serial line reached over TCP (the dlWinsock layer), chosen by the
// port for the paths tcp://HOST:PORT and rfc2217://HOST:PORT (dispatch/SioSocketPath.h).
// The dispatcher core, rings, triggers and workers are the same as over a serial device.
//
// Open: the name is looked up and connected to within 3 s in all (kConnectLimitMs); a name
// that does not resolve fails with ERROR_FILE_NOT_FOUND (2), a refused connection with the
// ECONNREFUSED number, no answer in time with the ETIMEDOUT number (platform/SysErrors.h).
// TCP_NODELAY: a key code goes out at once, not with the next one.
//
// rfc2217://: telnet with the COM-PORT-OPTION (dispatch/SioRfc2217.h).  Once the server has
// agreed to the option, the whole line set-up is sent (baud, data size, parity, stop size,
// flow control, DTR, RTS, and the masks that ask for modem-state and line-state
// notifications); after that each change is sent as it is made.  An input purge asks the
// server to purge its receive buffer, an output purge its transmit buffer.  The modem
// levels are the server's last NOTIFY-MODEMSTATE; line-state notifications become line
// errors (overrun, parity, framing, break) and the matching events.
//
// tcp://: the bytes as they are.  Settings are kept in the record and reach nobody; DTR and
// RTS likewise.  The modem lines read CTS, DSR and CD on while the connection is up (as over
// a cable to a device that is switched on), as does rfc2217:// until the server reports them.
//
// Events: the event worker polls the socket and the close signal; modem-state and line-state
// notifications, which the dispatch worker decodes as it reads, end the next wait.  The
// server closing the connection (or resetting it) fails the wait once what it sent has been
// read: the line is lost (ReportLineLost) with ERROR_GRACEFUL_DISCONNECT for a close, the
// socket's error for a reset, and the port's owner reconnects as for a pulled adapter.
//
// Bounds: whatever a server sends, what we hold for it is bounded by what each buffer holds.
// One read takes at most the room the input ring gives it off the socket, however fast the
// server sends (dispatch/SioSocketRead.h), so negotiation without pause and its answers cost
// no more than that per read; answers a server does not take are dropped once 1 MiB waits,
// before they are queued.  A subnegotiation with no IAC SE within 64 bytes is dropped and
// decoding goes on after it (dispatch/SioRfc2217.h); the dispatch log records the drop as
// kind Telnet, subkind Command, with the option as data and its first bytes.
//
// Output: a block queued while the output ring is empty is sent at once on the caller's
// thread (never waiting); the output worker sends the rest, each run of the ring at a time
// (doubling IAC over telnet).  While an RFC 2217 server has suspended the flow
// (FLOWCONTROL-SUSPEND) no data is sent: it waits in the output ring (OutUsed counts it)
// until FLOWCONTROL-RESUME wakes the output worker.  Commands still go out meanwhile.
// Telnet bytes (data, commands, negotiation answers) go through one send queue under
// SendGuard, so a command never lands inside an escaped data run; what the socket does not
// take waits there for the output worker, which waits in poll() for the socket to become
// writable.  A send that fails (the connection is gone) marks the line lost.
//
// Locks, innermost last: InputLock -> CodecGuard -> LineGuard -> SendGuard -> FdGuard;
// MainLock -> LineGuard -> SendGuard; OutputLock -> SendGuard (a write into an empty ring).
// Nothing takes OutputLock, LineGuard or CodecGuard under SendGuard, and the output worker
// lets go of SendGuard before it advances the ring.  FdGuard is taken shared once, never
// twice by one thread (a waiting close would block the second).  None of them is held while
// a thread waits for another.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "dispatch/SioDescriptorWaits.h"
#include "dispatch/SioDispatch.h"
#include "dispatch/SioRfc2217.h"
#include "dispatch/SioSocketPath.h"

constexpr int kConnectLimitMs = 3000;

class TSioSocketDispatcher : public TSioBaseDispatcher {
 public:
  explicit TSioSocketDispatcher(TSioCustomComPort* port);
  ~TSioSocketDispatcher() override;
  int DeviceEscape(int function) override;
  int DevicePurge(int queue) override;
  std::uint32_t DeviceReadStatus(TDeviceStatus& status) override;
  int DeviceGetSettings(TDeviceSettings& settings) override;
  int DeviceRead(std::uint8_t* buffer, std::uint32_t count) override;
  int DeviceSetSettings(const TDeviceSettings& settings) override;
  bool DeviceWaitEvent(std::uint32_t& eventWord) override;
  int DeviceOpen(const std::string& name, std::uint32_t inSize, std::uint32_t outSize) override;
  int DeviceClose() override;

  // rfc2217:// only, any thread: whether the server agreed to the COM-PORT-OPTION, and the
  // baud rate and data size it says it applied (0 before it said so).
  bool ComPortAgreed() const { return FAgreed.load(); }
  std::uint32_t ServerBaudRate() const { return FServerBaud.load(); }
  std::uint8_t ServerDataSize() const { return FServerDataSize.load(); }

 protected:
  std::uint32_t DeviceModemLevels() override;
  std::uint32_t DeviceReadLineErrors() override;
  void DrainOutputRing() override;
  std::uint32_t WriteAtOnce(const std::uint8_t* bytes, std::uint32_t count, bool& gone) override;

 private:
  // What was last sent to the server of the line set-up; -1: nothing yet.
  struct TSentLine {
    std::int64_t Baud = -1;
    int DataSize = -1, Parity = -1, StopSize = -1, Flow = -1, Dtr = -1, Rts = -1;
  };

  int Connect(const TSocketPath& path);
  void CancelDeviceWait() override;
  // Under SendGuard: sends what the queue holds as far as the socket takes it now.  False
  // when the connection failed.
  bool FlushSendQueueLocked();
  // Under SendGuard: sends `count` data bytes as far as the socket takes them now; over
  // telnet they are escaped into the send queue and taken whole.  `failed`: the connection
  // is gone; `queued`: something waits for a writable socket.  False when the line is closed
  // (nothing sent).
  bool SendDataLocked(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t& taken, bool& failed,
                      bool& queued);
  // Queues telnet bytes and sends what the socket takes; the output worker sends the rest.
  void SendTelnet(const std::vector<std::uint8_t>& bytes);
  // Under LineGuard, once agreed: the commands for what differs from what was sent.
  void SendLineChanges();
  // Takes what the decoder saw into the atomics the other threads read (under CodecGuard).
  void PublishCodecState();
  int BytesWaiting();
  // The first socket error seen (errno), kept for the report of the loss: a reset stays a
  // reset even once the socket no longer holds the error.
  void NoteEndError(int err);
  // Why the connection ended: that error, else the server closed it (ERROR_GRACEFUL_DISCONNECT).
  int EndError() const;

  bool FTelnet = false;
  std::shared_mutex FdGuard;        // DeviceClose exclusive; every call on the socket shared
  std::unique_ptr<TEvent> CloseSignal;  // manual reset: completes the workers' waits

  std::mutex CodecGuard;
  TRfc2217Codec Codec;              // under CodecGuard
  std::uint32_t FDroppedSubsLogged = 0;  // under CodecGuard: the codec's count when last logged

  std::mutex LineGuard;
  TDeviceSettings Applied;          // under LineGuard: the settings record as last set
  bool DtrWanted = false, RtsWanted = false;  // under LineGuard
  TSentLine Sent;                   // under LineGuard
  std::atomic<bool> FAgreed{false};  // the server agreed to the COM-PORT-OPTION

  std::mutex SendGuard;
  std::vector<std::uint8_t> SendQueue;  // under SendGuard: telnet bytes not yet taken by the socket

  std::atomic<std::uint32_t> FModemLevels{0};   // high nibble as ModemState
  std::atomic<std::uint32_t> FStatusErrors{0};  // CE_ bits not yet taken by DeviceReadStatus
  std::atomic<std::uint32_t> FEventErrors{0};   // CE_ bits not yet taken by the event worker
  std::atomic<int> FEndError{0};               // see NoteEndError
  std::atomic<bool> FSuspended{false};         // the server sent FLOWCONTROL-SUSPEND, not yet RESUME
  std::atomic<std::uint32_t> FServerBaud{0};
  std::atomic<std::uint8_t> FServerDataSize{0};
  TReadNotice Reads;  // told of every read that took bytes and of an input purge
  // Event worker only.
  std::uint32_t LastLevels = 0;
};
