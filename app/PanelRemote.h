// Remote control of the panel over SCPI (remote/ScpiServer.h), for the window and the headless
// logger alike (--scpi, app/CommandLine.h).
//
// The panel's owner hands over what a remote command needs as TPanelControls: its own key
// press (a click in the window), its lamps, whether a key waits for its answer, and its
// reading.  This object adds what both owners share: the measurements of the feed (each goes
// to the server; the statistics are the feed's current series), and the state of the line,
// told as the strip tells it: connected, no data for three display periods (app/LinkHealth.h),
// lost (until the port opens again) or closed.
//
// Main thread only, like the feed and the port whose listeners it adds.  The feed and the port
// given to Attach must go before this object does (nothing is removed from them): create it
// before the window or the logger, and Stop it before they go, since the controls reach into
// them.  Commands that come before Attach find a closed line and no keys.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/LinkHealth.h"
#include "remote/ScpiServer.h"

class TMeasurementFeed;
class TSioComPort;

struct TPanelControls {
  std::function<void(int code)> PressKey;  // raises the port's error
  std::function<bool(int key)> KeyLit;
  std::function<bool()> KeyPending;
  std::function<std::string()> ReadingText;
};

class TPanelRemote final : private TRemotePanel {
 public:
  explicit TPanelRemote(const std::string& version);

  // Listens and starts the server; false with the reason.
  bool Listen(const std::string& where, std::string& error) { return FServer.Listen(where, error); }
  const std::string& Address() const { return FServer.Address(); }
  // Once, after the owner of `port` has set its OnLineLost, which is then called after the
  // server has heard of the loss.  Keeps every point of the feed's series (the Allan deviation
  // needs them).
  void Attach(TMeasurementFeed& feed, TSioComPort& port, TPanelControls controls);
  // Ends remote control (the server writes the replies it has and closes every client).
  void Stop() { FServer.Stop(); }

 private:
  void PressKey(int code) override;
  bool KeyLit(int key) const override;
  bool KeyPending() const override;
  std::string ReadingText() const override;
  TRemoteLink Link() const override;
  TRemoteStatistics Statistics() const override;
  void ResetStatistics() override;

  static TLinkHealth::TMs Now() { return TLinkHealth::NowMs(); }

  TScpiServer FServer;
  TMeasurementFeed* FFeed = nullptr;
  TSioComPort* FPort = nullptr;
  TPanelControls FControls;
  TLinkHealth FHealth;
  bool FLost = false;  // the line was lost and the port has not opened since
};

class THeadlessLogger;
// The headless logger's controls (app/HeadlessLogger.h).
TPanelControls HeadlessControls(THeadlessLogger& logger);

// A remote control listening as --scpi asks, its address said on `log` ("frontpanel: scpi:
// listening on 127.0.0.1:5025"); null without --scpi, and null with `failed` set when it
// cannot listen (the reason said on `log`).
std::unique_ptr<TPanelRemote> MakePanelRemote(const TProgramOptions& options, const char* version, std::FILE* log,
                                              bool& failed);
