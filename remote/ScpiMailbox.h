// What the network thread and the owner thread hand each other, under one mutex: the clients'
// lines in the order they arrived, and each client's replies not yet taken for its socket.
//
//   network thread --Post(Opened | Line | Closed)-->  events  --TakeEvents--> owner thread
//   network thread <--TakeOutput--  output per client  <--Reply(text, lines done)-- owner thread
//
// Bounds: a client has at most LineQueueLimit lines given to the owner and not yet finished;
// the network thread stops reading its socket meanwhile (MayRead), so a client that sends
// faster than its commands run is held back by TCP, not by memory.  A client whose replies
// waiting here pass OutputLimit bytes when another comes is marked overflowed: the network
// thread closes it (TakeOutput says so) and further replies are dropped.
//
// The mutex is a leaf: nothing else is taken, and nothing is called, while it is held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

using TScpiClientId = std::uint64_t;

struct TScpiEvent {
  enum TKind : std::uint8_t { evOpened, evLine, evTooLong, evClosed };
  TKind Kind = evLine;
  TScpiClientId Client = 0;
  std::string Line;
};

class TScpiMailbox {
 public:
  TScpiMailbox(std::size_t outputLimit, int lineQueueLimit)
      : FOutputLimit(outputLimit), FLineQueueLimit(lineQueueLimit) {}

  // ---- Network thread ----
  // True when the owner has to be told (the events were empty before).
  bool Post(TScpiEvent event);
  bool MayRead(TScpiClientId client) const;
  // Moves the client's waiting replies into `out` when it is empty; false when the client
  // overflowed.
  bool TakeOutput(TScpiClientId client, std::string& out);
  // No line of the client waits to run or finish, and no reply waits here.
  bool Idle(TScpiClientId client) const;
  // After Post(evClosed): the client is gone and its replies are dropped.
  void Forget(TScpiClientId client);
  std::int64_t WakeAtNs() const;

  // ---- Owner thread ----
  std::vector<TScpiEvent> TakeEvents();
  // A finished line's reply (empty: none; a line end is added) and the count of lines the
  // client had queued that are now finished.  False when the client is gone or overflowed.
  bool Reply(TScpiClientId client, const std::string& text, int linesDone);
  // When the owner next wants to run (a wait's deadline), monotonic ns; INT64_MAX: never.
  void SetWakeAtNs(std::int64_t ns);

 private:
  struct TBox {
    std::string Output;
    int Queued = 0;
    bool Overflowed = false;
  };
  const std::size_t FOutputLimit;
  const int FLineQueueLimit;
  mutable std::mutex FLock;
  std::vector<TScpiEvent> FEvents;
  std::unordered_map<TScpiClientId, TBox> FBoxes;
  std::int64_t FWakeAtNs = std::numeric_limits<std::int64_t>::max();
};
