// Whether each device the chooser lists could be used now: free, busy (and which program holds
// it), forbidden (and how it may be used), missing, not a serial device, or a network address.
//
// Looked at without opening anything (opening a real port raises its modem lines): the file
// system says whether the device is there, what a link leads to and whether this user may read
// and write it; the kernel's table of locks says whether a program has it for itself (the lock
// a port takes, which makes another open fail as busy), and the process table which programs
// have it open at all (the simulator holds its own terminal, which is still free to use).
// Another user's programs are hidden from a normal user, so their names may be missing.  One
// look at each table serves all the paths.  No Qt; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Words.h"

enum TDeviceUseKind : std::uint8_t { duFree, duOurs, duBusy, duForbidden, duMissing, duNotSerial, duNetwork };

struct TDeviceUse {
  std::string Path;
  std::string Target;   // where a link leads, "" when the path is no link
  TDeviceUseKind Use = duMissing;
  std::string Holders;  // duBusy: who locked it; duFree: who has it open ("freqsim (pid 12), ...")
  std::string Group;    // duForbidden: a group that may read and write it, to join
  std::string Owner;    // duForbidden without such a group: whose it is
};

std::vector<TDeviceUse> LookAtDevices(const std::vector<std::string>& paths, const std::string& procRoot = "/proc");

// "free", "free, open in freqsim (pid 12)", "busy: minicom (pid 40)", "forbidden: join the group
// dialout (sudo usermod -aG dialout $USER, then log in again)", ...
std::string DeviceUseText(const TDeviceUse& status, const TWords& words = {});
