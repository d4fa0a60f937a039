#include "tools/simulator/Listener.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// "ADDRESS:PORT", IPv6 in brackets.
std::string Name(const sockaddr* a, socklen_t size) {
  char host[NI_MAXHOST], service[NI_MAXSERV];
  if (getnameinfo(a, size, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return "?";
  const bool v6 = std::strchr(host, ':') != nullptr;
  return (v6 ? "[" + std::string(host) + "]" : std::string(host)) + ":" + service;
}

}  // namespace

bool SplitListenAddress(const std::string& where, std::string& address, int& port) {
  std::string portText = where;
  address = "127.0.0.1";
  if (!where.empty() && where[0] == '[') {
    const auto close = where.find("]:");
    if (close == std::string::npos || close < 2) return false;
    address = where.substr(1, close - 1);
    portText = where.substr(close + 2);
  } else if (const auto colon = where.rfind(':'); colon != std::string::npos) {
    address = where.substr(0, colon);
    portText = where.substr(colon + 1);
    if (address.empty() || address.find(':') != std::string::npos) return false;
  }
  if (portText.empty() || portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos)
    return false;
  port = std::atoi(portText.c_str());
  return port <= 65535;
}

bool TListener::Open(const std::string& where, std::string& error) {
  std::string address;
  int port = 0;
  if (!SplitListenAddress(where, address, port)) {
    error = "--listen takes [ADDRESS:]PORT, not '" + where + "'";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0) {
    error = "cannot listen on " + where + ": " + gai_strerror(rc);
    return false;
  }
  FFd = socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, found->ai_protocol);
  const int on = 1;
  const bool ok = FFd >= 0 && setsockopt(FFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                  bind(FFd, found->ai_addr, found->ai_addrlen) == 0 && listen(FFd, 4) == 0;
  const int reason = errno;
  freeaddrinfo(found);
  if (!ok) {
    error = "cannot listen on " + where + ": " + std::strerror(reason);
    Close();
    return false;
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  getsockname(FFd, reinterpret_cast<sockaddr*>(&bound), &size);
  FUrl = "tcp://" + Name(reinterpret_cast<sockaddr*>(&bound), size);
  return true;
}

int TListener::Accept(bool take, std::string& peer) {
  sockaddr_storage from{};
  socklen_t size = sizeof from;
  const int fd = accept4(FFd, reinterpret_cast<sockaddr*>(&from), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return -1;
  peer = Name(reinterpret_cast<sockaddr*>(&from), size);
  if (!take) {
    close(fd);
    return -1;
  }
  // Each byte goes out as it is written, as on a wire, not held back to fill a segment.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

void TListener::Close() {
  if (FFd >= 0) close(FFd);
  FFd = -1;
}
