// The front panel's side of its port, shared by the window and the headless logger so both
// talk to the instrument the same way.
#pragma once

#include <cstdint>
#include <functional>

#include "port/SioPort.h"

// How long the bytes of a frame may gather before the panel hears of them (ms): a frame
// (19 bytes, 20 ms at 9600 baud) comes in one notification instead of one per byte, which is
// most of what the window costs while it waits, and 30 ms is no delay anyone sees on the panel.
// The frames keep the times of their last bytes (TSioCustomComPort::ReceiveLatencyMs).
constexpr std::uint16_t kPanelReceiveLatencyMs = 30;

// The port properties the window's form stores: port `comNumber`, 9600 baud, 4-byte buffers,
// a receive latency of kPanelReceiveLatencyMs, Open True, the default trace and log names,
// and `onTrigger`.  Call it inside the component
// loading protocol, so the port opens once loading is complete.
void SetPanelPortProperties(TSioComPort& port, std::uint16_t comNumber, TTriggerEvent onTrigger);

// Takes the bytes a trigger notification makes available and hands each to `take` with the
// time it arrived (TSioCustomComPort::GetAvailable).  An avail notification (TriggerAvailMsg)
// announces every unread byte in TriggerHandle: all are taken, so the decoder keeps up with
// the line however the bytes were grouped on arrival; any other notification takes one.
// Bytes already taken by someone else are no error here: what is left is handed on.
void TakeAnnouncedBytes(TSioCustomComPort& port, std::uint16_t Msg, std::uint16_t TriggerHandle,
                        const std::function<void(std::uint8_t, std::int64_t)>& take);
