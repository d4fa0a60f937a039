// A real MQTT broker (Debian's mosquitto) started by a test on 127.0.0.1, and a subscriber
// (libmosquitto) that collects what arrives.  A test without the broker installed skips.
#pragma once

#include <mutex>
#include <string>
#include <vector>

struct mosquitto;

// The broker program, or empty when it is not installed.
std::string BrokerProgram();
// Skips the running test, saying why, when the broker is not installed.
#define SKIP_WITHOUT_BROKER()                                                                  \
  if (BrokerProgram().empty()) GTEST_SKIP() << "mosquitto is not installed (apt-get install mosquitto)"

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
int FreePort();

class TBroker {
 public:
  // Starts the broker on 127.0.0.1:port with its configuration, log and (when `persistent`)
  // its saved state in `folder`; Up() tells whether it took connections within 5 s.  A
  // persistent broker queues QoS 0 messages for a subscriber with a lasting session.
  TBroker(int port, const std::string& folder, bool persistent = false);
  // Stops it with SIGTERM (a persistent broker saves its state) and waits.
  ~TBroker();
  TBroker(const TBroker&) = delete;
  TBroker& operator=(const TBroker&) = delete;

  bool Up() const { return FUp; }
  int Port() const { return FPort; }
  void Pause();   // SIGSTOP: it stops reading, its connections stay open
  void Resume();  // SIGCONT
  std::string Log() const;

 private:
  int FPid = -1;
  int FPort;
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
  // Connects to 127.0.0.1:port and subscribes to `filter` (QoS 1); Ready() once the broker
  // confirmed the subscription (waited for up to 5 s).  A non-empty `lastingId` keeps the
  // session at the broker under that client id while disconnected.
  TSubscriber(int port, const std::string& filter, const std::string& lastingId = "");
  ~TSubscriber();
  TSubscriber(const TSubscriber&) = delete;
  TSubscriber& operator=(const TSubscriber&) = delete;

  bool Ready() const;
  std::vector<TMqttMessage> Messages() const;
  std::vector<TMqttMessage> On(const std::string& topic) const;
  // Waits (up to timeoutMs) until `count` messages or more came on `topic`.
  bool WaitForCount(const std::string& topic, std::size_t count, int timeoutMs = 10000) const;
  // Waits until the last message on `topic` has this payload.
  bool WaitForLast(const std::string& topic, const std::string& payload, int timeoutMs = 10000) const;

 private:
  mosquitto* FClient = nullptr;
  mutable std::mutex FMutex;
  bool FSubscribed = false;
  std::vector<TMqttMessage> FMessages;
};
