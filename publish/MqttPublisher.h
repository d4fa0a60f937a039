// An MQTT client that publishes messages without ever making its caller wait for the network.
//
// Readings go to TOPIC/reading (QoS 1, not retained); a status text is kept retained at
// TOPIC/status (QoS 1), published again after every (re)connection, and the broker is left a
// last will of "offline" there (retained) for a publisher that vanishes without a word.  A
// publisher that stops in order says "offline" itself after sending what it still holds.
//
// Threads and who owns what:
//   - the caller's thread (the panel's main thread) calls Post, SetStatus, Stats and Stop.
//     They only take the publisher's own mutex for a few copies and write to an eventfd to
//     wake the network thread: no libmosquitto call, no system call that can wait.
//   - the network thread, one per publisher, made by the constructor, owns the libmosquitto
//     client entirely: it connects (name look-up and TCP connect block this thread only),
//     reads and writes the socket when poll() says so, publishes from the queue and runs
//     libmosquitto's callbacks.  libmosquitto runs no thread of its own here: its threaded
//     loop gives up for good when the broker refuses the first connection (2.0.11), so the
//     reconnecting, with a delay doubling from ReconnectMinMs to ReconnectMaxMs, is done here.
//   - the queue (QueueCapacity readings) lies between them.  When it is full the oldest
//     reading is dropped.  At most MaxInFlight readings are handed to the client and not yet
//     acknowledged, so a broker that stops reading fills the queue, not memory.
//
// A reading counts as sent once the broker has acknowledged it, and as dropped when the queue
// overflowed, when the connection broke before its acknowledgement came, or when Stop gave up
// on it.  After Stop, every posted reading is one or the other.  Why QoS 1 and not QoS 0: a
// reading written into the socket is not yet at the broker.  A broker that stalls (stopped,
// swapping, its host gone) leaves the system's buffers to take thousands of readings until
// the keep-alive gives up on it, and those die with the connection; QoS 0 would have counted
// them all as published with no way to tell which arrived.  With acknowledgements the count is
// exact for what arrived, the loss is at most MaxInFlight readings and is counted (a few of
// those may have reached the broker: dropped means "not confirmed"), and the acknowledgements
// cost nothing at the instrument's rate of tens of readings a second.
// One mutex guards what the threads share (queue, status, counts); it is never held while
// libmosquitto is called.  Callers learn of changes by asking Stats (the window twice a
// second, the logger once a second), so nothing calls out of the network thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

struct TMqttConfig {
  std::string Host;                   // a name or a numeric address (IPv6 without brackets)
  int Port = 1883;
  std::string Topic = "frontpanel";   // the prefix of the topics
  std::size_t QueueCapacity = 1000;   // readings waiting for the broker (several minutes' worth)
  int MaxInFlight = 32;               // readings handed to the client, not yet in the socket
  int KeepAliveS = 10;                // the broker publishes the will this long after silence;
                                      // a broker silent as long is given up on (5 at least)
  int ReconnectMinMs = 1000;
  int ReconnectMaxMs = 30000;
  int StopFlushMs = 1500;             // Stop's time for what is queued and the last status
  int StopLimitMs = 3000;             // after this Stop leaves a stuck connect attempt behind
  std::string InitialStatus;          // empty: no status until SetStatus gives one
};

// "host:port", an IPv6 address in brackets: how messages name the broker.
std::string BrokerName(const TMqttConfig& config);

struct TMqttStats {
  bool Connected = false;       // the broker accepted the session (CONNACK) and it holds
  std::string Problem;          // why the last attempt failed or the last connection broke;
                                // kept once connected again (Connected says if it is current)
  std::uint64_t Failures = 0;   // attempts that failed and connections that broke
  std::uint64_t Posted = 0;     // readings given to Post
  std::uint64_t Sent = 0;       // acknowledged by the broker
  std::uint64_t Dropped = 0;    // not confirmed: queue full, connection broken, or left at Stop
  std::size_t Queued = 0;       // waiting now
  std::uint64_t Connections = 0;  // sessions the broker accepted so far
};

class TMqttPublisher {
 public:
  // Starts the network thread, which connects at once.  Never fails: a broker that cannot be
  // reached is tried again and again, and Stats says why it failed.
  explicit TMqttPublisher(TMqttConfig config);
  // Stop().
  ~TMqttPublisher();
  TMqttPublisher(const TMqttPublisher&) = delete;
  TMqttPublisher& operator=(const TMqttPublisher&) = delete;

  const TMqttConfig& Config() const { return FConfig; }
  std::string ReadingTopic() const { return FConfig.Topic + "/reading"; }
  std::string StatusTopic() const { return FConfig.Topic + "/status"; }

  // Queues one reading's message.  False when the queue was full (its oldest reading was
  // dropped to make room) or the publisher has stopped (the message is dropped).  Any thread;
  // never waits for the network.
  bool Post(std::string message);
  // The status text to keep retained at TOPIC/status (not empty); a later one replaces one not
  // yet sent.  Any thread; never waits.  Ignored after Stop.
  void SetStatus(std::string status);
  TMqttStats Stats() const;

  // Sends what is queued and the status "offline" (for StopFlushMs at most, while connected),
  // ends the session and the network thread.  A thread stuck longer than StopLimitMs in a name
  // look-up or a connect to a host that does not answer is left to finish by itself (it
  // touches nothing but its own state).  Safe to call more than once; any thread but the
  // network thread.
  void Stop();

  struct TCore;

 private:
  TMqttConfig FConfig;
  std::shared_ptr<TCore> FCore;  // shared with the network thread
  std::thread FThread;
};
