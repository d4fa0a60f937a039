#include "tools/simulator/Line.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool SetRaw9600(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 1;  // with O_NONBLOCK: EAGAIN when empty, 0 only on hang-up
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

namespace {

std::string SysText(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool TLine::CreatePty(const std::string& linkPath, std::string& error) {
  FFd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (FFd < 0 || grantpt(FFd) != 0 || unlockpt(FFd) != 0) {
    error = SysText("cannot create a pseudo-terminal");
    return false;
  }
  const char* name = ptsname(FFd);
  if (name == nullptr) {
    error = SysText("cannot name the pseudo-terminal");
    return false;
  }
  FPath = name;
  FSlaveFd = open(FPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (FSlaveFd < 0 || !SetRaw9600(FSlaveFd)) {
    error = SysText("cannot set up " + FPath);
    return false;
  }
  FWatchFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (FWatchFd < 0 || inotify_add_watch(FWatchFd, FPath.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    error = SysText("cannot watch " + FPath);
    return false;
  }
  if (!linkPath.empty()) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
      if (!S_ISLNK(st.st_mode)) {
        error = linkPath + " exists and is not a symbolic link";
        return false;
      }
      unlink(linkPath.c_str());
    }
    if (symlink(FPath.c_str(), linkPath.c_str()) != 0) {
      error = SysText("cannot make the link " + linkPath);
      return false;
    }
    FLinkPath = linkPath;
  }
  return true;
}

bool TLine::OpenDevice(const std::string& path, std::string& error) {
  FFd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (FFd < 0) {
    error = SysText("cannot open " + path);
    return false;
  }
  if (!isatty(FFd) || !SetRaw9600(FFd)) {
    error = path + " is not a serial device";
    return false;
  }
  tcflush(FFd, TCIOFLUSH);
  FPath = path;
  return true;
}

bool TLine::Listen(const std::string& where, std::string& error) {
  if (!FListener.Open(where, error)) return false;
  FPath = FListener.Url();
  return true;
}

void TLine::AcceptClient() {
  std::string peer;
  const int fd = FListener.Accept(FFd < 0, peer);
  if (fd >= 0) {
    FFd = fd;
    FPeer = peer;
    std::fprintf(stderr, "freqsim: client %s connected\n", peer.c_str());
  } else if (!peer.empty()) {
    std::fprintf(stderr, "freqsim: client %s refused: %s has the line\n", peer.c_str(), FPeer.c_str());
  }
}

void TLine::DropClient(const std::string& why) {
  if (FFd < 0) return;
  close(FFd);
  FFd = -1;
  std::fprintf(stderr, "freqsim: client %s %s\n", FPeer.c_str(), why.c_str());
}

long TLine::Write(const std::uint8_t* data, std::size_t size) { return ::write(FFd, data, size); }

long TLine::Read(std::uint8_t* data, std::size_t size) { return ::read(FFd, data, size); }

void TLine::OnPeerClosed() {
  char events[4096];
  while (read(FWatchFd, events, sizeof events) > 0) {
  }
  ioctl(FSlaveFd, TIOCNXCL);
}

int TLine::Unread() const {
  int count = 0;
  if (FSlaveFd >= 0) return ioctl(FSlaveFd, FIONREAD, &count) == 0 ? count : 0;
  if (FFd >= 0) return ioctl(FFd, TIOCOUTQ, &count) == 0 ? count : 0;
  return 0;
}

void TLine::Close() {
  if (!FLinkPath.empty()) {
    unlink(FLinkPath.c_str());
    FLinkPath.clear();
  }
  for (int* fd : {&FWatchFd, &FSlaveFd, &FFd}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
  FListener.Close();
}
