// Modem line state and line errors.
#include <mutex>

#include "dispatch/SioDispatch.h"

std::uint8_t TSioBaseDispatcher::ReadModemState(std::uint8_t keepMask) {
  std::lock_guard main(MainLock);
  FModemState = DeviceModemLevels() | (FModemState & 0x0F);
  if (FRingLatch.exchange(false)) FModemState |= MS_TRAILING_RING;
  const auto state = static_cast<std::uint8_t>(FModemState & 0xFF);
  FModemState &= keepMask;
  return state;
}

void TSioBaseDispatcher::RefreshModemState() {
  std::lock_guard main(MainLock);
  const std::uint32_t old = FModemState & 0xFF;
  ReadModemState(0xFF);
  FModemState |= ((FModemState ^ old) & 0xF0) >> 4;
}

void TSioBaseDispatcher::RefreshLineErrors() { FLineErrors |= ReadLineErrorBits() & 0x1F; }

int TSioBaseDispatcher::TakeLineError() {
  std::lock_guard main(MainLock);
  const std::uint32_t errors = FLineErrors.load();
  int code = 0;
  if ((errors & CE_RXOVER) != 0) {
    code = 1;
  } else if ((errors & CE_OVERRUN) != 0) {
    code = 2;
  } else if ((errors & CE_RXPARITY) != 0) {
    code = 3;
  } else if ((errors & CE_FRAME) != 0) {
    code = 4;
  } else if ((errors & CE_BREAK) != 0) {
    code = 9;
  }
  // The break bit stays until TakeBreak.
  if (code != 0) FLineErrors &= ~(CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME);
  return code;
}

bool TSioBaseDispatcher::TakeBreak() {
  std::lock_guard main(MainLock);
  return (FLineErrors.fetch_and(~CE_BREAK) & CE_BREAK) != 0;
}
