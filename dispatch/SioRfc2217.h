// The telnet side of a serial line reached over the network with the COM-PORT-OPTION
// (RFC 2217): what a device server sends is split into the line's data bytes, option
// negotiation (answered here), and the server's notifications; what the dispatcher wants of
// the line (baud, data size, parity, stop size, DTR, RTS, purges) becomes bytes to send.
//
// Pure: no system calls, no clock, no threads.  Bytes go in, data, replies and state come
// out, so the codec can be tested and fuzzed on its own.  One object per connection; not
// thread-safe (the socket layer guards it).
//
// Negotiation.  We offer WILL COM-PORT-OPTION, WILL and DO BINARY and SUPPRESS-GO-AHEAD
// (Start).  Requests for those options are agreed to, every other option is refused (WONT
// or DONT), and a request for a state already in force is not answered, so two parties can
// never ping-pong (RFC 854, RFC 1143).  ECHO from the server is refused: a device server
// has no business echoing the instrument's key codes.
//
// The stream is taken as eight-bit clean whatever BINARY's outcome: a device server copies
// the serial line's bytes; CR NUL is not folded (a NUL after a CR is the instrument's data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telnet {
constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250;
constexpr std::uint8_t SE = 240, NOP = 241;
constexpr std::uint8_t OptBinary = 0, OptEcho = 1, OptSuppressGoAhead = 3, OptComPort = 44;
}  // namespace telnet

// Client-to-server commands of the COM-PORT-OPTION; the server answers each with its code +
// 100 and the value it has applied.
enum TComPortCommand : std::uint8_t {
  cpcSignature = 0,
  cpcSetBaudRate = 1,      // 4 bytes, network order; 0 asks for the current rate
  cpcSetDataSize = 2,      // 5..8; 0 asks
  cpcSetParity = 3,        // 1 none, 2 odd, 3 even, 4 mark, 5 space; 0 asks
  cpcSetStopSize = 4,      // 1 one, 2 two, 3 one and a half; 0 asks
  cpcSetControl = 5,       // see TComPortControl
  cpcNotifyLineState = 6,
  cpcNotifyModemState = 7,
  cpcFlowControlSuspend = 8,
  cpcFlowControlResume = 9,
  cpcSetLineStateMask = 10,
  cpcSetModemStateMask = 11,
  cpcPurgeData = 12,       // 1 receive buffer, 2 transmit buffer, 3 both
};
constexpr std::uint8_t kServerReply = 100;

enum TComPortControl : std::uint8_t {
  ctlNoFlow = 1, ctlXonXoff = 2, ctlHardwareFlow = 3,
  ctlBreakOn = 5, ctlBreakOff = 6,
  ctlDtrOn = 8, ctlDtrOff = 9,
  ctlRtsOn = 11, ctlRtsOff = 12,
};

// Line-state bits of NOTIFY-LINESTATE.
constexpr std::uint8_t lsOverrun = 0x02, lsParity = 0x04, lsFraming = 0x08, lsBreak = 0x10;
// Modem-state bits of NOTIFY-MODEMSTATE: levels in the high nibble (CTS 0x10, DSR 0x20,
// RI 0x40, CD 0x80), changes in the low one, the same layout as the dispatcher's ModemState.

class TRfc2217Codec {
 public:
  // The opening offers, appended to `out`.
  void Start(std::vector<std::uint8_t>& out);

  // Decodes `count` received bytes.  The data bytes go to `data` (room for `count` bytes:
  // data is never longer than its input) and their number is returned; answers to the
  // server's negotiation are appended to `replies`.  A command split across calls is kept
  // and completed by the next call.  `data` may be `in` itself (decoding in place).  A
  // subnegotiation with no end within kMaxSub bytes is dropped (DroppedSubnegotiations), and
  // what follows is decoded as if it had not begun: an end lost on the way must not swallow
  // the instrument's data for good.
  std::size_t Decode(const std::uint8_t* in, std::size_t count, std::uint8_t* data,
                     std::vector<std::uint8_t>& replies);

  // Data to send: every IAC doubled.
  static void EscapeData(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& out);
  // A COM-PORT-OPTION command with its value (IAC in the value doubled).
  static void Command(TComPortCommand command, const std::uint8_t* value, std::size_t length,
                      std::vector<std::uint8_t>& out);
  static void SetBaudRate(std::uint32_t baud, std::vector<std::uint8_t>& out);
  static void SetByte(TComPortCommand command, std::uint8_t value, std::vector<std::uint8_t>& out);

  // The server has agreed to the COM-PORT-OPTION (it answered WILL COM-PORT-OPTION with DO).
  bool ComPortAgreed() const { return FLocal[telnet::OptComPort]; }
  bool LocalEnabled(std::uint8_t option) const { return FLocal[option]; }
  bool RemoteEnabled(std::uint8_t option) const { return FRemote[option]; }

  // The last NOTIFY-MODEMSTATE (levels and change bits), and whether any came.
  std::uint8_t ModemState() const { return FModemState; }
  bool ModemStateKnown() const { return FModemStateKnown; }
  // The NOTIFY-LINESTATE bits seen since the last call (ORed), cleared by the call.
  std::uint8_t TakeLineState();
  // Notifications counted since the start (the socket layer turns a change into an event).
  std::uint32_t Notifications() const { return FNotifications; }
  // The server's answers to the SET commands: the value it applied, 0 before any answer.
  std::uint32_t ServerBaudRate() const { return FServerBaud; }
  std::uint8_t ServerValue(TComPortCommand command) const { return command < 16 ? FServerValue[command] : 0; }
  // The server asked us to stop sending data (FLOWCONTROL-SUSPEND), until it resumes.
  bool SendingSuspended() const { return FSuspended; }
  // Subnegotiations dropped since the start because no IAC SE came within kMaxSub bytes (the
  // decoding went on as data from there), and the first kMaxSub bytes of the last one dropped
  // (its option first).
  std::uint32_t DroppedSubnegotiations() const { return FDroppedSubs; }
  const std::uint8_t* LastDroppedSubnegotiation() const { return FDropped; }

  static constexpr std::size_t kMaxSub = 64;  // a longer subnegotiation is dropped

 private:
  enum TState : std::uint8_t { stData, stIac, stOption, stSub, stSubIac };
  void Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& replies);
  void SubNegotiation();
  static void Send(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out);

  TState FState = stData;
  std::uint8_t FVerb = 0;
  std::uint8_t FSub[kMaxSub] = {};
  std::size_t FSubLength = 0;
  std::uint32_t FDroppedSubs = 0;
  std::uint8_t FDropped[kMaxSub] = {};
  // Option states: enabled, and a request of ours not yet answered.
  bool FLocal[256] = {};
  bool FRemote[256] = {};
  bool FLocalAsked[256] = {};
  bool FRemoteAsked[256] = {};
  std::uint8_t FModemState = 0;
  bool FModemStateKnown = false;
  std::uint8_t FLineState = 0;
  std::uint32_t FNotifications = 0;
  std::uint32_t FServerBaud = 0;
  std::uint8_t FServerValue[16] = {};
  bool FSuspended = false;
};
