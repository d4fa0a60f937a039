// Whether each device the chooser lists could be used now: free, busy (and which program holds
// it), forbidden (and how it may be used), missing, not a serial device, or a network address.
//
// Looked at without opening anything (opening a real port raises its modem lines): the file
// system says whether the device is there, what a link leads to and whether this user may read
// and write it; the process table says who holds it (another user's programs are hidden from a
// normal user, so a device may be busy without a holder shown).  One look at the process table
// serves all the paths.  No Qt; any thread.
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
  std::string Holders;  // duBusy: "freqsim (pid 12), ..."
  std::string Group;    // duForbidden: a group that may read and write it, to join
  std::string Owner;    // duForbidden without such a group: whose it is
};

std::vector<TDeviceUse> LookAtDevices(const std::vector<std::string>& paths, const std::string& procRoot = "/proc");

// "free", "busy: freqsim (pid 12)", "forbidden: join the group dialout (sudo usermod -aG
// dialout $USER, then log in again)", ...
std::string DeviceUseText(const TDeviceUse& status, const TWords& words = {});
