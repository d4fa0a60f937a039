#include "net/MqttTestSupport.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "support/Wait.h"

extern char** environ;

namespace {

// A socket on 127.0.0.1:port: bound (port 0: any) or connected.  -1 on failure.
int LoopbackSocket(int port, bool connectIt) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const auto* address = reinterpret_cast<sockaddr*>(&a);
  if ((connectIt ? connect(fd, address, sizeof a) : bind(fd, address, sizeof a)) == 0) return fd;
  close(fd);
  return -1;
}

constexpr auto kWait = std::chrono::seconds(10);

}  // namespace

std::string BrokerProgram() {
  for (const char* path : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto"})
    if (access(path, X_OK) == 0) return path;
  return {};
}

int FreePort() {
  const int fd = LoopbackSocket(0, false);
  sockaddr_in a{};
  socklen_t size = sizeof a;
  const int port = fd >= 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0 ? ntohs(a.sin_port) : -1;
  close(fd);
  return port;
}

TBroker::TBroker(int port, const std::string& folder, bool lasting) : FFolder(folder) {
  const std::string config = folder + "/mosquitto.conf", log = folder + "/broker.log";
  const passwd* user = getpwuid(getuid());
  // Started as root it would become the user "mosquitto", who may not write the folder.
  std::ofstream(config) << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
                        << "persistence " << (lasting ? "true" : "false") << "\npersistence_location " << folder
                        << "/\nqueue_qos0_messages true\nlog_dest stderr\nlog_type all\n"
                        << "user " << (user != nullptr ? user->pw_name : "root") << "\n";
  std::string program = BrokerProgram(), c = "-c", file = config;
  char* argv[] = {program.data(), c.data(), file.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  pid_t pid = -1;
  if (!program.empty() && posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) == 0) FPid = pid;
  posix_spawn_file_actions_destroy(&actions);
  FUp = FPid > 0 && WaitUntil([port] {
          const int fd = LoopbackSocket(port, true);
          close(fd);
          return fd >= 0;
        });
}

TBroker::~TBroker() {
  if (FPid <= 0) return;
  Resume();
  kill(FPid, SIGTERM);
  waitpid(FPid, nullptr, 0);
}

void TBroker::Pause() const { kill(FPid, SIGSTOP); }
void TBroker::Resume() const { kill(FPid, SIGCONT); }
void TBroker::Kill() const { kill(FPid, SIGKILL); }

std::string TBroker::Log() const {
  std::ifstream in(FFolder + "/broker.log");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TSubscriber::TSubscriber(int port, const std::string& filter, const std::string& clientId) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mosquitto_lib_init(); });
  FClient = mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), clientId.empty(), this);
  mosquitto_message_callback_set(FClient, [](mosquitto*, void* self, const mosquitto_message* m) {
    auto* s = static_cast<TSubscriber*>(self);
    std::lock_guard<std::mutex> lock(s->FMutex);
    s->FMessages.push_back({m->topic, std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)), m->retain});
  });
  mosquitto_subscribe_callback_set(FClient, [](mosquitto*, void* self, int, int, const int*) {
    auto* s = static_cast<TSubscriber*>(self);
    std::lock_guard<std::mutex> lock(s->FMutex);
    s->FSubscribed = true;
  });
  if (mosquitto_connect(FClient, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS) return;
  mosquitto_subscribe(FClient, nullptr, filter.c_str(), 1);
  mosquitto_loop_start(FClient);
  WaitUntil([this] { return Ready(); });
}

TSubscriber::~TSubscriber() {
  mosquitto_disconnect(FClient);
  mosquitto_loop_stop(FClient, false);
  mosquitto_destroy(FClient);
}

bool TSubscriber::Ready() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FSubscribed;
}

std::vector<TMqttMessage> TSubscriber::On(const std::string& topic) const {
  std::lock_guard<std::mutex> lock(FMutex);
  std::vector<TMqttMessage> found;
  for (const TMqttMessage& m : FMessages)
    if (m.Topic == topic) found.push_back(m);
  return found;
}

std::vector<std::string> TSubscriber::Payloads(const std::string& topic) const {
  std::vector<std::string> payloads;
  for (TMqttMessage& m : On(topic)) payloads.push_back(std::move(m.Payload));
  return payloads;
}

bool TSubscriber::WaitForCount(const std::string& topic, std::size_t count) const {
  return WaitUntil([&] { return On(topic).size() >= count; }, kWait);
}

bool TSubscriber::WaitForLast(const std::string& topic, const std::string& payload) const {
  return WaitUntil([&] {
    const auto payloads = Payloads(topic);
    return !payloads.empty() && payloads.back() == payload;
  }, kWait);
}
