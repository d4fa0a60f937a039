#include "remote/ScpiNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <vector>

#include "remote/ScpiInstrument.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 16384;
// Small socket buffers: a client that stops reading, or sends faster than its commands run,
// is held back soon, and the kernel keeps little for it.
constexpr int kSocketBuffer = 65536;
// How long the listening socket rests when the process is out of descriptors.
constexpr std::int64_t kAcceptPauseNs = 100'000'000;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch()).count();
}

std::string AddressText(const sockaddr_storage& a) {
  char host[INET6_ADDRSTRLEN] = "?";
  if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
    return "[" + std::string(host) + "]:" + std::to_string(ntohs(v6->sin6_port));
  }
  const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
  inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(v4->sin_port));
}

}  // namespace

bool SplitScpiAddress(const std::string& where, std::string& address, int& port) {
  address = "127.0.0.1";
  std::string digits = where;
  if (!where.empty() && where[0] == '[') {
    const auto close = where.find("]:");
    if (close == std::string::npos || close < 2) return false;
    address = where.substr(1, close - 1);
    digits = where.substr(close + 2);
  } else if (const auto colon = where.rfind(':'); colon != std::string::npos) {
    address = where.substr(0, colon);
    digits = where.substr(colon + 1);
    if (address.empty() || address.find_first_of(":[]") != std::string::npos) return false;
  }
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  port = std::stoi(digits);
  return port <= 65535;
}

struct TScpiNetwork::TClient {
  TScpiClientId Id = 0;
  int Fd = -1;
  std::string In;          // the line being received
  bool Discarding = false; // the line is over the limit: skipped up to its end
  bool ReadEnded = false;  // the client closed its sending side
  std::string Out;         // replies taken from the mailbox, being written
  std::size_t OutAt = 0;
};

