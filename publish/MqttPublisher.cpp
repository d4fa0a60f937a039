#include "publish/MqttPublisher.h"

#include <mosquitto.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace {

using TClock = std::chrono::steady_clock;

constexpr const char* kOffline = "offline";
// Readings go with an acknowledgement (QoS 1): see MqttPublisher.h for why.
constexpr int kReadingQos = 1;
// The longest wait in poll while connected: libmosquitto's keep-alive runs between waits.
constexpr int kServiceMs = 1000;

std::string ErrorText(int rc, int error, int keepAliveS) {
  // libmosquitto has no text of its own for this one ("Unknown error.").
  if (rc == MOSQ_ERR_KEEPALIVE) {
    return "no answer from the broker within the keep-alive time (" + std::to_string(keepAliveS) + " s)";
  }
  if (rc == MOSQ_ERR_ERRNO) {
    char text[128];
    return strerror_r(error, text, sizeof text);
  }
  return mosquitto_strerror(rc);
}

int MsUntil(TClock::time_point when) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - TClock::now()).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, kServiceMs));
}

}  // namespace

struct TMqttPublisher::TCore {
  explicit TCore(TMqttConfig config);
  ~TCore();

  void Wake();
  void Run();

  // ---- Network thread only ----
  bool NewClient();
  void DropClient();
  // One wait in poll (at most timeoutMs) and the client's read, write and housekeeping; the
  // client's result, MOSQ_ERR_SUCCESS while the connection holds.
  int Service(int timeoutMs);
  void WaitForWake(int timeoutMs);
  void PublishStatus();
  void PublishQueued();
  void ConnectionLost(const std::string& why);
  void ConnectFailed(const std::string& why);
  void Shutdown();
  bool StopAsked() const;
  static void OnConnect(mosquitto*, void* core, int rc);
  static void OnPublish(mosquitto*, void* core, int mid);

  const TMqttConfig Config;
  const std::string ReadingTopic;
  const std::string StatusTopic;
  int WakeFd = -1;
  std::atomic<bool> WakePending{false};

  // ---- Under Mutex: shared by the caller's thread and the network thread ----
  mutable std::mutex Mutex;
  std::condition_variable EndedCv;
  std::deque<std::string> Queue;
  std::string Status;
  std::uint64_t StatusVersion = 1;  // bumped by each SetStatus
  bool Stopping = false;
  bool Ended = false;               // the network thread has finished with everything
  TMqttStats Stats;

  // ---- Network thread only ----
  mosquitto* Client = nullptr;
  bool SessionUp = false;
  int InFlight = 0;                    // readings handed to the client, not yet acknowledged
  std::uint64_t StatusSentVersion = 0; // the version published in this session
  std::uint64_t StatusAckedVersion = 0;
  int StatusMid = -1;
  int ReconnectDelayMs = 0;
  std::string Refused;                 // the broker's reason for refusing this session
};

TMqttPublisher::TCore::TCore(TMqttConfig config)
    : Config(std::move(config)),
      ReadingTopic(Config.Topic + "/reading"),
      StatusTopic(Config.Topic + "/status"),
      Status(Config.InitialStatus),
      ReconnectDelayMs(Config.ReconnectMinMs) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mosquitto_lib_init(); });
  WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TMqttPublisher::TCore::~TCore() {
  if (Client != nullptr) mosquitto_destroy(Client);
  if (WakeFd >= 0) close(WakeFd);
}

// Any thread.  Repeated wake-ups before the network thread has looked merge into one write.
void TMqttPublisher::TCore::Wake() {
  if (WakePending.exchange(true)) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(WakeFd, &one, sizeof one);
}

bool TMqttPublisher::TCore::StopAsked() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Stopping;
}

// A fresh client for every connection attempt: whatever state a broken connection left in the
// old one goes with it.
bool TMqttPublisher::TCore::NewClient() {
  Client = mosquitto_new(nullptr, true, this);
  if (Client == nullptr) return false;
  mosquitto_will_set(Client, StatusTopic.c_str(), static_cast<int>(std::strlen(kOffline)), kOffline, 1, true);
  mosquitto_connect_callback_set(Client, &TCore::OnConnect);
  mosquitto_publish_callback_set(Client, &TCore::OnPublish);
  return true;
}

void TMqttPublisher::TCore::DropClient() {
  if (Client != nullptr) mosquitto_destroy(Client);  // closes the socket
  Client = nullptr;
  SessionUp = false;
  StatusMid = -1;
}

void TMqttPublisher::TCore::OnConnect(mosquitto*, void* core, int rc) {
  auto* c = static_cast<TCore*>(core);
  if (rc != 0) {
    // The broker refused the session; it closes the connection, which Service then reports.
    c->Refused = std::string("the broker refused: ") + mosquitto_connack_string(rc);
    return;
  }
  c->SessionUp = true;
  c->StatusSentVersion = 0;  // the will may have replaced it meanwhile
  c->ReconnectDelayMs = c->Config.ReconnectMinMs;
  {
    std::lock_guard<std::mutex> lock(c->Mutex);
    c->Stats.Connected = true;
    ++c->Stats.Connections;
  }
}

