// The native device layer over POSIX serial devices (real UARTs, USB adapters and
// pseudo-terminals).  Selected by the port's dlWin32 device layer.
#pragma once

#include "dispatch/SioDispatch.h"

class TSioPosixDispatcher : public TSioBaseDispatcher {
 public:
  explicit TSioPosixDispatcher(TSioCustomComPort* port);
  ~TSioPosixDispatcher() override;
  // Device operations: see TSioBaseDispatcher.
  int DeviceEscape(int function) override;
  int DevicePurge(int queue) override;
  std::uint32_t DeviceReadStatus(TDeviceStatus& status) override;
  int DeviceReadFailed(int code) override;
  int DeviceGetSettings(TDeviceSettings& settings) override;
  int DeviceRead(std::uint8_t* buffer, std::uint32_t count) override;
  int DeviceSetSettings(const TDeviceSettings& settings) override;
  int DeviceWrite(const std::uint8_t* bytes, std::uint32_t count) override;
  bool DeviceWaitEvent(std::uint32_t& eventWord) override;
  bool DeviceSetQueues(std::uint32_t inSize, std::uint32_t outSize) override;
  void StartWorkers() override;
  void HaltWorkers() override;
  int DeviceOpen(const std::string& name, std::uint32_t inSize, std::uint32_t outSize) override;
  int DeviceClose() override;
  int DeviceIdle() override;
};

// The same device layer over a descriptor that another service has already opened.
class TSioTAPI32Dispatcher : public TSioPosixDispatcher {
 public:
  TSioTAPI32Dispatcher(TSioCustomComPort* port, int openDescriptor);
  int DeviceOpen(const std::string& name, std::uint32_t inSize, std::uint32_t outSize) override;
};
