#include "port/SioProbe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "dispatch/SioPortName.h"
#include "dispatch/SioPosix.h"
#include "platform/SysErrors.h"

bool ProbeThroughDispatcher = true;
bool CountBusyPortsAsPresent = true;

namespace {

constexpr unsigned kProbeQueueSize = 64;

// Opens the device the way the device layer does and gives it back at once.  The lock is
// what makes a port held elsewhere answer access denied, also for root, who passes the
// terminal's exclusive flag.
bool OpenDirect(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(SystemErrorFromErrno(errno));
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    SetLastError(SystemErrorFromErrno(err));
    return false;
  }
  // Only a terminal is a serial port; the device layer refuses anything else as missing.
  const bool terminal = ::isatty(fd) != 0;
  ::close(fd);  // also drops the lock
  if (!terminal) SetLastError(ERROR_FILE_NOT_FOUND);
  return terminal;
}

bool OpenThroughDispatcher(const std::string& name) {
  // Made without an owner; freed on every path, also when the open raises.
  auto dispatcher = std::make_unique<TSioPosixDispatcher>(nullptr);
  const int fd = dispatcher->DeviceOpen(name, kProbeQueueSize, kProbeQueueSize);
  if (fd < 0) return false;
  dispatcher->DeviceClose();
  return true;
}

}  // namespace

bool ProbePort(unsigned n) {
  if (n == 0) return false;
  const std::string name = PortDeviceName(n);
  // A failure that leaves no error of its own must not be read as an earlier access denied.
  SetLastError(ERROR_SUCCESS);
  const bool opened = ProbeThroughDispatcher ? OpenThroughDispatcher(name) : OpenDirect(name);
  if (opened) return true;
  // A port the user may not open is there all the same, as it always was in this list.
  const int error = GetLastError();
  return CountBusyPortsAsPresent && (error == ERROR_ACCESS_DENIED || IsPermissionDenied(error));
}
