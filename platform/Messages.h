// Per-thread message queues and window objects.
//
// Every thread has a queue, made the first time it is needed.  A window belongs to the
// thread that created it; its window procedure runs only on that thread, when the thread
// pumps its queue (PeekMessage / GetMessage + DispatchMessage) or when that thread sends to
// its own window.  A message sent from another thread waits in the owner's queue ahead of
// posted messages, and is run by the owner's next PeekMessage or GetMessage, as on the
// original platform.
//
// Thread safety: every function here may be called from any thread.  The main thread is
// the process's initial thread; its queue can have a wake hook (SetMainQueueWakeHook) so a
// foreign event loop (Qt) learns that messages are waiting.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

using TWindowHandle = std::uint32_t;  // 0: no window
using TMessageResult = std::intptr_t;
using TWindowProc = TMessageResult (*)(TWindowHandle window, std::uint32_t message,
                                       std::uintptr_t wParam, std::intptr_t lParam);

constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_USER = 0x0400;

struct TMsg {
  TWindowHandle Window = 0;  // 0 for a thread message (WM_QUIT)
  std::uint32_t Message = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
};

// Registers a window class; false when the name is taken or empty.
bool RegisterWindowClass(const std::string& className, TWindowProc proc);
bool IsWindowClassRegistered(const std::string& className);

// Creates a window of a registered class, owned by the calling thread; 0 on failure.
TWindowHandle CreateWindow(const std::string& className);
// Destroys a window; messages still queued for it are dropped, and senders waiting on
// them are released with a failure.  Only the owner thread may destroy a window.
bool DestroyWindow(TWindowHandle window);
bool IsWindow(TWindowHandle window);
// A pointer-sized value stored with the window (the "window extra bytes").
void SetWindowData(TWindowHandle window, void* data);
void* GetWindowData(TWindowHandle window);

TMessageResult DefWindowProc(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam);

// Queues a message for the window's owner thread; false when the window does not exist.
bool PostMessage(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                 std::intptr_t lParam);
// Posts WM_QUIT with the exit code to the calling thread's queue.
void PostQuitMessage(int exitCode);

// Runs the window procedure on the owner thread and waits for its result without limit.
// Called on the owner thread it runs the procedure directly.  0 when the window is gone.
// While it waits, the sending thread runs messages sent to its own windows, so two threads
// sending to each other do not deadlock; its posted messages wait.
TMessageResult SendMessage(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam);

// As SendMessage, but gives up after `timeoutMs`.  Returns true with *result set when the
// procedure ran to its end in time.  On time-out returns false: a message that had not
// started yet is withdrawn and never runs; one that had started runs to its end unobserved.
// False at once when the window does not exist; false when it is destroyed, or its thread
// ends, before the message ran.
bool SendMessageTimeout(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam, std::uint32_t timeoutMs, TMessageResult* result);

// Runs every message sent to the calling thread's windows, then looks at the posted
// messages: true with `msg` filled when one is there (removed when `remove`).  An exception
// from a window procedure run for a sent message releases its sender with a failure and
// then propagates from here (or from GetMessage), as one from DispatchMessage would.
bool PeekMessage(TMsg& msg, bool remove);
// Waits until a posted message is there (running sent messages meanwhile) and removes it.
// Returns false for WM_QUIT.  `timeoutMs` bounds the wait: on time-out returns false
// with msg.Message = WM_NULL.
bool GetMessage(TMsg& msg, std::uint32_t timeoutMs = 0xFFFFFFFFu);
// Calls the window procedure of msg.Window; 0 for thread messages or a vanished window.
TMessageResult DispatchMessage(const TMsg& msg);
// Key translation has no meaning here; kept so a pump reads as on the original platform.
inline void TranslateMessage(const TMsg&) {}

// ---- Who is answering whom ----
// A thread that sends (SendMessage, SendMessageTimeout, SynchronizeWithMain) waits while the
// receiving thread runs the window procedure or the call.  A component that hands work to
// other threads this way (the dispatcher's trigger delivery) can ask, from any thread,
// whether the calling thread is doing that work right now.
using TSenderId = const void*;
// The calling thread's identity as a sender.  Stays valid while that thread runs.
TSenderId CurrentSenderId();
// True when the calling thread is `sender` itself, or runs, anywhere on its stack, the window
// procedure or synchronised call of a message that `sender` sent and still waits for.  A
// message whose sender gave up (time-out) no longer counts, even while it runs on.
// Never touches `sender`: any value may be passed.
bool IsAnsweringSendOf(TSenderId sender);

// True on the process's initial thread.
bool IsMainThread();

// Called, from whichever thread posts or sends, each time a message is queued for the
// main thread.  The hook must be cheap and thread-safe (merge repeated wake-ups); it is
// expected to arrange for the main thread to pump its queue soon.  Empty: no hook.
void SetMainQueueWakeHook(std::function<void()> hook);

// Queues `fn` to run on the main thread without waiting: it runs when the main thread's
// pump dispatches the thread message that carries it.  False when the main thread has ended.
bool PostToMainThread(std::function<void()> fn);

// Runs `fn` on the main thread and waits for it to finish (the toolkit's synchronised
// call).  On the main thread it runs at once.  An exception from `fn` is rethrown here;
// Exception is raised when the main thread has ended and `fn` could not run.
void SynchronizeWithMain(const std::function<void()>& fn);
