#include "dispatch/SioPortName.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

namespace {

struct TNaming {
  std::mutex Lock;
  std::map<unsigned, std::string> Paths;
  std::string Folder = "/dev";
};

TNaming& Naming() {
  static auto* naming = new TNaming();
  return *naming;
}

}  // namespace

std::string PortDeviceName(unsigned port) {
  TNaming& n = Naming();
  std::lock_guard lock(n.Lock);
  if (const auto it = n.Paths.find(port); it != n.Paths.end()) return it->second;
  const std::string com = n.Folder + "/COM" + std::to_string(port);
  struct stat info {};
  // Port 0 names no device: its COM0 path is reported as it is, and does not exist.
  if (port == 0 || stat(com.c_str(), &info) == 0) return com;
  return n.Folder + "/ttyS" + std::to_string(port - 1);
}

void SetPortDevicePath(unsigned port, const std::string& path) {
  TNaming& n = Naming();
  std::lock_guard lock(n.Lock);
  if (path.empty()) {
    n.Paths.erase(port);
  } else {
    n.Paths[port] = path;
  }
}

void SetPortDeviceFolder(const std::string& folder) {
  TNaming& n = Naming();
  std::lock_guard lock(n.Lock);
  n.Folder = folder.empty() ? "/dev" : folder;
}
