#include "app/PanelPort.h"

#include <algorithm>
#include <array>

#include "dispatch/SioTypes.h"

void SetPanelPortProperties(TSioComPort& port, std::uint16_t comNumber, TTriggerEvent onTrigger) {
  port.SetComNumber(comNumber);
  port.SetBaud(9600);
  port.SetInSize(4);
  port.SetOutSize(4);
  port.SetReceiveLatencyMs(kPanelReceiveLatencyMs);
  port.SetOpen(true);
  port.SetTraceName("SIO.TRC");
  port.SetLogName("SIO.LOG");
  port.SetOnTrigger(std::move(onTrigger));
}

void TakeAnnouncedBytes(TSioCustomComPort& port, std::uint16_t Msg, std::uint16_t TriggerHandle,
                        const std::function<void(std::uint8_t, std::int64_t)>& take) {
  // A frame is 19 bytes and a gathered one a few frames: a read this size takes what a trigger
  // announces at once, and a full ring in a few reads, with a small stack.
  constexpr std::uint16_t kReadSize = 512;
  std::array<std::uint8_t, kReadSize> bytes;
  std::array<std::int64_t, kReadSize> arrivals;
  std::uint32_t left = Msg == TriggerAvailMsg ? TriggerHandle : 1;
  while (left != 0) {
    const auto asked = static_cast<std::uint16_t>(std::min<std::uint32_t>(left, kReadSize));
    const std::uint16_t got = port.GetAvailable(bytes.data(), asked, arrivals.data());
    for (std::uint16_t i = 0; i < got; ++i) take(bytes[i], arrivals[i]);
    // Fewer than announced: the rest was taken already (or the port is closing).
    if (got < asked) return;
    left -= got;
  }
}
