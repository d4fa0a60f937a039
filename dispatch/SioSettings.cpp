// Line settings, flow control, DTR / RTS, RS-485 mode, worker priorities and option bits.
// Every read-modify-write of DeviceSettings runs under MainLock and starts from the device
// layer's current settings, so a failed write leaves nothing half-applied behind.
#include <mutex>

#include "dispatch/SioDispatch.h"
#include "dispatch/SioWorkers.h"
#include "platform/Sync.h"
#include "common/SioErrorCodes.h"

namespace {

constexpr std::uint8_t kOneStop = 0;
constexpr std::uint8_t kOneAndHalfStop = 1;
constexpr std::uint8_t kTwoStop = 2;

// Bits one character takes on the line: start, data, parity, stop (a stop and a half counts
// as two).
std::uint32_t CharacterBits(const TDeviceSettings& settings) {
  return settings.ByteSize + 2u + (settings.Parity != 0 ? 1u : 0u) + (settings.StopBits != kOneStop ? 1u : 0u);
}

}  // namespace

std::uint32_t TSioBaseDispatcher::MapBaudCode(std::uint32_t code) {
  static constexpr std::uint32_t kRates[] = {110,   300, 600, 1200, 2400, 4800,  9600, 14400,
                                             19200, 0,   0,   38400, 0,   0,    0,    56000,
                                             0,     0,   0,   128000, 0,  0,    0,    256000};
  if (code == 0xFEFF) return 115200;
  if (code >= 0xFF10 && code <= 0xFF27) {
    const std::uint32_t rate = kRates[code - 0xFF10];
    return rate != 0 ? rate : code;
  }
  return code;
}

int TSioBaseDispatcher::SetLineParams(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits,
                                      std::uint8_t stopBits) {
  std::uint32_t newBaud = 0;
  std::uint8_t newParity = 0;
  std::uint8_t newSize = 0;
  std::uint8_t newStop = 0;
  {
    std::lock_guard main(MainLock);
    DeviceGetSettings(FDeviceSettings);
    const TDeviceSettings& now = FDeviceSettings;
    newBaud = baud == 0 ? now.BaudRate : baud;
    newParity = parity == 5 ? now.Parity : parity;
    newSize = dataBits == 9 ? now.ByteSize : dataBits;
    std::uint8_t stop = stopBits == 0 ? 1 : stopBits;
    if (stop > 2 && stop != 3) stop = 2;
    if (stop == 1) {
      newStop = kOneStop;
    } else if (stop == 2) {
      // A UART sends one and a half stop bits where two are asked for with five data bits.
      newStop = newSize == 5 ? kOneAndHalfStop : kTwoStop;
    } else {
      newStop = dataBits == 5 ? kOneAndHalfStop : now.StopBits;
    }
    if (newBaud == now.BaudRate && newParity == now.Parity && newSize == now.ByteSize &&
        newStop == now.StopBits) {
      // The device kept the line of an earlier open: its character time is this line's.
      NoteCharacterTime(now);
      return 0;
    }
  }
  WaitOutputDrained();
  std::lock_guard main(MainLock);
  DeviceGetSettings(FDeviceSettings);
  FDeviceSettings.BaudRate = newBaud;
  FDeviceSettings.Parity = newParity;
  FDeviceSettings.ByteSize = newSize;
  FDeviceSettings.StopBits = newStop;
  return ApplySettings(FDeviceSettings);
}

void TSioBaseDispatcher::GetLineParams(std::uint32_t& baud, std::uint8_t& parity, std::uint8_t& dataBits,
                                       std::uint8_t& stopBits) {
  std::lock_guard main(MainLock);
  DeviceGetSettings(FDeviceSettings);
  baud = MapBaudCode(FDeviceSettings.BaudRate);
  parity = FDeviceSettings.Parity;
  dataBits = FDeviceSettings.ByteSize;
  stopBits = FDeviceSettings.StopBits == kOneStop ? 1 : 2;
}

