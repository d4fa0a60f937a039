// The serial devices of this machine, as the device chooser lists them.
//
//   /dev/serial/by-id/*   USB adapters by a name that stays when they are plugged in again,
//                         with vendor, model and serial from sysfs (or from the link's name)
//   /dev/ttyUSB*, /dev/ttyACM*, /dev/rfcomm*   those without a by-id link
//   /dev/ttyS*            only those with a real UART behind them (the serial driver's type
//                         is not "unknown"), from sysfs or, without it, TIOCGSERIAL
//
// Everything is looked up under a root folder ("" for the machine's own /dev and /sys), so
// tests build a small device tree in a temporary folder.  No Qt; any thread.
#pragma once

#include <string>
#include <vector>

#include "app/Words.h"

struct TSerialDevice {
  std::string Path;         // what to open: the by-id link for a USB adapter that has one
  std::string Device;       // the device node it leads to (root included)
  std::string Description;  // "FTDI FT232R USB UART, serial A1B2C3", "UART 16550A", ""
  bool operator==(const TSerialDevice&) const = default;
};

// In the order above; within each group by name, numbers in names compared as numbers.
// Descriptions in `words` (English as written by default).
std::vector<TSerialDevice> ScanSerialDevices(const std::string& root = "", const TWords& words = {});