// The broker has acknowledged a reading, or the status.
void TMqttPublisher::TCore::OnPublish(mosquitto*, void* core, int mid) {
  auto* c = static_cast<TCore*>(core);
  if (mid == c->StatusMid) {
    c->StatusAckedVersion = c->StatusSentVersion;
    c->StatusMid = -1;
    return;
  }
  if (c->InFlight > 0) --c->InFlight;
  std::lock_guard<std::mutex> lock(c->Mutex);
  ++c->Stats.Sent;
}

int TMqttPublisher::TCore::Service(int timeoutMs) {
  const int socket = mosquitto_socket(Client);
  if (socket < 0) return MOSQ_ERR_NO_CONN;
  pollfd fds[2] = {{WakeFd, POLLIN, 0},
                   {socket, static_cast<short>(POLLIN | (mosquitto_want_write(Client) ? POLLOUT : 0)), 0}};
  if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) return MOSQ_ERR_ERRNO;
  if (fds[0].revents & POLLIN) WaitForWake(0);
  int rc = MOSQ_ERR_SUCCESS;
  if (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) rc = mosquitto_loop_read(Client, 1);
  if (rc == MOSQ_ERR_SUCCESS && (fds[1].revents & POLLOUT)) rc = mosquitto_loop_write(Client, 1);
  if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(Client);
  if (rc == MOSQ_ERR_SUCCESS && mosquitto_socket(Client) < 0) rc = MOSQ_ERR_CONN_LOST;
  return rc;
}

// Waits until woken or timeoutMs has passed, and takes the wake-up.  The descriptor is
// emptied before the flag is cleared, and both before the queue is looked at again: a Post
// in between finds the flag set and its item is seen; a Post after writes a new wake-up.  (The
// other order let a Post's write be read away while its flag stayed set, so every later Post
// skipped its write and the thread slept to its next tick.)
void TMqttPublisher::TCore::WaitForWake(int timeoutMs) {
  pollfd fd{WakeFd, POLLIN, 0};
  if (timeoutMs > 0) poll(&fd, 1, timeoutMs);
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = read(WakeFd, &count, sizeof count);
  WakePending.store(false);
}

// One status at a time: a newer one waits for the broker's acknowledgement of the one before,
// so an acknowledgement is never taken for a reading's.
void TMqttPublisher::TCore::PublishStatus() {
  if (StatusMid != -1) return;
  std::string status;
  std::uint64_t version = 0;
  {
    std::lock_guard<std::mutex> lock(Mutex);
    if (StatusVersion == StatusSentVersion || Status.empty()) return;
    status = Status;
    version = StatusVersion;
  }
  int mid = 0;
  if (mosquitto_publish(Client, &mid, StatusTopic.c_str(), static_cast<int>(status.size()), status.data(), 1,
                        true) == MOSQ_ERR_SUCCESS) {
    StatusSentVersion = version;
    StatusMid = mid;
  }
}

void TMqttPublisher::TCore::PublishQueued() {
  while (SessionUp && InFlight < Config.MaxInFlight) {
    std::string message;
    {
      std::lock_guard<std::mutex> lock(Mutex);
      if (Queue.empty()) return;
      message = std::move(Queue.front());
      Queue.pop_front();
      Stats.Queued = Queue.size();
    }
    ++InFlight;
    const int rc = mosquitto_publish(Client, nullptr, ReadingTopic.c_str(), static_cast<int>(message.size()),
                                     message.data(), kReadingQos, false);
    if (rc != MOSQ_ERR_SUCCESS) {
      --InFlight;
      std::lock_guard<std::mutex> lock(Mutex);
      ++Stats.Dropped;
      return;  // a broken connection shows in the next Service
    }
  }
}

void TMqttPublisher::TCore::ConnectionLost(const std::string& why) {
  DropClient();
  {
    std::lock_guard<std::mutex> lock(Mutex);
    Stats.Dropped += static_cast<std::uint64_t>(InFlight);
    Stats.Connected = false;
    Stats.Problem = Refused.empty() ? why : Refused;
    ++Stats.Failures;
  }
  Refused.clear();
  InFlight = 0;
}

void TMqttPublisher::TCore::ConnectFailed(const std::string& why) {
  DropClient();
  std::lock_guard<std::mutex> lock(Mutex);
  Stats.Problem = why;
  ++Stats.Failures;
}