TScpiNetwork::TScpiNetwork(TScpiMailbox& mailbox, std::function<void()> notifyOwner)
    : FMailbox(mailbox), FNotifyOwner(std::move(notifyOwner)) {
  FWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TScpiNetwork::~TScpiNetwork() {
  Stop(0);
  if (FListenFd >= 0) close(FListenFd);
  if (FWakeFd >= 0) close(FWakeFd);
}

bool TScpiNetwork::Listen(const std::string& where, std::string& error) {
  std::string address;
  int port = 0;
  if (!SplitScpiAddress(where, address, port)) {
    error = "--scpi takes [ADDRESS:]PORT, not '" + where + "'";
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
  FListenFd = socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, found->ai_protocol);
  const int on = 1;
  // The clients' sockets inherit the buffer sizes (the receive window is agreed on at connect).
  const bool ok = FListenFd >= 0 && setsockopt(FListenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                  setsockopt(FListenFd, SOL_SOCKET, SO_SNDBUF, &kSocketBuffer, sizeof kSocketBuffer) == 0 &&
                  setsockopt(FListenFd, SOL_SOCKET, SO_RCVBUF, &kSocketBuffer, sizeof kSocketBuffer) == 0 &&
                  bind(FListenFd, found->ai_addr, found->ai_addrlen) == 0 && listen(FListenFd, 16) == 0;
  const int reason = errno;
  freeaddrinfo(found);
  if (!ok || FWakeFd < 0) {
    error = "cannot listen on " + where + ": " + std::strerror(reason);
    if (FListenFd >= 0) close(FListenFd);
    FListenFd = -1;
    return false;
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  getsockname(FListenFd, reinterpret_cast<sockaddr*>(&bound), &size);
  FAddress = AddressText(bound);
  return true;
}

void TScpiNetwork::Start() { FThread = std::thread([this] { Run(); }); }

void TScpiNetwork::Wake() {
  if (FWakePending.exchange(true)) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(FWakeFd, &one, sizeof one);
}

void TScpiNetwork::Stop(int flushMs) {
  if (!FThread.joinable()) return;
  FFlushMs.store(flushMs);
  FStopping.store(true);
  FWakePending.store(false);
  Wake();
  FThread.join();
}

void TScpiNetwork::Accept(std::vector<TClient>& clients) {
  for (;;) {
    const int fd = accept4(FListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE) FAcceptPausedUntilNs = NowNs() + kAcceptPauseNs;
      return;
    }
    if (static_cast<int>(clients.size()) >= MaxClients) {
      close(fd);
      continue;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    TClient client;
    client.Id = FNextId++;
    client.Fd = fd;
    FPosted = FMailbox.Post({TScpiEvent::evOpened, client.Id, {}}) || FPosted;
    clients.push_back(std::move(client));
  }
}

void TScpiNetwork::CutLines(TClient& client, const char* data, std::size_t size) {
  constexpr std::size_t limit = TScpiInstrument::LineLimit;
  while (size > 0) {
    const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
    const std::size_t take = end != nullptr ? static_cast<std::size_t>(end - data) : size;
    // One byte more than the limit may be the CR of a CR LF.
    if (!client.Discarding && client.In.size() + take <= limit + 1) {
      client.In.append(data, take);
    } else {
      client.Discarding = true;
      client.In.clear();
    }
    if (end == nullptr) return;
    if (!client.In.empty() && client.In.back() == '\r') client.In.pop_back();
    const bool tooLong = client.Discarding || client.In.size() > limit;
    TScpiEvent event{tooLong ? TScpiEvent::evTooLong : TScpiEvent::evLine, client.Id, {}};
    if (!tooLong) event.Line.swap(client.In);
    FPosted = FMailbox.Post(std::move(event)) || FPosted;
    client.In.clear();
    client.Discarding = false;
    data += take + 1;
    size -= take + 1;
  }
}

// False when the client is to be closed.
bool TScpiNetwork::Read(TClient& client) {
  char buffer[kReadChunk];
  const ssize_t n = recv(client.Fd, buffer, sizeof buffer, 0);
  if (n > 0) {
    CutLines(client, buffer, static_cast<std::size_t>(n));
    return true;
  }
  if (n == 0) {
    client.ReadEnded = true;
    return true;
  }
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

bool TScpiNetwork::Write(TClient& client) {
  while (client.OutAt < client.Out.size()) {
    const ssize_t n = send(client.Fd, client.Out.data() + client.OutAt, client.Out.size() - client.OutAt, MSG_NOSIGNAL);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    client.OutAt += static_cast<std::size_t>(n);
  }
  client.Out.clear();
  client.OutAt = 0;
  return true;
}

void TScpiNetwork::Run() {
  std::vector<TClient> clients;
  std::vector<pollfd> fds;
  std::int64_t flushEndNs = std::numeric_limits<std::int64_t>::max();
  for (;;) {
    const bool stopping = FStopping.load();
    if (stopping && flushEndNs == std::numeric_limits<std::int64_t>::max())
      flushEndNs = NowNs() + std::int64_t{FFlushMs.load()} * 1'000'000;

    // Replies the owner left; a client that overflowed, or is done and has said all, goes.
    // Replies are written at once: a reply waits for no poll.
    bool unsent = false;
    for (TClient& c : clients) {
      if (c.Fd < 0) continue;  // closed in the last pass, erased below
      const bool fresh = c.Out.empty();
      bool keep = FMailbox.TakeOutput(c.Id, c.Out);
      if (keep && fresh && !c.Out.empty()) keep = Write(c);
      if (keep && c.ReadEnded && c.Out.empty() && FMailbox.Idle(c.Id)) keep = false;
      if (!keep) {
        close(c.Fd);
        c.Fd = -1;
      }
      unsent = unsent || !c.Out.empty();
    }
    std::erase_if(clients, [this](const TClient& c) {
      if (c.Fd >= 0) return false;
      FPosted = FMailbox.Post({TScpiEvent::evClosed, c.Id, {}}) || FPosted;
      FMailbox.Forget(c.Id);
      return true;
    });
    if (FPosted) FNotifyOwner();
    FPosted = false;
    if (stopping && (!unsent || NowNs() >= flushEndNs)) break;

    fds.clear();
    fds.push_back({FWakeFd, POLLIN, 0});
    const bool acceptPaused = NowNs() < FAcceptPausedUntilNs;
    fds.push_back({stopping || acceptPaused ? -1 : FListenFd, POLLIN, 0});
    for (const TClient& c : clients) {
      short events = c.Out.empty() ? 0 : POLLOUT;
      if (!stopping && !c.ReadEnded && FMailbox.MayRead(c.Id)) events |= POLLIN;
      fds.push_back({c.Fd, events, 0});
    }
    const std::int64_t wakeAt = stopping ? flushEndNs : FMailbox.WakeAtNs();
    const std::int64_t pollUntil = acceptPaused ? std::min(wakeAt, FAcceptPausedUntilNs) : wakeAt;
    int timeoutMs = -1;
    if (pollUntil != std::numeric_limits<std::int64_t>::max())
      timeoutMs = static_cast<int>(std::clamp<std::int64_t>((pollUntil - NowNs() + 999'999) / 1'000'000, 0, 60'000));
    poll(fds.data(), fds.size(), timeoutMs);

    if (fds[0].revents & POLLIN) {
      // Emptied before the flag is cleared: a Wake in between finds the flag still set and
      // writes nothing, and what it announces is looked at on the next turn anyway; a Wake
      // after the clear writes again.  The other order could swallow the last write and
      // leave the flag set for good, and this thread asleep with replies waiting.
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = read(FWakeFd, &count, sizeof count);
      FWakePending.store(false);
    }
    if (!stopping && wakeAt != std::numeric_limits<std::int64_t>::max() && NowNs() >= wakeAt) {
      FMailbox.SetWakeAtNs(std::numeric_limits<std::int64_t>::max());
      FPosted = true;
    }
    if (fds[1].revents & POLLIN) Accept(clients);
    for (std::size_t i = 0; i < clients.size() && i + 2 < fds.size(); ++i) {
      TClient& c = clients[i];
      const short revents = fds[i + 2].revents;
      bool keep = true;
      if (revents & POLLOUT) keep = Write(c);
      if (keep && (revents & POLLIN)) keep = Read(c);
      // Reset or broken: nothing more can be said to it.
      if (keep && (revents & (POLLERR | POLLNVAL))) keep = false;
      if (keep && (revents & POLLHUP) && !(revents & POLLIN)) keep = false;
      if (!keep) {
        close(c.Fd);
        c.Fd = -1;
      }
    }
  }
  for (TClient& c : clients) {
    if (c.Fd >= 0) close(c.Fd);
    FMailbox.Forget(c.Id);
  }
}
