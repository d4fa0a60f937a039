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
#include <mutex>

#include "support/Wait.h"

extern char** environ;

namespace {

bool CanConnect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

}  // namespace

std::string BrokerProgram() {
  for (const char* path : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto", "/usr/local/sbin/mosquitto"})
    if (access(path, X_OK) == 0) return path;
  return {};
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

TBroker::TBroker(int port, const std::string& folder, bool persistent) : FPort(port), FFolder(folder) {
  const std::string config = folder + "/mosquitto.conf";
  const passwd* user = getpwuid(getuid());
  {
    std::ofstream out(config);
    out << "listener " << port << " 127.0.0.1\n"
        << "allow_anonymous true\n"
        << "persistence " << (persistent ? "true" : "false") << "\n"
        << "persistence_location " << folder << "/\n"
        << "queue_qos0_messages true\n"
        // Started as root it would become the user "mosquitto", who may not write the folder.
        << "user " << (user != nullptr ? user->pw_name : "root") << "\n"
        << "log_dest stderr\n"
        << "log_type all\n";
  }
  const std::string program = BrokerProgram();
  const std::string log = folder + "/broker.log";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 2, 1);
  std::vector<std::string> args{program, "-c", config};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (!program.empty() && posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) FPid = pid;
  posix_spawn_file_actions_destroy(&actions);
  FUp = FPid > 0 && WaitUntil([this] { return CanConnect(FPort); });
}

TBroker::~TBroker() {
  if (FPid <= 0) return;
  Resume();
  kill(FPid, SIGTERM);
  waitpid(FPid, nullptr, 0);
}

void TBroker::Pause() { kill(FPid, SIGSTOP); }
void TBroker::Resume() { kill(FPid, SIGCONT); }

std::string TBroker::Log() const {
  std::ifstream in(FFolder + "/broker.log");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TSubscriber::TSubscriber(int port, const std::string& filter, const std::string& lastingId) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mosquitto_lib_init(); });
  FClient = mosquitto_new(lastingId.empty() ? nullptr : lastingId.c_str(), lastingId.empty(), this);
  if (FClient == nullptr) return;
  mosquitto_message_callback_set(FClient, [](mosquitto*, void* self, const mosquitto_message* m) {
    auto* s = static_cast<TSubscriber*>(self);
    std::lock_guard<std::mutex> lock(s->FMutex);
    s->FMessages.push_back({m->topic, std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)),
                            m->retain});
  });
  mosquitto_subscribe_callback_set(FClient, [](mosquitto*, void* self, int, int, const int*) {
    auto* s = static_cast<TSubscriber*>(self);
    std::lock_guard<std::mutex> lock(s->FMutex);
    s->FSubscribed = true;
  });
  if (mosquitto_connect(FClient, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS) return;
  // Before the loop runs, so the request goes out with the connection.
  mosquitto_subscribe(FClient, nullptr, filter.c_str(), 1);
  mosquitto_loop_start(FClient);
  WaitUntil([this] { return Ready(); });
}

TSubscriber::~TSubscriber() {
  if (FClient == nullptr) return;
  mosquitto_disconnect(FClient);
  mosquitto_loop_stop(FClient, false);
  mosquitto_destroy(FClient);
}

bool TSubscriber::Ready() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FSubscribed;
}

std::vector<TMqttMessage> TSubscriber::Messages() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FMessages;
}

std::vector<TMqttMessage> TSubscriber::On(const std::string& topic) const {
  std::vector<TMqttMessage> found;
  for (TMqttMessage& m : Messages())
    if (m.Topic == topic) found.push_back(std::move(m));
  return found;
}

bool TSubscriber::WaitForCount(const std::string& topic, std::size_t count, int timeoutMs) const {
  return WaitUntil([&] { return On(topic).size() >= count; }, std::chrono::milliseconds(timeoutMs));
}

bool TSubscriber::WaitForLast(const std::string& topic, const std::string& payload, int timeoutMs) const {
  return WaitUntil(
      [&] {
        const auto on = On(topic);
        return !on.empty() && on.back().Payload == payload;
      },
      std::chrono::milliseconds(timeoutMs));
}
