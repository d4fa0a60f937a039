#include "pty/SimulatorProcess.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

extern char** environ;

namespace {

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

std::int64_t DeadlineNs(int timeoutMs) { return NowNs() + std::int64_t{timeoutMs} * 1000000; }

int MsLeft(std::int64_t deadlineNs) {
  const std::int64_t left = (deadlineNs - NowNs()) / 1000000;
  return left < 0 ? 0 : static_cast<int>(left);
}

// Drains what a non-blocking descriptor holds into text; false at end of file.
bool Drain(int fd, std::string& text) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    return !(n == 0 || (errno != EAGAIN && errno != EINTR));
  }
}

int Spawn(const std::string& path, const std::vector<std::string>& args, char** env, int& out, int& err) {
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), env) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  out = outPipe[0];
  err = errPipe[0];
  fcntl(out, F_SETFL, O_NONBLOCK);
  fcntl(err, F_SETFL, O_NONBLOCK);
  return pid;
}

// Waits for pid to end, draining its pipes meanwhile; the exit status or -1.
int WaitFor(int pid, int out, std::string& outText, int err, std::string& errText, int timeoutMs) {
  const std::int64_t deadline = DeadlineNs(timeoutMs);
  int status = 0;
  for (;;) {
    if (out >= 0) Drain(out, outText);
    if (err >= 0) Drain(err, errText);
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (MsLeft(deadline) == 0) return -1;
    usleep(5000);
  }
  if (out >= 0) Drain(out, outText);
  if (err >= 0) Drain(err, errText);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::string SimulatorPath() { return FREQSIM_PATH; }

int ConnectTcp(const std::string& url) {
  const std::string prefix = "tcp://";
  const auto colon = url.rfind(':');
  if (url.rfind(prefix, 0) != 0 || colon == std::string::npos || colon < prefix.size()) return -1;
  std::string host = url.substr(prefix.size(), colon - prefix.size());
  if (host.size() > 2 && host.front() == '[') host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), url.substr(colon + 1).c_str(), &hints, &found) != 0) return -1;
  int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  if (fd >= 0) fcntl(fd, F_SETFL, O_NONBLOCK);
  return fd;
}

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/freqsim-" + std::to_string(getpid()) + "-" + name;
}

std::vector<TSegment> Segments(const std::vector<TTimedByte>& bytes) {
  std::vector<TSegment> segments;
  for (const TTimedByte& b : bytes) {
    if (b.Byte >= FirstStatusByte) {
      segments.push_back(TSegment{b.Byte, {}});
    } else {
      if (segments.empty()) segments.emplace_back();
      segments.back().Nibbles.push_back(b.Byte);
    }
  }
  return segments;
}

std::vector<TSegment> CompleteFrames(const std::vector<TTimedByte>& bytes) {
  std::vector<TSegment> frames;
  for (TSegment& s : Segments(bytes)) {
    if (s.Status >= 0 && s.Nibbles.size() == FrameNibbles) frames.push_back(std::move(s));
  }
  return frames;
}

TRunResult RunSimulator(const std::vector<std::string>& args, int timeoutMs) {
  return RunProgram(SimulatorPath(), args, timeoutMs);
}

TRunResult RunProgram(const std::string& path, const std::vector<std::string>& args, int timeoutMs,
                      const std::function<void(int pid)>& whileRunning) {
  // The environment without what would lead a program to a display.
  std::vector<std::string> kept;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
        entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
      kept.push_back(entry);
  }
  std::vector<char*> env;
  for (std::string& entry : kept) env.push_back(entry.data());
  env.push_back(nullptr);

  TRunResult result;
  int out = -1, err = -1;
  const int pid = Spawn(path, args, env.data(), out, err);
  if (pid < 0) return result;
  if (whileRunning) whileRunning(pid);
  result.Status = WaitFor(pid, out, result.Out, err, result.Err, timeoutMs);
  if (result.Status < 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  close(out);
  close(err);
  return result;
}

TSimulatorProcess::TSimulatorProcess(const std::vector<std::string>& args) {
  FPid = Spawn(SimulatorPath(), args, environ, FOut, FErrFd);
  if (FPid < 0) return;
  std::string out;
  const std::int64_t deadline = DeadlineNs(5000);
  while (out.find('\n') == std::string::npos && MsLeft(deadline) > 0) {
    pollfd p{FOut, POLLIN, 0};
    poll(&p, 1, 50);
    if (!Drain(FOut, out)) break;
    Drain(FErrFd, FErr);
  }
  if (const auto nl = out.find('\n'); nl != std::string::npos) FPath = out.substr(0, nl);
}

TSimulatorProcess::~TSimulatorProcess() {
  if (FLine >= 0) close(FLine);
  if (FPid > 0 && FStatus < 0) {
    kill(FPid, SIGKILL);
    waitpid(FPid, nullptr, 0);
  }
  if (FOut >= 0) close(FOut);
  if (FErrFd >= 0) close(FErrFd);
}

bool TSimulatorProcess::OpenLine() {
  if (FPath.empty()) return false;
  FLine = open(FPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  return FLine >= 0;
}

bool TSimulatorProcess::ConnectLine() {
  FLine = ConnectTcp(FPath);
  return FLine >= 0;
}

void TSimulatorProcess::CloseLine() {
  if (FLine >= 0) close(FLine);
  FLine = -1;
}

void TSimulatorProcess::Send(std::uint8_t byte) {
  if (write(FLine, &byte, 1) != 1) FHungUp = true;
}

bool TSimulatorProcess::ReadUntil(const std::function<bool(const std::vector<TTimedByte>&)>& done,
                                  int timeoutMs) {
  const std::int64_t deadline = DeadlineNs(timeoutMs);
  std::uint8_t buffer[4096];
  while (!done(FReceived)) {
    if (FHungUp || MsLeft(deadline) == 0) return false;
    pollfd p{FLine, POLLIN, 0};
    poll(&p, 1, std::min(MsLeft(deadline), 20));
    Drain(FErrFd, FErr);
    if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const ssize_t n = read(FLine, buffer, sizeof buffer);
    const std::int64_t at = NowNs();
    if (n > 0) {
      for (ssize_t i = 0; i < n; ++i) FReceived.push_back({buffer[i], at});
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      FHungUp = true;
    }
  }
  return true;
}

int TSimulatorProcess::Stop(int sig) {
  if (FStatus < 0 && FPid > 0) kill(FPid, sig);
  return Wait();
}

int TSimulatorProcess::Wait(int timeoutMs) {
  if (FStatus < 0 && FPid > 0) {
    std::string ignored;
    FStatus = WaitFor(FPid, FOut, ignored, FErrFd, FErr, timeoutMs);
  }
  return FStatus;
}

std::string TSimulatorProcess::Err() {
  Drain(FErrFd, FErr);
  return FErr;
}

void FeedDecoder(TLinkState& state, TPanelSink& sink, const std::vector<TTimedByte>& bytes, std::size_t from) {
  for (std::size_t i = from; i < bytes.size(); ++i) ReceiveByte(state, bytes[i].Byte, sink);
}
