#include "port/SioOpenFailure.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "common/SioErrorCodes.h"
#include "dispatch/SioSocket.h"
#include "dispatch/SioSocketPath.h"
#include "common/SioExcept.h"
#include "platform/SysErrors.h"

namespace {

// A negated system error number (SysErrors.h), as opposed to a code of the message table.
bool IsSystemCode(int code) {
  return (code < 0 && code > -1000) || (-code > kErrnoBase && -code < kErrnoBase + 4096);
}

// The character devices among `devices` that some descriptor of process `pid` refers to.
std::set<dev_t> HeldBy(const std::string& procRoot, const std::string& pid, const std::set<dev_t>& devices) {
  const std::string fdFolder = procRoot + "/" + pid + "/fd";
  std::set<dev_t> held;
  DIR* fds = opendir(fdFolder.c_str());
  if (fds == nullptr) return held;
  while (const dirent* entry = readdir(fds)) {
    if (entry->d_name[0] == '.') continue;
    struct stat target {};
    // stat follows the descriptor's link to the open file itself.
    if (stat((fdFolder + "/" + entry->d_name).c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
        devices.count(target.st_rdev) != 0)
      held.insert(target.st_rdev);
  }
  closedir(fds);
  return held;
}

}  // namespace

std::string UserName(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry {};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return std::to_string(uid);
  return found->pw_name;
}

namespace {

// "crw-rw----", as ls shows a device's type and permissions.
std::string ModeText(mode_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : S_ISBLK(mode) ? "b" : S_ISDIR(mode) ? "d" : S_ISLNK(mode) ? "l" : "-";
  const char* letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400 >> bit)) != 0 ? letters[bit] : '-';
  return text;
}

// Joining a group helps only when that group may read and write the device; otherwise the
// device is its owner's (another user's terminal, a device made for one user).
void DescribePermission(TOpenFailure& f) {
  struct stat info {};
  const bool known = stat(f.Path.c_str(), &info) == 0;
  if (known) f.Mode = ModeText(info.st_mode);
  f.Group = DeviceAccessGroup(f.Path);
  const std::string text = "Permission denied: " + f.Path;
  if (!f.Group.empty()) {
    f.Message = text + " belongs to the group " + f.Group + ", which you are not in. To use it: sudo usermod -aG " +
                f.Group + " $USER, then log out and in again.";
    return;
  }
  if (!known) {
    f.Message = text + " may not be opened by you. Ask the administrator for read and write access to it.";
    return;
  }
  f.Owner = UserName(info.st_uid);
  f.Message = text + " belongs to " + f.Owner + " (" + f.Mode + ") and may be opened by its owner only. Use a device " +
              "of your own, or ask " + f.Owner + " or the administrator for read and write access to it.";
}

}  // namespace

std::string PlainErrorText(int code) {
  std::string text = ErrorText(code);
  while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
  return text;
}

std::string DeviceGroup(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  std::vector<char> buffer(16384);
  group entry {};
  group* found = nullptr;
  if (getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
  return found->gr_name;
}

std::string DeviceAccessGroup(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || info.st_gid == 0 || (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
    return {};
  return DeviceGroup(path);
}

std::string ProcessName(const std::string& procRoot, const std::string& pid) {
  std::ifstream comm(procRoot + "/" + pid + "/comm");
  std::string name;
  std::getline(comm, name);
  return name.empty() ? "a program" : name;
}

std::map<dev_t, std::string> DeviceHoldersOf(const std::set<dev_t>& devices, const std::string& procRoot) {
  std::map<dev_t, std::string> holders;
  if (devices.empty()) return holders;
  DIR* processes = opendir(procRoot.c_str());
  if (processes == nullptr) return holders;
  while (const dirent* entry = readdir(processes)) {
    const std::string pid = entry->d_name;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    for (const dev_t device : HeldBy(procRoot, pid, devices)) {
      std::string& names = holders[device];
      names += (names.empty() ? "" : ", ") + ProcessName(procRoot, pid) + " (pid " + pid + ")";
    }
  }
  closedir(processes);
  return holders;
}

// The kernel's table reads "1: FLOCK  ADVISORY  WRITE 5167 00:1a:3 0 EOF" (the file system's
// device in hex, the inode in decimal).
std::map<std::pair<dev_t, ino_t>, std::vector<std::string>> FileLocks(const std::string& procRoot) {
  std::map<std::pair<dev_t, ino_t>, std::vector<std::string>> locks;
  std::ifstream table(procRoot + "/locks");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, where;
    if (!(fields >> number >> kind)) continue;
    if (kind == "->") fields >> kind;  // a waiter, listed under the lock it waits for
    if (!(fields >> mode >> access >> pid >> where)) continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    locks[{makedev(major, minor), static_cast<ino_t>(inode)}].push_back(pid);
  }
  return locks;
}

std::string DeviceHolders(const std::string& path, const std::string& procRoot) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return {};
  const auto holders = DeviceHoldersOf({info.st_rdev}, procRoot);
  return holders.empty() ? std::string() : holders.begin()->second;
}

