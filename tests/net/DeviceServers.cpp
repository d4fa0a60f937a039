#include "net/DeviceServers.h"

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <fstream>
#include <vector>

#include "support/Wait.h"

extern char** environ;

namespace {

std::string Installed(std::initializer_list<const char*> paths) {
  for (const char* path : paths)
    if (access(path, X_OK) == 0) return path;
  return {};
}

int Spawn(std::vector<std::string> args, const std::string& log) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

std::string Ser2netProgram() { return Installed({"/usr/sbin/ser2net", "/usr/bin/ser2net"}); }
std::string SocatProgram() { return Installed({"/usr/bin/socat", "/usr/local/bin/socat"}); }

TDeviceServer::TDeviceServer(TKind kind, const std::string& device, int port, const std::string& folder)
    : FKind(kind), FPort(port) {
  const std::string log = folder + "/server-" + std::to_string(port) + ".log";
  if (kind == Socat) {
    FPid = Spawn({SocatProgram(), "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr",
                  "FILE:" + device + ",raw,echo=0"},
                 log);
  } else {
    const std::string config = folder + "/ser2net-" + std::to_string(port) + ".yaml";
    std::ofstream(config) << "connection: &line\n  accepter: "
                          << (kind == Ser2netRfc2217 ? "telnet(rfc2217),tcp," : "tcp,") << "127.0.0.1," << port
                          << "\n  connector: serialdev," << device << ",9600n81,local\n";
    FPid = Spawn({Ser2netProgram(), "-n", "-c", config, "-P", folder + "/ser2net-" + std::to_string(port) + ".pid"}, log);
  }
  FUp = FPid > 0 && WaitUntil([port] {
          // A connection made just to see the server listen would be its one client (socat
          // serves one): look at the listening sockets instead.
          std::ifstream tcp("/proc/net/tcp");
          char hex[8];
          std::snprintf(hex, sizeof hex, ":%04X", port);
          for (std::string line; std::getline(tcp, line);) {
            if (line.find(std::string("0100007F") + hex) != std::string::npos && line.find(" 0A ") != std::string::npos)
              return true;
          }
          return false;
        });
}

TDeviceServer::~TDeviceServer() { Stop(); }

void TDeviceServer::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  waitpid(FPid, nullptr, 0);
  FPid = -1;
}

std::string TDeviceServer::Url() const {
  return std::string(FKind == Ser2netRfc2217 ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(FPort);
}

TSilentListener::TSilentListener() {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  FListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  socklen_t size = sizeof a;
  if (bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(FListen, 0) != 0 ||
      getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &size) != 0)
    return;
  // Fill the backlog with connections nobody accepts, until one is held back.
  for (int& filler : FFillers) {
    filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    connect(filler, reinterpret_cast<sockaddr*>(&a), sizeof a);
    pollfd p{filler, POLLOUT, 0};
    if (poll(&p, 1, 200) == 0) {
      FPort = ntohs(a.sin_port);
      return;
    }
  }
}

TSilentListener::~TSilentListener() {
  for (const int fd : FFillers)
    if (fd >= 0) close(fd);
  if (FListen >= 0) close(FListen);
}
