// The front panel's side of its port, shared by the window and the headless logger so both
// talk to the instrument the same way.
#pragma once

#include <cstdint>
#include <functional>

#include "port/SioPort.h"

// The port properties the window's form stores: port `comNumber`, 9600 baud, 4-byte buffers,
// Open True, the default trace and log names, and `onTrigger`.  Call it inside the component
// loading protocol, so the port opens once loading is complete.
void SetPanelPortProperties(TSioComPort& port, std::uint16_t comNumber, TTriggerEvent onTrigger);

// Takes the bytes a trigger notification makes available and hands each to `take` with the
// time it arrived (TSioCustomComPort::GetAvailable).  An avail notification (TriggerAvailMsg)
// announces every unread byte in TriggerHandle: all are taken, so the decoder keeps up with
// the line however the bytes were grouped on arrival; any other notification takes one.
// Bytes already taken by someone else are no error here: what is left is handed on.
void TakeAnnouncedBytes(TSioCustomComPort& port, std::uint16_t Msg, std::uint16_t TriggerHandle,
                        const std::function<void(std::uint8_t, std::int64_t)>& take);
