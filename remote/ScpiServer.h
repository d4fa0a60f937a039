// The panel as a SCPI instrument on a raw TCP socket: the public face of remote/.
//
//   TScpiServer server(panel, {"Maker", "MODEL", "1.0"}, post);
//   server.Listen("5025", error);          // 127.0.0.1:5025; "[::1]:0" for IPv6, a free port
//   feed listener:  server.Reading(m);      // each measurement
//   port listener:  server.LinkLost();      // the line to the instrument is lost
//   server.Stop();                          // before the panel goes
//
// Two threads: the network thread (remote/ScpiNetwork.h) and the owner thread, the one that
// owns the panel and calls everything here.  Commands run on the owner thread, one at a time
// (remote/ScpiInstrument.h): the network thread asks for a run with `post`, which queues a call
// to the owner thread and returns at once (PostToMainThread in the program; Qt's event loop
// runs it in the window through the main queue's wake hook).  Repeated requests merge into
// one queued call until it has run.
//
// Locks: the mailbox's mutex only (remote/ScpiMailbox.h), a leaf; `post` is never called with
// it held.  Shut-down (Stop, on the owner thread): the owner side stops running commands and
// forgets its sessions after a last run (so a query whose wait has just ended, as by the lost
// line that ends the logger, still answers); the network thread writes the replies made for up to
// StopFlushMs, closes every socket and ends; Stop joins it.  A queued call that runs after
// Stop finds the owner side gone (it holds only a weak reference) and does nothing, so the
// server may be destroyed while calls are still queued.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "measure/Measurement.h"
#include "remote/RemotePanel.h"
#include "remote/ScpiInstrument.h"
#include "remote/ScpiMailbox.h"
#include "remote/ScpiNetwork.h"

using TPostToOwner = std::function<void(std::function<void()>)>;

class TScpiServer {
 public:
  static constexpr std::size_t OutputLimit = 1 << 20;  // bytes of replies a client leaves unread
  static constexpr int LineQueueLimit = 32;            // lines of a client not yet run
  static constexpr int StopFlushMs = 1000;

  // `post` may be called from the network thread at any time until Stop has returned.
  TScpiServer(TRemotePanel& panel, TScpiIdentity identity, TPostToOwner post);
  ~TScpiServer();
  TScpiServer(const TScpiServer&) = delete;
  TScpiServer& operator=(const TScpiServer&) = delete;

  // Listens on [ADDRESS:]PORT (remote/ScpiNetwork.h) and starts; false with the reason.
  bool Listen(const std::string& where, std::string& error);
  // ADDRESS:PORT as bound.
  const std::string& Address() const { return FNetwork.Address(); }

  // ---- Owner thread ----
  // Every frame the measurement stream judged (measure/MeasurementStream.h): each new
  // measurement counts, its value in Hz or s when it is trusted, none when it is held,
  // overflowed or bad.
  void Reading(const TMeasurement& m);
  void LinkLost();
  // Safe to call more than once.
  void Stop();

 private:
  struct TShared;
  TScpiMailbox FMailbox{OutputLimit, LineQueueLimit};
  std::shared_ptr<TShared> FShared;  // the owner side, reached weakly by queued calls
  TScpiNetwork FNetwork;
};