namespace {

// A line reached over the network: what went wrong is told in the network's words.
void DescribeSocketFailure(TOpenFailure& f) {
  TSocketPath where;
  std::string problem;
  const std::string text = PlainErrorText(f.Code) + ": " + f.Path;
  if (!ParseSocketPath(f.Path, where, &problem)) {
    f.Problem = opMissing;
    f.Message = text + " is no network address (" + problem + "; write tcp://HOST:PORT or rfc2217://HOST:PORT)";
  } else if (f.Code == ecBadId) {
    f.Problem = opMissing;
    f.Message = text + ": the name " + where.Host + " does not resolve. Check the host name, or give its address.";
  } else if (f.Code == -(kErrnoBase + ECONNREFUSED)) {
    f.Problem = opMissing;
    f.Message = text + ": nothing accepts connections on port " + where.Port + " of " + where.Host +
                ". Is the device server running, and serving that port?";
  } else if (f.Code == -(kErrnoBase + ETIMEDOUT)) {
    f.Problem = opOther;
    f.Message = text + ": " + where.Host + " did not answer within " + std::to_string(kConnectLimitMs / 1000) +
                " s. Check the address and that the network reaches it.";
  } else {
    f.Problem = opOther;
    f.Message = text;
  }
}

}  // namespace

TOpenFailure DescribeOpenFailure(int code, const std::string& path, const std::string& procRoot) {
  TOpenFailure f;
  f.Code = code;
  f.Path = path;
  if (code == 0) return f;
  if (SocketPathKind(path) != skNone) {
    DescribeSocketFailure(f);
    return f;
  }
  struct stat info {};
  const bool exists = stat(path.c_str(), &info) == 0;
  if (code == ecBadId) {
    // The device layer refuses a path that is no terminal as missing.
    f.Problem = exists ? opNotSerial : opMissing;
    f.Message = PlainErrorText(code) + ": " + path + (exists ? " is not a serial device" : " was not found");
  } else if (code == ecAlreadyOpen) {
    f.Problem = opBusy;
    f.Holders = DeviceHolders(path, procRoot);
    // Another user's programs are hidden in the process table, not in the table of locks.
    struct stat node {};
    if (f.Holders.empty() && stat(path.c_str(), &node) == 0) {
      const auto locks = FileLocks(procRoot);
      if (const auto it = locks.find({node.st_dev, node.st_ino}); it != locks.end())
        for (const std::string& pid : it->second)
          f.Holders += (f.Holders.empty() ? "" : ", ") + ProcessName(procRoot, pid) + " (pid " + pid + ")";
    }
    f.Message = PlainErrorText(code) + ": " + path + " is in use by " + (f.Holders.empty() ? "another program" : f.Holders);
  } else if (code < 0 && IsPermissionDenied(-code)) {
    f.Problem = opNoPermission;
    DescribePermission(f);
  } else if (IsSystemCode(code)) {
    // A system error (or the run-time family that shares its numbers): the system's words.
    f.Problem = opOther;
    f.Message = PlainErrorText(code) + ": " + path;
  } else {
    f.Problem = opOther;
    f.Message = ErrorText(code);
  }
  return f;
}
