// Publishing the panel's measurements and its port's state over MQTT (publish/MqttPublisher.h),
// for the window and the headless logger alike (--mqtt, app/CommandLine.h).
//
// Every measurement the feed makes goes out as the JSON form of its CSV row
// (publish/ReadingJson.h).  Its elapsed_s counts from the start of the recording while one
// runs, so a published reading and its CSV row are equal field for field; with no recording it
// counts from Attach.  The status is "online" while the port is open, "closed" while it is
// not, and "lost" from a lost line until the port opens again; the publisher leaves "offline"
// when it ends and the broker does so (the will) when it vanishes.  SetLinkState takes any
// other text, for finer link states.
//
// Main thread only: the feed's listeners and the port's open and close listeners run there.
// The feed and the port given to Attach must go before this object does (nothing is removed
// from them): create it before the window or the logger that owns them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "publish/MqttPublisher.h"

class TMeasurementFeed;
class TSioComPort;

class TPanelPublishing {
 public:
  explicit TPanelPublishing(const TMqttConfig& config);

  // Publishes every measurement of `feed` from now on, and the state of `port` (at once, then
  // at every open, close and lost line).  Once, after the owner of `port` has set its
  // OnLineLost, which is then called after the status is set.
  void Attach(TMeasurementFeed& feed, TSioComPort& port);
  void SetLinkState(const std::string& state) { FPublisher.SetStatus(state); }

  TMqttPublisher& Publisher() { return FPublisher; }
  const TMqttPublisher& Publisher() const { return FPublisher; }

  // What a log should say since the last call: a new connection, why connecting failed (once
  // for each new reason between connections), readings starting to be dropped.
  std::vector<std::string> News();
  // "N readings published, M dropped" (complete after Stop).
  std::string Totals() const;
  // Sends what is queued, leaves "offline" and ends the connection (TMqttPublisher::Stop).
  void Stop() { FPublisher.Stop(); }

 private:
  TMqttPublisher FPublisher;
  const TMeasurementFeed* FFeed = nullptr;
  std::int64_t FStartNs = 0;
  std::uint64_t FToldConnections = 0;
  std::uint64_t FToldFailures = 0;
  std::string FToldProblem;
  bool FToldDropping = false;
};

// The publisher's settings from the command line.
TMqttConfig MqttConfigOf(const TProgramOptions& options);
// A publishing for --mqtt, already connecting; null without it.
std::unique_ptr<TPanelPublishing> MakePanelPublishing(const TProgramOptions& options);
