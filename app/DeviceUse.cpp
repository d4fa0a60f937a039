#include "app/DeviceUse.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <map>
#include <set>
#include <sstream>

#include "dispatch/SioSocketPath.h"
#include "port/SioOpenFailure.h"

namespace {

std::string LinkTarget(const std::string& path) {
  char text[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), text, sizeof text);
  return n < 0 ? std::string() : std::string(text, static_cast<std::size_t>(n));
}


}  // namespace

std::vector<TDeviceUse> LookAtDevices(const std::vector<std::string>& paths, const std::string& procRoot) {
  std::vector<TDeviceUse> looked;
  std::map<std::size_t, dev_t> devices;  // entry -> its device, for those that are there
  std::map<std::size_t, std::pair<dev_t, ino_t>> files;
  for (const std::string& path : paths) {
    TDeviceUse s;
    s.Path = path;
    struct stat info {};
    if (SocketPathKind(path) != skNone) {
      s.Use = duNetwork;
    } else if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      s.Target = LinkTarget(path);
    }
    if (s.Use != duNetwork) {
      if (stat(path.c_str(), &info) != 0) {
        s.Use = duMissing;
      } else if (!S_ISCHR(info.st_mode)) {
        s.Use = duNotSerial;
      } else if (access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
        s.Use = duForbidden;
        s.Group = DeviceAccessGroup(path);
        if (s.Group.empty()) s.Owner = UserName(info.st_uid);
      } else {
        s.Use = duFree;
        devices[looked.size()] = info.st_rdev;
        files[looked.size()] = {info.st_dev, info.st_ino};
      }
    }
    looked.push_back(s);
  }
  std::set<dev_t> wanted;
  for (const auto& [entry, device] : devices) wanted.insert(device);
  const std::map<dev_t, std::string> holders = DeviceHoldersOf(wanted, procRoot);
  const std::string ours = " (pid " + std::to_string(getpid()) + ")";
  for (const auto& [entry, device] : devices) {
    const auto it = holders.find(device);
    if (it == holders.end()) continue;
    // Others who have it open, without us.
    std::string others;
    std::istringstream names(it->second);
    for (std::string name; std::getline(names, name, ',');) {
      if (!name.empty() && name[0] == ' ') name.erase(0, 1);
      if (name.find(ours) == std::string::npos) others += (others.empty() ? "" : ", ") + name;
    }
    looked[entry].Holders = others;
  }
  const auto locks = FileLocks(procRoot);
  const std::string ourPid = std::to_string(getpid());
  for (const auto& [entry, file] : files) {
    const auto it = locks.find(file);
    if (it == locks.end()) continue;
    TDeviceUse& s = looked[entry];
    std::string lockers;
    for (const std::string& pid : it->second)
      if (pid != ourPid) lockers += (lockers.empty() ? "" : ", ") + ProcessName(procRoot, pid) + " (pid " + pid + ")";
    s.Use = lockers.empty() ? duOurs : duBusy;
    if (s.Use == duBusy) s.Holders = lockers;
  }
  return looked;
}

std::string DeviceUseText(const TDeviceUse& s, const TWords& w) {
  switch (s.Use) {
    case duFree:
      if (!s.Holders.empty()) return w(QT_TRANSLATE_NOOP("Words", "free, open in %1"), {s.Holders});
      return w(QT_TRANSLATE_NOOP("Words", "free"));
    case duOurs: return w(QT_TRANSLATE_NOOP("Words", "open in this window"));
    case duBusy: return w(QT_TRANSLATE_NOOP("Words", "busy: %1"), {s.Holders});
    case duForbidden:
      if (!s.Group.empty())
        return w(QT_TRANSLATE_NOOP("Words", "forbidden: join the group %1 (sudo usermod -aG %1 $USER, then log in "
                                            "again)"),
                 {s.Group});
      return w(QT_TRANSLATE_NOOP("Words", "forbidden: only its owner %1 may open it"), {s.Owner});
    case duMissing: return w(QT_TRANSLATE_NOOP("Words", "not there"));
    case duNotSerial: return w(QT_TRANSLATE_NOOP("Words", "not a serial device"));
    case duNetwork: return w(QT_TRANSLATE_NOOP("Words", "network"));
  }
  return {};
}
