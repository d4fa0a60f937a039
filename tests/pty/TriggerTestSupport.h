// Shared pieces of the trigger tests: a dispatcher opened on a pseudo-terminal, and trigger
// handler windows owned by the test thread (the main thread), whose procedure runs while
// the test pumps its queue.  Each window records every message it gets as text ("A3:abc" for
// an avail count of 3 and the bytes read, "D2" for a data trigger of length 2, "T5", "S11")
// and reads as many bytes as its policy says.
#pragma once

#include <sys/ioctl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dispatch/SioPosix.h"
#include "support/TestPty.h"
#include "support/Wait.h"

class TTriggerLine : public TSioPosixDispatcher {
 public:
  TTriggerLine() : TSioPosixDispatcher(nullptr) {}
  // Closed here, while the workers may still call the device operations of this class.
  ~TTriggerLine() override { CloseLine(); }

  bool Open(const std::string& path) { return OpenLine(path, 9600, 0, 8, 1, 4096, 4096, 0) == 0; }
  // A copy of the triggers as they stand (the port's own way to keep them across a close).
  TSavedTriggers Triggers() {
    TSavedTriggers saved;
    SaveTriggers(saved);
    return saved;
  }
};

class TTriggerWindow {
 public:
  // Bytes to read for a message (clamped to what was announced for an avail message).
  using TPolicy = std::function<std::uint32_t(std::uint32_t message, std::uintptr_t wParam)>;

  TTriggerWindow(TTriggerLine& line, TPolicy policy) : Line(line), Policy(std::move(policy)) {
    RegisterWindowClass("TriggerTestWindow", &Procedure);
    Handle = CreateWindow("TriggerTestWindow");
    SetWindowData(Handle, this);
  }
  ~TTriggerWindow() { DestroyWindow(Handle); }
  TTriggerWindow(const TTriggerWindow&) = delete;
  TTriggerWindow& operator=(const TTriggerWindow&) = delete;

  std::string Joined() const {
    std::string all;
    for (const auto& c : Calls) all += (all.empty() ? "" : " ") + c;
    return all;
  }

  TTriggerLine& Line;
  TPolicy Policy;
  std::function<void(std::uint32_t message, std::uintptr_t wParam)> Before;  // runs first
  TWindowHandle Handle = 0;
  std::vector<std::string> Calls;
  int WrongRegistryIndex = 0;

 private:
  static TMessageResult Procedure(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    auto* self = static_cast<TTriggerWindow*>(GetWindowData(window));
    if (self == nullptr || message < TriggerAvailMsg || message > TriggerStatusMsg) {
      return DefWindowProc(window, message, wParam, lParam);
    }
    if ((lParam >> 16) != self->Line.RegistryIndex()) ++self->WrongRegistryIndex;
    if (self->Before) self->Before(message, wParam);
    std::string text;
    switch (message) {
      case TriggerAvailMsg: {
        const std::uint32_t want = std::min<std::uint32_t>(self->Policy(message, wParam),
                                                           static_cast<std::uint32_t>(wParam));
        std::string bytes(want, '\0');
        if (want != 0 && self->Line.ReadBlock(reinterpret_cast<std::uint8_t*>(bytes.data()), want) < 0) {
          bytes = "<read failed>";
        }
        text = "A" + std::to_string(wParam) + ":" + bytes;
        break;
      }
      case TriggerDataMsg: text = "D" + std::to_string(lParam & 0xFFFF); break;
      case TriggerTimerMsg: text = "T" + std::to_string(wParam); break;
      default: text = "S" + std::to_string(wParam); break;
    }
    self->Calls.push_back(text);
    return 0;
  }
};

// Registers the window as the only handler, the way the port registers its own window.
inline void Listen(TTriggerLine& line, TTriggerWindow& window, std::uint32_t threshold) {
  line.AddWindowHandler(window.Handle);
  line.UpdateHandlerState(1);
  line.SetAvailThreshold(threshold);
}

// Called inside a handler, which holds the dispatch worker: writes `bytes` as the peer and
// waits until the device holds all of them, so that the next pass reads them together.
inline bool QueueForNextPass(TTestPty& pty, const std::string& bytes) {
  if (!pty.Write(bytes)) return false;
  return WaitUntil([&] {
    int waiting = 0;
    return ioctl(pty.Slave(), FIONREAD, &waiting) == 0 && waiting >= static_cast<int>(bytes.size());
  });
}
