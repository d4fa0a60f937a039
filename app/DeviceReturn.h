// Whether a lost device has come back, so that a reconnect opens the device the user chose and
// never a terminal that another program got meanwhile.
//
// A pseudo-terminal's number is free again once its far end has closed, and the next program
// that asks for one gets it: a path that led to /dev/pts/N then leads to a stranger's terminal,
// and key codes written there would land in its shell.  So what a path led to is noted when it
// opened, and after a loss:
//   - a link (the simulator's --link, /dev/serial/by-id/...) to a pseudo-terminal is opened
//     again only once the link has been made again or points elsewhere;
//   - a link to any other device, and a device node, once the device is there again;
//   - a pseudo-terminal named by its own path never comes back by itself (the user chooses it
//     again);
//   - a network address (tcp://, rfc2217://) is always tried.
// Reads the file system only (lstat, readlink, stat); no Qt, no port; any one thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>

enum TReturn : std::uint8_t {
  drBack,         // open it
  drAwaitLink,    // the link still leads where the lost terminal was: wait for it to be made again
  drAwaitDevice,  // the device is not there: wait for it to appear
  drPtyGone,      // a pseudo-terminal named by its own path: it will not come back
};

class TDeviceReturn {
 public:
  TDeviceReturn() = default;  // nothing noted: any path counts as back

  // What `path` leads to now; called right after it was opened.
  static TDeviceReturn Note(const std::string& path);

  // Whether the device noted has come back at its path.
  TReturn Check() const;

  const std::string& Path() const { return FPath; }
  // The device the path led to when noted ("" for a network address).
  const std::string& Device() const { return FDevice; }
  bool WasPseudoTerminal() const { return FPty; }

 private:
  enum TKind : std::uint8_t { dkAny, dkLink, dkNode };

  TKind FKind = dkAny;
  std::string FPath;
  std::string FDevice;
  bool FPty = false;
  // The link itself: the same link is the same file, made at the same moment, with the same text.
  dev_t FLinkFs = 0;
  ino_t FLinkInode = 0;
  timespec FLinkChanged{};
  std::string FLinkText;
};

// Whether the character device `rdev` is the far side of a pseudo-terminal pair (/dev/pts/N).
bool IsPseudoTerminal(dev_t rdev);
