#include "app/PanelPort.h"

#include "common/SioExcept.h"
#include "dispatch/SioTypes.h"

void SetPanelPortProperties(TSioComPort& port, std::uint16_t comNumber, TTriggerEvent onTrigger) {
  port.SetComNumber(comNumber);
  port.SetBaud(9600);
  port.SetInSize(4);
  port.SetOutSize(4);
  port.SetOpen(true);
  port.SetTraceName("SIO.TRC");
  port.SetLogName("SIO.LOG");
  port.SetOnTrigger(std::move(onTrigger));
}

void TakeAnnouncedBytes(TSioCustomComPort& port, std::uint16_t Msg, std::uint16_t TriggerHandle,
                        const std::function<void(std::uint8_t)>& take) {
  const int count = Msg == TriggerAvailMsg ? TriggerHandle : 1;
  for (int i = 0; i < count; ++i) {
    std::uint8_t b = 0;
    try {
      port.GetBlock(&b, 1);
    } catch (const EBufferIsEmpty&) {
      return;
    }
    take(b);
  }
}
