// The one seam through which the POSIX device layer reaches the system.
//
// Every call the layer makes on a device descriptor goes through a TSioSysCalls object, so
// a test can hand a dispatcher its own object that injects EINTR, EAGAIN, EIO, short writes
// or hang-up and forwards everything else to the real calls.  Each method has the contract
// of the system call of the same name: the result, and errno on failure.  The methods may be
// called from any thread at once.
#pragma once

#include <poll.h>
#include <sys/types.h>
#include <termios.h>

class TSioSysCalls {
 public:
  virtual ~TSioSysCalls() = default;
  virtual int Open(const char* path, int flags);
  virtual int Close(int fd);
  virtual ssize_t Read(int fd, void* buffer, size_t count);
  virtual ssize_t Write(int fd, const void* bytes, size_t count);
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs);
  // ppoll without a signal mask: waits shorter than a millisecond.
  virtual int PPoll(pollfd* fds, nfds_t count, const timespec* timeout);
  // ioctl with a pointer argument (every request the layer uses takes one).
  virtual int Ioctl(int fd, unsigned long request, void* argument);
  virtual int TcGetAttr(int fd, termios* settings);
  virtual int TcSetAttr(int fd, int when, const termios* settings);
  virtual int TcFlush(int fd, int queue);
  virtual int Flock(int fd, int operation);
};

// The real system calls; the default seam of every dispatcher.
TSioSysCalls& RealSysCalls();
