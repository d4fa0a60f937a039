// Waiting with a deadline in tests and benchmarks: polling a condition, or running the
// calling thread's messages meanwhile (handlers synchronised with the main thread run
// inside the pump when the caller is the main thread).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/Messages.h"

// Checks `done` until it holds or `timeout` passes, calling `between` after each failed
// check; the result is the last check.
template <typename TBetween>
bool CheckUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout, TBetween between) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return done();
    between();
  }
}

// Polls `condition` every millisecond until it holds or `timeout` passes.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  return CheckUntil(condition, timeout, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
}

// Runs the calling thread's messages until `done` holds or `timeout` passes; a message that
// arrives is run at once (no polling delay).
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  return CheckUntil(done, timeout, [] {
    TMsg msg;
    if (GetMessage(msg, 10)) DispatchMessage(msg);
  });
}
