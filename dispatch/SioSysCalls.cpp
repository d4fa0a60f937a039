#include "dispatch/SioSysCalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

int TSioSysCalls::Open(const char* path, int flags) { return ::open(path, flags); }
int TSioSysCalls::Close(int fd) { return ::close(fd); }
ssize_t TSioSysCalls::Read(int fd, void* buffer, size_t count) { return ::read(fd, buffer, count); }
ssize_t TSioSysCalls::Write(int fd, const void* bytes, size_t count) { return ::write(fd, bytes, count); }
int TSioSysCalls::Poll(pollfd* fds, nfds_t count, int timeoutMs) { return ::poll(fds, count, timeoutMs); }
int TSioSysCalls::PPoll(pollfd* fds, nfds_t count, const timespec* timeout) {
  return ::ppoll(fds, count, timeout, nullptr);
}
int TSioSysCalls::Ioctl(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }
int TSioSysCalls::TcGetAttr(int fd, termios* settings) { return ::tcgetattr(fd, settings); }
int TSioSysCalls::TcSetAttr(int fd, int when, const termios* settings) { return ::tcsetattr(fd, when, settings); }
int TSioSysCalls::TcFlush(int fd, int queue) { return ::tcflush(fd, queue); }
int TSioSysCalls::Flock(int fd, int operation) { return ::flock(fd, operation); }

TSioSysCalls& RealSysCalls() {
  static TSioSysCalls calls;
  return calls;
}
