#include "support/Watchdog.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/ProcessCounts.h"

namespace {

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// Every stack, from gdb attached to this process (when gdb is there and may attach).
void PrintStacks() {
  if (access("/usr/bin/gdb", X_OK) != 0) {
    std::fputs("(no gdb: no stacks)\n", stderr);
    return;
  }
  // A process may only be traced by its ancestors unless it says otherwise.
  prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
  const std::string pid = std::to_string(getpid());
  const pid_t child = fork();
  if (child == 0) {
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execl("/usr/bin/gdb", "gdb", "-q", "-batch", "-nx", "-p", pid.c_str(), "-ex", "thread apply all bt",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

}  // namespace

std::string DescribeThreads() {
  std::ostringstream out;
  const bool read = ForEachFolderEntry("/proc/self/task", [&](const char* name) {
    const std::string task = std::string("/proc/self/task/") + name;
    // stat: "tid (name) S ..."; the name may hold spaces, the state follows the last ')'.
    const std::string stat = ReadFirstLine(task + "/stat");
    const std::size_t close = stat.rfind(')');
    const char state = close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
    out << "  thread " << name << " '" << ReadFirstLine(task + "/comm") << "' state " << state << " wchan "
        << ReadFirstLine(task + "/wchan") << "\n";
  });
  return read ? out.str() : "(no /proc/self/task)\n";
}

std::string DescribeDescriptors() {
  std::ostringstream out;
  const bool read = ForEachFolderEntry("/proc/self/fd", [&](const char* name) {
    char target[256] = {};
    const ssize_t n = readlink((std::string("/proc/self/fd/") + name).c_str(), target, sizeof target - 1);
    out << "  fd " << name << " -> " << (n > 0 ? target : "?") << "\n";
  });
  return read ? out.str() : "(no /proc/self/fd)\n";
}

TWatchdog::TWatchdog(std::chrono::seconds limit, std::string header)
    : FLimit(limit), FHeader(std::move(header)), FThread([this] { Watch(); }) {}

TWatchdog::~TWatchdog() {
  {
    std::lock_guard lock(FLock);
    FStopping = true;
  }
  FStop.notify_all();
  FThread.join();
}

void TWatchdog::SetActivity(std::string activity) {
  std::lock_guard lock(FLock);
  FActivity = std::move(activity);
}

void TWatchdog::Watch() {
  unsigned long long seen = FProgress.load();
  auto since = std::chrono::steady_clock::now();
  std::unique_lock lock(FLock);
  while (!FStop.wait_for(lock, std::chrono::milliseconds(250), [this] { return FStopping; })) {
    const unsigned long long now = FProgress.load();
    if (now != seen) {
      seen = now;
      since = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - since >= FLimit) {
      lock.unlock();
      Report();
    }
  }
}

void TWatchdog::Report() {
  std::string activity;
  {
    std::lock_guard lock(FLock);
    activity = FActivity;
  }
  std::fprintf(stderr, "\nWATCHDOG: no progress for %lld s.  %s\nDoing: %s\nThreads:\n%sDescriptors:\n%s",
               static_cast<long long>(FLimit.count()), FHeader.c_str(), activity.c_str(), DescribeThreads().c_str(),
               DescribeDescriptors().c_str());
  PrintStacks();
  std::fflush(stderr);
  _exit(3);
}
