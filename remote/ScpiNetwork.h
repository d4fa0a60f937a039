// The SCPI server's network thread: raw TCP (one command or query per line, replies ended by
// LF), several clients at once, never waiting for any of them.
//
// The thread owns the sockets outright.  It waits in poll() on the listening socket, every
// client and an eventfd, reads what clients send, cuts it into lines (LF or CR LF; a line over
// TScpiInstrument::LineLimit bytes is dropped whole and reported as such), posts them to the
// mailbox (remote/ScpiMailbox.h) and tells the owner; it writes the replies the owner left in
// the mailbox as the sockets take them.  Each client socket has a small send buffer and no
// send delay, so a client that stops reading is found out soon and a reply goes out at once.
//
// A client that closes its sending side still gets the replies to what it sent; one that
// resets, or whose replies overflow (the mailbox's limit), is closed.  More than MaxClients at
// once: the newcomer is closed at once.
//
// Threads: Listen, Start and Stop on the owner's thread; Wake on any thread (repeated wakes
// merge into one eventfd write); the rest on the network thread.  Stop lets the thread write
// what is waiting for up to flushMs, closes every socket and joins the thread; the thread
// waits for nobody, so the join always ends.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "remote/ScpiMailbox.h"

// Splits [ADDRESS:]PORT: ADDRESS 127.0.0.1 when left out, an IPv6 address in brackets; PORT
// 0..65535 (0: the system picks a free one).  False when it is not of that form.
bool SplitScpiAddress(const std::string& where, std::string& address, int& port);

class TScpiNetwork {
 public:
  static constexpr int MaxClients = 16;

  // `notifyOwner` is called on the network thread whenever the owner has something to do.
  TScpiNetwork(TScpiMailbox& mailbox, std::function<void()> notifyOwner);
  ~TScpiNetwork();
  TScpiNetwork(const TScpiNetwork&) = delete;
  TScpiNetwork& operator=(const TScpiNetwork&) = delete;

  // Binds and listens; false with the reason in `error`.
  bool Listen(const std::string& where, std::string& error);
  // ADDRESS:PORT as bound ([ADDRESS]:PORT for IPv6), the port the system picked included.
  const std::string& Address() const { return FAddress; }
  void Start();
  void Wake();
  void Stop(int flushMs);

 private:
  struct TClient;
  void Run();
  void Accept(std::vector<TClient>& clients);
  bool Read(TClient& client);
  bool Write(TClient& client);
  void CutLines(TClient& client, const char* data, std::size_t size);

  TScpiMailbox& FMailbox;
  const std::function<void()> FNotifyOwner;
  int FListenFd = -1;
  int FWakeFd = -1;
  std::string FAddress;
  std::atomic<bool> FWakePending{false};
  std::atomic<bool> FStopping{false};
  std::atomic<int> FFlushMs{0};
  bool FPosted = false;  // network thread: an event was posted in this pass
  TScpiClientId FNextId = 1;
  // Network thread: out of descriptors, the listening socket stays readable with nobody to
  // take; it is left out of the wait until then rather than polled round at full speed.
  std::int64_t FAcceptPausedUntilNs = 0;
  std::thread FThread;
};
