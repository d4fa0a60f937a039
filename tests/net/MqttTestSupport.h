// A real MQTT broker (Debian's mosquitto) started by a test on 127.0.0.1, and a subscriber
// (libmosquitto) that collects what arrives.  A test without the broker installed skips.
#pragma once

#include <mutex>
#include <string>
#include <vector>

struct mosquitto;

// The broker program, or empty when it is not installed.
std::string BrokerProgram();
#define SKIP_WITHOUT_BROKER() \
  if (BrokerProgram().empty()) GTEST_SKIP() << "mosquitto is not installed (apt-get install mosquitto)"

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
int FreePort();

class TBroker {
 public:
  // Starts the broker on 127.0.0.1:port, its configuration, log and (`lasting`) saved state
  // in `folder`; Up() once it takes connections (5 s at most).  A lasting broker keeps the
  // sessions of subscribers with a client id, QoS 0 messages included, across a restart.
  TBroker(int port, const std::string& folder, bool lasting = false);
  ~TBroker();  // SIGTERM (a lasting broker saves its state) and wait
  TBroker(const TBroker&) = delete;
  TBroker& operator=(const TBroker&) = delete;

  bool Up() const { return FUp; }
  void Pause() const;   // SIGSTOP: it stops reading, its connections stay open
  void Resume() const;  // SIGCONT
  void Kill() const;    // SIGKILL: what it has not read is gone
  std::string Log() const;

 private:
  int FPid = -1;
  std::string FFolder;
  bool FUp = false;
};

struct TMqttMessage {
  std::string Topic;
  std::string Payload;
  bool Retained = false;
};

class TSubscriber {
 public:
  // Subscribes to `filter` at 127.0.0.1:port (QoS 1) and waits (5 s at most) until the broker
  // confirmed it.  A client id keeps the session at the broker while disconnected.
  TSubscriber(int port, const std::string& filter, const std::string& clientId = "");
  ~TSubscriber();
  TSubscriber(const TSubscriber&) = delete;
  TSubscriber& operator=(const TSubscriber&) = delete;

  bool Ready() const;
  std::vector<TMqttMessage> On(const std::string& topic) const;
  std::vector<std::string> Payloads(const std::string& topic) const;
  // Wait (10 s at most) until `count` messages came on `topic`, or its last one is `payload`.
  bool WaitForCount(const std::string& topic, std::size_t count) const;
  bool WaitForLast(const std::string& topic, const std::string& payload) const;

 private:
  mosquitto* FClient = nullptr;
  mutable std::mutex FMutex;
  bool FSubscribed = false;
  std::vector<TMqttMessage> FMessages;
};
