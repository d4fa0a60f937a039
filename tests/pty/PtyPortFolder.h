// A temporary device folder standing in for /dev: COMn links to fresh pseudo-terminals, so
// the port probe and the port component find "serial ports" that a test controls.  The
// folder mapping is switched on for the lifetime of the object.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dispatch/SioPortName.h"
#include "support/TestPty.h"

class TPtyPortFolder {
 public:
  TPtyPortFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sio-ports-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FFolder = pattern;
    SetPortDeviceFolder(FFolder);
  }
  ~TPtyPortFolder() {
    SetPortDeviceFolder("");
    for (const int fd : FHolders) ::close(fd);
    FPorts.clear();
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  TPtyPortFolder(const TPtyPortFolder&) = delete;
  TPtyPortFolder& operator=(const TPtyPortFolder&) = delete;

  // Makes port n present: links <folder>/COMn to a new pseudo-terminal's device.  The test
  // keeps only the controlling side open, so every open of the device is its only one, and
  // leaves the line as the kernel creates it.
  std::string AddPort(unsigned n) {
    auto pty = std::make_unique<TTestPty>(TTestPty::TSlave::NotHeld, TTestPty::TMode::AsCreated);
    if (!pty->Ok()) throw std::runtime_error("no pseudo-terminal for COM" + std::to_string(n));
    const std::string device = pty->SlavePath();
    FPorts[n] = std::move(pty);
    std::filesystem::create_symlink(device, Path(n));
    return device;
  }

  // Makes port n busy as another program would: an open file description of its own with
  // the exclusive lock on it (locks belong to the description, so this process's later
  // opens conflict with it like another process's would).
  void HoldPort(unsigned n) {
    const int fd = ::open(Path(n).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) throw std::runtime_error("cannot hold " + Path(n));
    FHolders.push_back(fd);
  }

  std::string Path(unsigned n) const { return FFolder + "/COM" + std::to_string(n); }

 private:
  std::string FFolder;
  std::map<unsigned, std::unique_ptr<TTestPty>> FPorts;
  std::vector<int> FHolders;
};
