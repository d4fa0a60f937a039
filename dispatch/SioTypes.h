// Records and constants shared by the dispatcher, its device layers and the port.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Messages.h"
#include "common/SioMisc.h"

// The input ring always holds this many bytes, whatever the device queue size is.
constexpr std::uint32_t kInRingSize = 8192;

// Trigger and port messages.  lParam = RegistryIndex * 65536 + a data word.
constexpr std::uint32_t TriggerAvailMsg = 0x7E01;   // wParam: unread count
constexpr std::uint32_t TriggerDataMsg = 0x7E02;    // wParam: handle; data: string length
constexpr std::uint32_t TriggerTimerMsg = 0x7E03;   // wParam: handle
constexpr std::uint32_t TriggerStatusMsg = 0x7E04;  // wParam: handle; data: a count (kinds 3, 4)
constexpr std::uint32_t PortOpenedMsg = 0x7E08;
constexpr std::uint32_t PortClosingMsg = 0x7E09;
constexpr std::uint32_t PortCloseMsg = 0x7E0A;
// The device failed for good (hang-up, I/O error): posted once per open to the window
// handlers.  wParam: the system error number (platform/SysErrors.h); data word 0.
constexpr std::uint32_t LineLostMsg = 0x7E0B;
// A trigger message sent to a window handler waits at most this long for the handler.
constexpr std::uint32_t kTriggerSendTimeoutMs = 3000;

// Device event bits reported by DeviceWaitEvent.
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_CTS = 0x0008;
constexpr std::uint32_t EV_DSR = 0x0010;
constexpr std::uint32_t EV_RLSD = 0x0020;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;
constexpr std::uint32_t EV_RING = 0x0100;
constexpr std::uint32_t EV_RINGTE = 0x2000;  // trailing edge of the ring indicator

// Line error bits (LineErrors) as the device status reports them.
constexpr std::uint32_t CE_RXOVER = 0x01;
constexpr std::uint32_t CE_OVERRUN = 0x02;
constexpr std::uint32_t CE_RXPARITY = 0x04;
constexpr std::uint32_t CE_FRAME = 0x08;
constexpr std::uint32_t CE_BREAK = 0x10;

// ModemState low byte: levels in the high nibble, change bits in the low nibble.
constexpr std::uint32_t MS_CTS_ON = 0x10;
constexpr std::uint32_t MS_DSR_ON = 0x20;
constexpr std::uint32_t MS_RING_ON = 0x40;
constexpr std::uint32_t MS_RLSD_ON = 0x80;
constexpr std::uint32_t MS_DELTA_CTS = 0x01;
constexpr std::uint32_t MS_DELTA_DSR = 0x02;
constexpr std::uint32_t MS_TRAILING_RING = 0x04;
constexpr std::uint32_t MS_DELTA_DCD = 0x08;

// Line functions of DeviceEscape.
constexpr int SETRTS = 3;
constexpr int CLRRTS = 4;
constexpr int SETDTR = 5;
constexpr int CLRDTR = 6;
constexpr int GETBASEIRQ = 10;

// OpenLine option bits.
constexpr std::uint32_t olDtrOn = 0x01;
constexpr std::uint32_t olRtsOn = 0x02;
constexpr std::uint32_t olDtrHandshake = 0x10;
constexpr std::uint32_t olRtsHandshake = 0x20;

// The device settings record, a shadow of the device's line settings.  The device layer
// maps it to the device (termios on this platform).
struct TDeviceSettings {
  std::uint32_t BaudRate = 0;
  std::uint32_t Flags = 0;  // dcb... bits below
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 8;  // 5..8
  std::uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  std::uint8_t XonChar = 0x11;
  std::uint8_t XoffChar = 0x13;
};
constexpr std::uint32_t dcbBinary = 0x0001;
constexpr std::uint32_t dcbParity = 0x0002;
constexpr std::uint32_t dcbOutxCtsFlow = 0x0004;
constexpr std::uint32_t dcbOutxDsrFlow = 0x0008;
constexpr std::uint32_t dcbDtrControlMask = 0x0030;
constexpr std::uint32_t dcbDtrControlEnable = 0x0010;
constexpr std::uint32_t dcbDtrControlHandshake = 0x0020;
constexpr std::uint32_t dcbDsrSensitivity = 0x0040;
constexpr std::uint32_t dcbTXContinueOnXoff = 0x0080;
constexpr std::uint32_t dcbOutX = 0x0100;
constexpr std::uint32_t dcbInX = 0x0200;
constexpr std::uint32_t dcbNull = 0x0800;
constexpr std::uint32_t dcbRtsControlMask = 0x3000;
constexpr std::uint32_t dcbRtsControlEnable = 0x1000;
constexpr std::uint32_t dcbRtsControlHandshake = 0x2000;
constexpr std::uint32_t dcbRtsControlToggle = 0x3000;

// The device status record: the flags, and the bytes waiting in each direction.
struct TDeviceStatus {
  std::uint32_t Flags = 0;
  std::uint32_t InQue = 0;   // bytes the device holds for reading
  std::uint32_t OutQue = 0;  // bytes waiting for output (the output ring's count)
};

// ---- Triggers ----------------------------------------------------------------------------

constexpr int kDataTriggerSlots = 22;  // longest data trigger string

struct TTimerTrigger {
  std::uint32_t Handle = 0;
  TickTimer Timer;              // start and expiry in 55 ms ticks of MsClock
  std::uint32_t Armed = 0;      // non-zero: armed
};

struct TDataTrigger {
  std::uint32_t Handle = 0;
  std::uint32_t Length = 0;                       // L, 1..kDataTriggerSlots
  std::uint32_t Slots[kDataTriggerSlots] = {};    // partial-match counts, 0 = idle
  std::uint32_t Matched = 0;                      // 0 or 0xFFFFFFFF
  std::uint32_t IgnoreCase = 0;                   // non-zero: Text is in upper case
  std::uint8_t Text[kDataTriggerSlots] = {};
};

enum TStatusKind : std::uint32_t {
  stNone = 0, stModem = 1, stLineError = 2, stOutFree = 3, stOutUsed = 4, stOutSent = 5
};

struct TStatusTrigger {
  std::uint32_t Handle = 0;     // the kind is also in the three lowest bits
  std::uint32_t Kind = stNone;
  std::uint16_t Value = 0;      // by kind: modem reference|mask<<8, error mask, free, used
  bool Armed = false;
  bool Fired = false;           // fired in this pass
};

// Handlers of trigger messages, called with (message, wParam, lParam).
using TTriggerProc = void (*)(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
using TTriggerMethod = std::function<void(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

struct TWindowHandler {
  TWindowHandle Window = 0;
  bool Removed = false;
};
struct TProcedureHandler {
  TTriggerProc Proc = nullptr;
  bool Removed = false;
};
struct TMethodHandler {
  TTriggerMethod Method;
  const void* Identity = nullptr;  // who registered it, to find it again for removal
  bool Removed = false;
  bool Synchronized = false;       // run on the main thread through the dispatch worker's SyncCall
};

// Triggers kept by the port across a close and the next open.  A list that was never
// saved is empty and is skipped on restore.
struct TSavedTriggers {
  std::uint32_t AvailThreshold = 0;
  std::optional<std::vector<TTimerTrigger>> Timers;
  std::optional<std::vector<TDataTrigger>> Data;
  std::optional<std::vector<TStatusTrigger>> Status;
};
