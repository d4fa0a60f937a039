// Flow control: the hardware and software options, the buffer levels they use, and the
// RS-485 mode that excludes RTS/CTS handshaking.
#include "port/SioPort.h"

namespace {

// Levels of 0, or beyond what they may be, take defaults from InSize.  Integer arithmetic
// gives the truncated products exactly (InSize * 0.9 and so on).
void DefaultLevels(std::uint16_t inSize, std::uint16_t& full, std::uint16_t& resume,
                   unsigned fullPercent, unsigned resumePercent) {
  if (full == 0 || full > inSize) full = static_cast<std::uint16_t>(inSize * fullPercent / 100u);
  if (resume == 0 || resume > full) resume = static_cast<std::uint16_t>(inSize * resumePercent / 100u);
}

}  // namespace

void TSioCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
  if (value == FHWFlowOptions && !FForceApply) return;
  const std::uint8_t bits = value.Bits();
  if (bits != 0) DefaultLevels(FInSize, FBufferFull, FBufferResume, 90, 10);
  // Sent with no bits as well: that switches hardware flow control off.
  if (PortState() == psOpen) Check(FDispatcher->SetHandshake(FBufferFull, FBufferResume, bits));
  FHWFlowOptions = value;
  if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS)) SetRS485Mode(false);
}

void TSioCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
  if (value == FSWFlowOptions && !FForceApply) return;
  // Towards the dispatcher bit 1 is the transmit side and bit 2 the receive side.
  static constexpr std::uint8_t kBits[] = {0, 2, 1, 3};
  const std::uint8_t bits = value <= swfBoth ? kBits[value] : 0;
  if (bits != 0) DefaultLevels(FInSize, FBufferFull, FBufferResume, 75, 25);
  if (PortState() == psOpen) {
    if (bits != 0) {
      Check(FDispatcher->SetSoftwareFlow(FBufferFull, FBufferResume, bits));
    } else {
      Check(FDispatcher->ClearSoftwareFlow());
    }
  }
  FSWFlowOptions = value;
}

void TSioCustomComPort::SetBufferFull(std::uint16_t value) {
  if (value == FBufferFull && !FForceApply) return;
  FBufferFull = value > FInSize ? static_cast<std::uint16_t>(value * 9u / 10u) : value;
  TForceApplyScope force(FForceApply);
  SetHWFlowOptions(FHWFlowOptions);
  SetSWFlowOptions(FSWFlowOptions);
}

void TSioCustomComPort::SetBufferResume(std::uint16_t value) {
  if (value == FBufferResume && !FForceApply) return;
  FBufferResume = value > FBufferFull ? static_cast<std::uint16_t>(FBufferFull / 10u) : value;
  TForceApplyScope force(FForceApply);
  SetHWFlowOptions(FHWFlowOptions);
  SetSWFlowOptions(FSWFlowOptions);
}

void TSioCustomComPort::SetRS485Mode(bool value) {
  if (value == FRS485Mode && !FForceApply) return;
  FRS485Mode = value;
  if (PortState() == psOpen) FDispatcher->SetRs485(value);
  if (value) {
    // The transmitter drives RTS itself in RS-485 mode.
    SetHWFlowOptions(FHWFlowOptions.Without(hwfUseRTS).Without(hwfRequireCTS));
    SetRTS(false);
  }
}
