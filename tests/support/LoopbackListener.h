// A listening TCP socket on 127.0.0.1, on a port the system picks: the far end of a tcp:// or
// rfc2217:// line in tests and benchmarks (a device server played by the test).  A line's
// connection completes at once (the backlog holds it); Accept takes it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

class TLoopbackListener {
 public:
  TLoopbackListener() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (FListen >= 0 && bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(FListen, 8) == 0 &&
        getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
      FPort = ntohs(a.sin_port);
    }
  }
  ~TLoopbackListener() {
    if (FListen >= 0) close(FListen);
  }
  TLoopbackListener(const TLoopbackListener&) = delete;
  TLoopbackListener& operator=(const TLoopbackListener&) = delete;

  int Port() const { return FPort; }  // 0 when no port could be had
  std::string Url(const std::string& scheme = "tcp") const {
    return scheme + "://127.0.0.1:" + std::to_string(FPort);
  }
  // The next connection, with TCP_NODELAY (non-blocking when asked), or -1 when none comes
  // within `ms`.  The caller closes it.
  int Accept(int ms = 5000, bool nonBlocking = false) const {
    pollfd p{FListen, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return -1;
    const int fd = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0));
    const int one = 1;
    if (fd >= 0) setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
  }

 private:
  int FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int FPort = 0;
};
