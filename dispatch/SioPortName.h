// The device path of serial port n.
//
// Port n is /dev/COMn when that path exists (a link made by an administrator or a udev
// rule), else /dev/ttyS<n-1>.  A program may map a port number to any device path (a USB
// adapter, a pseudo-terminal); tests point the lookup at a folder of their own instead of
// /dev.  Main thread only for the setters; the lookup may run on any thread.
#pragma once

#include <string>

std::string PortDeviceName(unsigned port);
// Maps port n to `path` (empty path removes the mapping).
void SetPortDevicePath(unsigned port, const std::string& path);
// Looks for COMn / ttyS<n-1> in `folder` instead of /dev ("" restores /dev).
void SetPortDeviceFolder(const std::string& folder);
