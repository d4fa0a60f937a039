#include "app/DeviceReturn.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "dispatch/SioSocketPath.h"

namespace {

// Unix98 pseudo-terminal slaves: majors 136 to 143 (Documentation/admin-guide/devices.txt).
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

std::string LinkText(const std::string& path) {
  char text[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), text, sizeof text);
  return n < 0 ? std::string() : std::string(text, static_cast<std::size_t>(n));
}

std::string ResolvedPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string text(resolved);
  free(resolved);
  return text;
}

}  // namespace

bool IsPseudoTerminal(dev_t rdev) { return major(rdev) >= kFirstPtyMajor && major(rdev) <= kLastPtyMajor; }

TDeviceReturn TDeviceReturn::Note(const std::string& path) {
  TDeviceReturn noted;
  noted.FPath = path;
  struct stat link {};
  if (SocketPathKind(path) != skNone || lstat(path.c_str(), &link) != 0) return noted;
  struct stat device {};
  if (stat(path.c_str(), &device) == 0 && S_ISCHR(device.st_mode)) noted.FPty = IsPseudoTerminal(device.st_rdev);
  noted.FDevice = ResolvedPath(path);
  if (S_ISLNK(link.st_mode)) {
    noted.FKind = dkLink;
    noted.FLinkFs = link.st_dev;
    noted.FLinkInode = link.st_ino;
    noted.FLinkChanged = link.st_ctim;
    noted.FLinkText = LinkText(path);
  } else {
    noted.FKind = dkNode;
  }
  return noted;
}

TReturn TDeviceReturn::Check() const {
  if (FKind == dkAny) return drBack;
  struct stat now {};
  if (FKind == dkNode) {
    if (FPty) return drPtyGone;
    return stat(FPath.c_str(), &now) == 0 ? drBack : drAwaitDevice;
  }
  if (lstat(FPath.c_str(), &now) != 0) return drAwaitLink;
  const bool sameLink = S_ISLNK(now.st_mode) && now.st_dev == FLinkFs && now.st_ino == FLinkInode &&
                        now.st_ctim.tv_sec == FLinkChanged.tv_sec && now.st_ctim.tv_nsec == FLinkChanged.tv_nsec &&
                        LinkText(FPath) == FLinkText;
  if (!sameLink) return drBack;
  if (FPty) return drAwaitLink;
  return stat(FPath.c_str(), &now) == 0 ? drBack : drAwaitDevice;
}
