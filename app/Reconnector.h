// Opening a lost line again, for the window and the headless logger alike.
//
// When the port reports a lost line (OnLineLost, after it has closed itself), the reconnector
// tries to open it again after 1 s, 2 s, 4 s and then every 5 s, but only once the device has
// come back (app/DeviceReturn.h): a path that led to a pseudo-terminal is never opened while it
// may lead to a terminal another program got meanwhile.  While the device is away it is looked
// for every second, without a try and without a word.
//
// The backoff goes on across connections that end soon after they opened (a server that
// accepts and closes at once is tried every 5 s, not every second): it starts again only after
// a connection that lasted StableMs.  What happens is told twice over: as a state for the
// window's strip (StateText: the loss's reason, and the last retry's after it), and as news for
// the logger's standard error, each thing once: a loss, a retry that failed otherwise than the
// one before, a return; connections that keep dropping are said once and then quietly retried
// until one lasts.
//
// Main thread only (the port's thread); no Qt.  Time comes from the clock given, so tests drive
// it by hand; the owner calls Poll once DueInMs has passed (a timer in the window, the wait of
// the logger's loop).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/DeviceReturn.h"
#include "app/Words.h"
#include "port/SioPort.h"

class TReconnector {
 public:
  using TMs = std::int64_t;
  using TClock = std::function<TMs()>;
  static constexpr TMs StableMs = 10'000;  // a connection that lasted this long resets the backoff
  static constexpr TMs LookMs = 1'000;     // how often a device not yet back is looked for

  // Listens to `port`'s opens and takes its OnLineLost; `changed` is called after each change of
  // state or news (the owner shows it, says it or wakes its loop).  The port may go first.
  TReconnector(TSioCustomComPort& port, TWords words, TClock clock, std::function<void()> changed);
  ~TReconnector();
  TReconnector(const TReconnector&) = delete;
  TReconnector& operator=(const TReconnector&) = delete;

  // The user chose another port: no more tries of the lost one.
  void Abandon();
  // "Reconnect now": a closed port is tried at once, still only on a device that came back.
  void TryNow();
  // Makes the try that is due, if any.
  void Poll();
  // Milliseconds until Poll has something to do; -1: nothing pending.
  TMs DueInMs() const;

  bool Reconnecting() const { return FLost; }
  // The strip's words while reconnecting: "line lost — reconnecting (device gone; port busy)".
  std::string StateText() const;
  // What the logger says, each once, oldest first (taken: the next call returns what is new).
  std::vector<std::string> TakeNews();

 private:
  void Opened();
  void LineLost(int error);
  void Try();
  void Schedule(TMs delay);
  TMs NextDelay();
  void Say(const std::string& news);
  std::string Where() const;

  TSioCustomComPort& FPort;
  TPortIdentity FPortIdentity;
  TWords FWords;
  TClock FClock;
  std::function<void()> FChanged;
  TDeviceReturn FDevice;      // what the port's path led to when it last opened
  bool FLost = false;
  std::string FLostReason;    // the loss's words ("device gone")
  std::string FRetryReason;   // the last failed retry's words ("port busy"), "" before one
  std::string FRetryMessage;  // its whole message, said once
  TReturn FAwaiting = drBack; // what the device rule waits for, drBack: not waiting
  int FAttempts = 0;          // tries since the backoff last started again
  TMs FDueAt = -1;            // the next try (or look), -1: none
  TMs FOpenedAt = -1;         // when the current or last connection opened
  bool FDropping = false;     // connections keep ending soon after they open (said once)
  std::vector<std::string> FNews;
};

// The few words for an open failure ("port busy", "no permission", ...).
std::string OpenProblemWords(TOpenProblem problem, const TWords& words = {});
// The few words for the error a line was lost with (OnLineLost's Error): "device gone" for a
// hang-up or I/O error (a pulled adapter, a closed peer), "connection closed by the server"
// when a network server ended the connection, else the system's text.
std::string LineLostWords(int error, const TWords& words = {});
