#include "app/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool OutputClosed = false;

}  // namespace

void OpenStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) OutputClosed = true;
    // The lowest free number: this one, as the ones below it are open.
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
}

bool StandardOutputWasClosed() { return OutputClosed; }