void TMqttPublisher::TCore::Run() {
  // A broker that closes while we write must give EPIPE here, not end the program; the
  // signal stays pending on this thread alone.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

  const std::string where = BrokerName(Config);
  TClock::time_point nextAttempt = TClock::now();
  while (!StopAsked()) {
    if (Client == nullptr) {
      if (TClock::now() < nextAttempt) {
        WaitForWake(MsUntil(nextAttempt));
        continue;
      }
      // Blocks this thread for the name look-up and the TCP connect; the session starts with
      // the broker's answer, which Service reads.
      int rc = MOSQ_ERR_NOMEM;
      if (NewClient()) rc = mosquitto_connect(Client, Config.Host.c_str(), Config.Port, Config.KeepAliveS);
      const int error = errno;
      if (rc != MOSQ_ERR_SUCCESS) {
        ConnectFailed(where + ": " + ErrorText(rc, error, Config.KeepAliveS));
        nextAttempt = TClock::now() + std::chrono::milliseconds(ReconnectDelayMs);
        ReconnectDelayMs = std::min(ReconnectDelayMs * 2, Config.ReconnectMaxMs);
        continue;
      }
    }
    const int rc = Service(kServiceMs);
    const int error = errno;
    if (rc != MOSQ_ERR_SUCCESS) {
      ConnectionLost(where + ": " +
                     (rc == MOSQ_ERR_CONN_LOST ? std::string("connection lost") : ErrorText(rc, error, Config.KeepAliveS)));
      nextAttempt = TClock::now() + std::chrono::milliseconds(ReconnectDelayMs);
      ReconnectDelayMs = std::min(ReconnectDelayMs * 2, Config.ReconnectMaxMs);
      continue;
    }
    if (SessionUp) {
      PublishStatus();
      PublishQueued();
    }
  }
  Shutdown();
}

// While the session holds: the queue, then "offline", each written out, within StopFlushMs.
// Then the session ends with a DISCONNECT (the broker drops the will) and whatever is left
// counts as dropped.
void TMqttPublisher::TCore::Shutdown() {
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(Config.StopFlushMs);
  std::uint64_t offlineVersion = 0;
  while (SessionUp && TClock::now() < deadline) {
    PublishQueued();
    bool drained = false;
    {
      std::lock_guard<std::mutex> lock(Mutex);
      drained = Queue.empty() && InFlight == 0;
      if (drained && offlineVersion == 0) {
        Status = kOffline;
        offlineVersion = ++StatusVersion;
      }
    }
    if (drained) {
      PublishStatus();
      if (StatusAckedVersion == offlineVersion) break;
    }
    const int rc = Service(MsUntil(deadline));
    if (rc != MOSQ_ERR_SUCCESS) ConnectionLost("connection lost");
  }
  if (SessionUp) mosquitto_disconnect(Client);
  DropClient();
  std::lock_guard<std::mutex> lock(Mutex);
  Stats.Dropped += Queue.size() + static_cast<std::uint64_t>(InFlight);
  Queue.clear();
  InFlight = 0;
  Stats.Queued = 0;
  Stats.Connected = false;
  Ended = true;
  EndedCv.notify_all();
}

std::string BrokerName(const TMqttConfig& config) {
  const bool v6 = config.Host.find(':') != std::string::npos;
  return (v6 ? "[" + config.Host + "]" : config.Host) + ":" + std::to_string(config.Port);
}

TMqttPublisher::TMqttPublisher(TMqttConfig config) : FConfig(std::move(config)) {
  FConfig.QueueCapacity = std::max<std::size_t>(FConfig.QueueCapacity, 1);
  FConfig.MaxInFlight = std::max(FConfig.MaxInFlight, 1);
  FConfig.ReconnectMinMs = std::max(FConfig.ReconnectMinMs, 1);
  FConfig.ReconnectMaxMs = std::max(FConfig.ReconnectMaxMs, FConfig.ReconnectMinMs);
  FCore = std::make_shared<TCore>(FConfig);
  // The thread holds the core too, so a thread left behind by Stop still has it.
  FThread = std::thread([core = FCore] { core->Run(); });
}

TMqttPublisher::~TMqttPublisher() { Stop(); }

bool TMqttPublisher::Post(std::string message) {
  bool kept = true;
  {
    std::lock_guard<std::mutex> lock(FCore->Mutex);
    ++FCore->Stats.Posted;
    if (FCore->Stopping) {
      ++FCore->Stats.Dropped;
      return false;
    }
    if (FCore->Queue.size() >= FConfig.QueueCapacity) {
      FCore->Queue.pop_front();
      ++FCore->Stats.Dropped;
      kept = false;
    }
    FCore->Queue.push_back(std::move(message));
    FCore->Stats.Queued = FCore->Queue.size();
  }
  FCore->Wake();
  return kept;
}

void TMqttPublisher::SetStatus(std::string status) {
  {
    std::lock_guard<std::mutex> lock(FCore->Mutex);
    if (FCore->Stopping || status.empty() || status == FCore->Status) return;
    FCore->Status = std::move(status);
    ++FCore->StatusVersion;
  }
  FCore->Wake();
}

TMqttStats TMqttPublisher::Stats() const {
  std::lock_guard<std::mutex> lock(FCore->Mutex);
  return FCore->Stats;
}

void TMqttPublisher::Stop() {
  if (!FThread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(FCore->Mutex);
    FCore->Stopping = true;
  }
  FCore->Wake();
  bool ended = false;
  {
    std::unique_lock<std::mutex> lock(FCore->Mutex);
    ended = FCore->EndedCv.wait_for(lock, std::chrono::milliseconds(FConfig.StopLimitMs), [this] { return FCore->Ended; });
  }
  if (ended) {
    FThread.join();
  } else {
    FThread.detach();
  }
}