void TSioBaseDispatcher::WaitOutputDrained() {
  for (int i = 0; i < 5000 && OutUsed() > 0; ++i) SleepMs(2);
  TDeviceSettings settings;
  std::uint32_t rate = 0;
  {
    std::lock_guard main(MainLock);
    DeviceGetSettings(settings);
    rate = MapBaudCode(FCurrentBaud);
  }
  if (rate == 0) return;
  const std::uint32_t bits = CharacterBits(settings);
  // 18 character times in units of 0.1 us (36 when that is under 1 ms).
  std::uint64_t t = static_cast<std::uint64_t>(10'000'000u / rate) * bits * 18u;
  if (t < 10'000) t *= 2;
  SleepMs(static_cast<std::uint32_t>((t + 9'999) / 10'000));
}

void TSioBaseDispatcher::NoteCharacterTime(const TDeviceSettings& settings) {
  if (const std::uint32_t rate = MapBaudCode(settings.BaudRate); rate != 0) {
    FCharacterNs = static_cast<std::int64_t>(1'000'000'000ull * CharacterBits(settings) / rate);
  }
}

int TSioBaseDispatcher::ApplySettings(TDeviceSettings& settings) {
  std::lock_guard main(MainLock);
  if (!FDtrByHandshake) {
    settings.Flags = (settings.Flags & ~dcbDtrControlMask) | (FDtrOn ? dcbDtrControlEnable : 0);
  }
  if (!FRtsByHandshake) {
    settings.Flags = (settings.Flags & ~dcbRtsControlMask) | (FRtsOn ? dcbRtsControlEnable : 0);
  }
  const int result = DeviceSetSettings(settings);
  FCurrentBaud = settings.BaudRate;
  NoteCharacterTime(settings);
  SetDtr(FDtrOn);
  if (!FRs485Active) SetRts(FRtsOn);
  return result;
}

int TSioBaseDispatcher::SetHandshake(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                     std::uint32_t options) {
  if (bufferFull < bufferResume || bufferFull > FDeviceInSize) return ecBadArgument;
  std::lock_guard main(MainLock);
  DeviceGetSettings(FDeviceSettings);
  TDeviceSettings& s = FDeviceSettings;
  s.Flags &= ~(dcbOutxCtsFlow | dcbOutxDsrFlow | dcbDtrControlMask | dcbRtsControlMask);
  FDtrByHandshake = false;
  FRtsByHandshake = false;
  if ((options & 1) != 0) {
    s.Flags |= dcbDtrControlHandshake;
    FDtrByHandshake = true;
  } else if (FDtrOn) {
    s.Flags |= dcbDtrControlEnable;
  }
  if ((options & 2) != 0) {
    s.Flags |= dcbRtsControlHandshake;
    FRtsByHandshake = true;
  } else if (FRtsOn) {
    s.Flags |= dcbRtsControlEnable;
  }
  if (FRs485Active) {
    // The driver switches RTS around each transmission.
    s.Flags = (s.Flags & ~dcbRtsControlMask) | dcbRtsControlToggle;
    FRtsByHandshake = true;
  }
  s.XoffLim = static_cast<std::uint16_t>(FDeviceInSize - bufferFull);
  s.XonLim = static_cast<std::uint16_t>(bufferResume);
  if ((options & 4) != 0) s.Flags |= dcbOutxDsrFlow;
  if ((options & 8) != 0) s.Flags |= dcbOutxCtsFlow;
  return ApplySettings(s);
}

int TSioBaseDispatcher::SetSoftwareFlow(std::uint32_t bufferFull, std::uint32_t bufferResume,
                                        std::uint32_t options) {
  if (bufferFull < bufferResume || bufferFull > FDeviceInSize) return ecBadArgument;
  std::lock_guard main(MainLock);
  DeviceGetSettings(FDeviceSettings);
  TDeviceSettings& s = FDeviceSettings;
  if ((options & 2) != 0) {
    s.Flags |= dcbInX;
    s.XoffLim = static_cast<std::uint16_t>(FDeviceInSize - bufferFull);
    s.XonLim = static_cast<std::uint16_t>(bufferResume);
    s.XonChar = 0x11;
    s.XoffChar = 0x13;
  }
  if ((options & 1) != 0) {
    s.Flags |= dcbOutX;
    s.XonChar = 0x11;
    s.XoffChar = 0x13;
  }
  return ApplySettings(s);
}

int TSioBaseDispatcher::ClearSoftwareFlow() {
  std::lock_guard main(MainLock);
  DeviceGetSettings(FDeviceSettings);
  FDeviceSettings.Flags &= ~(dcbOutX | dcbInX);
  return ApplySettings(FDeviceSettings);
}

int TSioBaseDispatcher::SetFlowChars(std::uint8_t xon, std::uint8_t xoff) {
  std::lock_guard main(MainLock);
  DeviceGetSettings(FDeviceSettings);
  FDeviceSettings.XonChar = xon;
  FDeviceSettings.XoffChar = xoff;
  return ApplySettings(FDeviceSettings);
}

int TSioBaseDispatcher::GetFlowSettings(std::uint32_t& hwOptions, std::uint32_t& swOptions,
                                        std::uint8_t& xon, std::uint8_t& xoff) {
  std::lock_guard main(MainLock);
  const int result = DeviceGetSettings(FDeviceSettings);
  const std::uint32_t f = FDeviceSettings.Flags;
  hwOptions = ((f & dcbDtrControlMask) == dcbDtrControlHandshake ? 1u : 0u) |
              ((f & dcbRtsControlMask) == dcbRtsControlHandshake ? 2u : 0u) |
              ((f & dcbOutxDsrFlow) != 0 ? 4u : 0u) | ((f & dcbOutxCtsFlow) != 0 ? 8u : 0u);
  swOptions = ((f & dcbOutX) != 0 ? 1u : 0u) | ((f & dcbInX) != 0 ? 2u : 0u);
  xon = FDeviceSettings.XonChar;
  xoff = FDeviceSettings.XoffChar;
  return result;
}

int TSioBaseDispatcher::SetDtr(bool on) {
  std::lock_guard main(MainLock);
  if (FDtrByHandshake) return 1;
  const int result = DeviceEscape(on ? SETDTR : CLRDTR);
  FDtrOn = on;
  return result < 0 ? ecBadArgument : result;
}

int TSioBaseDispatcher::SetRts(bool on) {
  std::lock_guard main(MainLock);
  if (FRtsByHandshake) return 1;
  const int result = DeviceEscape(on ? SETRTS : CLRRTS);
  FRtsOn = on;
  return result < 0 ? ecBadArgument : result;
}

void TSioBaseDispatcher::SetRs485(bool on) {
  std::lock_guard main(MainLock);
  FRs485Active = on;
  // The driver switches RTS by itself here, so no UART base address is asked for.
  if (TSioDispatcherThread* out = FOutputWorker.load()) {
    out->SetPriority(PriorityStep(on ? tpHigher : tpNormal, FWorkerBoost));
  }
}

void TSioBaseDispatcher::SetWorkerBoost(std::uint8_t boost) {
  std::lock_guard main(MainLock);
  if (boost == FWorkerBoost) return;
  FWorkerBoost = boost;
  // Workers clear their references under MainLock before they end, so each one seen here
  // is alive until the lock is released.
  if (TSioDispatcherThread* w = FEventWorker.load()) w->SetPriority(PriorityStep(tpNormal, boost));
  if (TSioDispatcherThread* w = FDispatchWorker.load()) w->SetPriority(PriorityStep(tpNormal, boost));
  if (TSioDispatcherThread* w = FOutputWorker.load()) {
    w->SetPriority(PriorityStep(FRs485Active ? tpHigher : tpNormal, boost));
  }
}

void TSioBaseDispatcher::SetOptionBits(std::uint32_t bits) {
  std::lock_guard main(MainLock);
  FOptionBits |= bits;
}

void TSioBaseDispatcher::ClearOptionBits(std::uint32_t bits) {
  std::lock_guard main(MainLock);
  FOptionBits &= ~bits;
}
