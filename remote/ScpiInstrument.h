// The owner thread's side of the SCPI server: one session per client, the commands run in the
// order their lines arrived, and the measurements and news of the line that waits need.
//
// Everything here runs on the thread that owns the panel (the GUI thread in the window, the
// main thread in the headless logger); nothing takes a lock except the mailbox's, for a few
// copies.  That thread gets here in two ways:
//   - Drain(), posted by the server (remote/ScpiServer.h) whenever the network thread has
//     news (lines, clients come or gone, a deadline reached) and whenever a wait has ended;
//     it runs at most LinesPerPass lines and posts itself again for the rest, so a flood of
//     commands never holds the thread for long;
//   - Reading() and LinkLost(), from the program's measurement feed and port.  They only
//     note what happened and ask for a Drain: a waiting line goes on there, not inside the
//     port's trigger event.
// Across clients the lines run in arrival order; a client whose query waits keeps its later
// lines back, and the others go on.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "remote/RemotePanel.h"
#include "remote/ScpiMailbox.h"
#include "remote/ScpiSession.h"

struct TScpiIdentity {
  std::string Maker;
  std::string Model;
  std::string Version;
};

class TScpiInstrument {
 public:
  static constexpr std::size_t LineLimit = 4096;  // bytes of one line, its end not counted
  static constexpr int LinesPerPass = 64;

  // `schedule` asks for a Drain on this thread soon (posts it); `wakeNetwork` tells the network
  // thread that replies wait.  Both are called on this thread and must not run anything here.
  TScpiInstrument(TRemotePanel& panel, TScpiIdentity identity, TScpiMailbox& mailbox,
                  std::function<void()> schedule, std::function<void()> wakeNetwork);

  void Drain();
  // A measurement; no value for a blank or "Error" reading.
  void Reading(std::optional<double> value);
  void LinkLost();
  // No more commands run; sessions are dropped.
  void Stop();

  // ---- For the commands ----
  TRemotePanel& Panel() { return FPanel; }
  std::string IdentityText() const;
  std::optional<double> LastValue() const { return FLast; }
  std::int64_t NowNs() const;
  // Why a measurement cannot come now (a lost or closed line), or empty.
  std::string LinkProblem() const;

 private:
  void RunEvents(int& budget);
  void Resume(int& budget);
  void RunSession(TScpiClientId id, TScpiSession& session, int& budget);
  void AfterPass();

  TRemotePanel& FPanel;
  const TScpiIdentity FIdentity;
  TScpiMailbox& FMailbox;
  const std::function<void()> FSchedule;
  const std::function<void()> FWakeNetwork;
  std::map<TScpiClientId, TScpiSession> FSessions;
  std::vector<TScpiEvent> FEvents;   // taken from the mailbox, not yet run
  std::size_t FNextEvent = 0;
  std::optional<double> FLast;
  bool FResume = false;              // a wait ended: its session goes on at the next Drain
  bool FDraining = false;
  bool FStopped = false;
};
