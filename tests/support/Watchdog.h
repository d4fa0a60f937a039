// A watchdog for long-running tests: when nothing has made progress for a while, it prints
// what the test was doing and the state of every thread of the process (name, scheduler
// state and kernel wait channel from /proc, and every stack when gdb is installed), then
// ends the process with a failure.  A hang thus becomes a report instead of a time-out.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class TWatchdog {
 public:
  // `limit`: how long no progress may last.  `header`: printed first in a report (the seed).
  TWatchdog(std::chrono::seconds limit, std::string header);
  ~TWatchdog();
  TWatchdog(const TWatchdog&) = delete;
  TWatchdog& operator=(const TWatchdog&) = delete;

  // Any thread.  Something moved on.
  void Progress() { FProgress.fetch_add(1, std::memory_order_relaxed); }
  // Any thread.  What the test is doing now, for the report.
  void SetActivity(std::string activity);

 private:
  void Watch();
  [[noreturn]] void Report();

  const std::chrono::seconds FLimit;
  const std::string FHeader;
  std::atomic<unsigned long long> FProgress{0};
  std::mutex FLock;
  std::condition_variable FStop;
  bool FStopping = false;   // under FLock
  std::string FActivity;    // under FLock
  std::thread FThread;
};

// The state of every thread of this process, one line each: id, name, state, wait channel.
std::string DescribeThreads();
// Every open descriptor of this process and what it refers to, one line each.
std::string DescribeDescriptors();
