#include "platform/Messages.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Clock.h"
#include "platform/Sync.h"
#include "platform/SysUtils.h"

namespace {

// Thread message whose dispatch runs a call queued by PostToMainThread; WParam is its key.
constexpr std::uint32_t kPostedCallMsg = 0x7FF0;

struct TQueue;

// Life of a sent message.  Pending -> Running -> Done is the owner's path; the sender may
// move Pending -> Abandoned when its time limit passes; Pending -> Failed when the window
// or the owner thread goes away first.  Pending is left only by compare-and-swap, so a
// message is either run or withdrawn, never both.
enum TSendState : int { kPending, kRunning, kDone, kAbandoned, kFailed };

struct TSentRecord {
  TWindowHandle Window = 0;
  std::uint32_t Message = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  const std::function<void()>* Call = nullptr;  // a synchronised call instead of a window
  std::atomic<int> State{kPending};
  // Set by the sender when it stops waiting for a message that is already running.
  std::atomic<bool> Forsaken{false};
  TSenderId Sender = nullptr;  // CurrentSenderId() of the thread that sent it
  TMessageResult Result = 0;     // written by the owner before State becomes kDone
  std::exception_ptr Error;      // likewise
  std::shared_ptr<TQueue> Waiter;  // the sender's queue, whose condition it sleeps on
};
using TSentPtr = std::shared_ptr<TSentRecord>;

struct TQueue {
  std::mutex Lock;
  // Set after a post, a send, or a reply to this thread's send, once Lock is released: the
  // owner thread, the only one that waits here, wakes without meeting the lock held.
  TThreadSignal Changed;
  std::deque<TSentPtr> Sent;
  std::deque<TMsg> Posted;
  std::map<std::uintptr_t, std::function<void()>> PostedCalls;
  std::uintptr_t NextCallKey = 1;
  bool Closed = false;  // the owner thread has ended
  bool IsMain = false;
};
using TQueuePtr = std::shared_ptr<TQueue>;

struct TWindowInfo {
  TWindowProc Proc = nullptr;
  void* Data = nullptr;
  TQueuePtr Owner;
};

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, TWindowProc> Classes;
  std::map<TWindowHandle, TWindowInfo> Windows;
  TWindowHandle LastHandle = 0;
  TQueuePtr MainQueue;
  std::shared_ptr<std::function<void()>> WakeHook;
};

// Never destroyed: threads may still post while static objects are torn down at exit.
TRegistry& Registry() {
  static auto* registry = new TRegistry;
  return *registry;
}

TQueuePtr MainQueue() {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  if (!r.MainQueue) {
    r.MainQueue = std::make_shared<TQueue>();
    r.MainQueue->IsMain = true;
  }
  return r.MainQueue;
}

void FinishRecord(TSentRecord& record, TSendState state) {
  // The record holds the waiter's queue, and the caller holds the record.
  record.State.store(state, std::memory_order_release);
  record.Waiter->Changed.Set();
}

void FailRecord(TSentRecord& record) {
  int expected = kPending;
  if (record.State.compare_exchange_strong(expected, kRunning)) FinishRecord(record, kFailed);
}

// Runs when a thread ends: its windows disappear and every sender waiting on it is released.
void CloseQueue(const TQueuePtr& queue) {
  std::deque<TSentPtr> orphans;
  {
    std::lock_guard lock(queue->Lock);
    queue->Closed = true;
    orphans.swap(queue->Sent);
    queue->Posted.clear();
    queue->PostedCalls.clear();
  }
  {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    std::erase_if(r.Windows, [&](const auto& entry) { return entry.second.Owner == queue; });
  }
  for (const TSentPtr& record : orphans) FailRecord(*record);
}

struct TQueueHolder {
  TQueuePtr Queue;
  ~TQueueHolder() {
    if (Queue) CloseQueue(Queue);
  }
};
thread_local TQueueHolder tQueue;

const TQueuePtr& CurrentQueue() {
  if (!tQueue.Queue) tQueue.Queue = IsMainThread() ? MainQueue() : std::make_shared<TQueue>();
  return tQueue.Queue;
}

void WakeIfMain(const TQueue& queue) {
  if (!queue.IsMain) return;
  std::shared_ptr<std::function<void()>> hook;
  {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    hook = r.WakeHook;
  }
  if (hook) (*hook)();
}

bool FindWindow(TWindowHandle window, TWindowInfo& info) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  const auto it = r.Windows.find(window);
  if (it == r.Windows.end()) return false;
  info = it->second;
  return true;
}

// The sent records the calling thread is running, innermost first (IsAnsweringSendOf).
// The frames live on the stack of RunRecord, so answering allocates nothing.
struct TAnswerFrame {
  const TSentRecord* Record;
  const TAnswerFrame* Outer;
};
thread_local const TAnswerFrame* tAnswering = nullptr;

class TAnswerScope {
 public:
  explicit TAnswerScope(const TSentRecord& record) : FFrame{&record, tAnswering} { tAnswering = &FFrame; }
  ~TAnswerScope() { tAnswering = FFrame.Outer; }
  TAnswerScope(const TAnswerScope&) = delete;
  TAnswerScope& operator=(const TAnswerScope&) = delete;

 private:
  TAnswerFrame FFrame;
};

// Runs one sent record on the owner thread, unless its sender gave up first.
void RunRecord(TSentRecord& record) {
  int expected = kPending;
  if (!record.State.compare_exchange_strong(expected, kRunning)) return;  // withdrawn
  const TAnswerScope answering(record);
  if (record.Call != nullptr) {
    try {
      (*record.Call)();
    } catch (...) {
      record.Error = std::current_exception();
    }
    FinishRecord(record, kDone);
    return;
  }
  TWindowInfo info;
  if (!FindWindow(record.Window, info)) {
    FinishRecord(record, kFailed);
    return;
  }
  try {
    record.Result = info.Proc(record.Window, record.Message, record.WParam, record.LParam);
  } catch (...) {
    // The sender is released with a failure; the exception goes on in the owner thread,
    // as one from a dispatched posted message would.
    FinishRecord(record, kFailed);
    throw;
  }
  FinishRecord(record, kDone);
}

void RunSentMessages(TQueue& queue) {
  for (;;) {
    TSentPtr record;
    {
      std::lock_guard lock(queue.Lock);
      if (queue.Sent.empty()) return;
      record = std::move(queue.Sent.front());
      queue.Sent.pop_front();
    }
    RunRecord(*record);
  }
}

// Queues a record for another thread and waits for it, running messages sent to the
// calling thread meanwhile so two threads sending to each other cannot deadlock.
// Returns the final state (kDone, kFailed, or kAbandoned on time-out).
//
// An exception from a message run for the calling thread while it waits leaves this call,
// but only once the record can no longer run: it is withdrawn if it has not started, and
// waited for if it has (its arguments, and a synchronised call's function, live in the
// caller's frame).  Lock order: a queue's lock, then the registry's; never the reverse.
int SendAcross(const TQueuePtr& owner, const TSentPtr& record, std::uint32_t timeoutMs) {
  const TQueuePtr& self = CurrentQueue();
  record->Waiter = self;
  record->Sender = CurrentSenderId();
  {
    std::lock_guard lock(owner->Lock);
    if (owner->Closed) return kFailed;
    // A window destroyed since the caller found it has had its sends released already:
    // this one would wait for nobody.
    if (record->Call == nullptr) {
      TRegistry& r = Registry();
      std::lock_guard registry(r.Lock);
      if (r.Windows.count(record->Window) == 0) return kFailed;
    }
    owner->Sent.push_back(record);
  }
  owner->Changed.Set();
  WakeIfMain(*owner);

  std::exception_ptr failure;
  auto leave = [&](int state) {
    if (failure) std::rethrow_exception(failure);
    return state;
  };
  const bool limited = timeoutMs != kInfinite;
  const TDeadline deadline(timeoutMs);
  for (;;) {
    const int state = record->State.load(std::memory_order_acquire);
    if (state == kDone || state == kFailed) return leave(state);
    if (failure) {
      int expected = kPending;
      if (record->State.compare_exchange_strong(expected, kAbandoned)) return leave(kAbandoned);
    }
    bool sentToMe = false;
    {
      std::lock_guard lock(self->Lock);
      sentToMe = !self->Sent.empty();
    }
    if (sentToMe) {
      try {
        RunSentMessages(*self);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
      continue;
    }
    if (!limited || failure) {
      // With a failure to pass on, the record is running: wait for its end.
      self->Changed.Wait(kInfinite);
      continue;
    }
    if (!deadline.Passed()) {
      self->Changed.Wait(deadline.WaitMs());
      continue;
    }
    int expected = kPending;
    if (record->State.compare_exchange_strong(expected, kAbandoned)) return kAbandoned;
    if (expected == kRunning) {
      record->Forsaken.store(true, std::memory_order_release);
      return kAbandoned;  // it runs on; nobody waits for it now
    }
    return expected;  // finished just in time
  }
}

bool PostTo(const TQueuePtr& queue, const TMsg& msg) {
  {
    std::lock_guard lock(queue->Lock);
    if (queue->Closed) return false;
    queue->Posted.push_back(msg);
  }
  queue->Changed.Set();
  WakeIfMain(*queue);
  return true;
}

bool TakePosted(TQueue& queue, TMsg& msg, bool remove) {
  std::lock_guard lock(queue.Lock);
  if (queue.Posted.empty()) return false;
  msg = queue.Posted.front();
  if (remove) queue.Posted.pop_front();
  return true;
}

}  // namespace

bool RegisterWindowClass(const std::string& className, TWindowProc proc) {
  if (className.empty() || proc == nullptr) return false;
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  return r.Classes.emplace(className, proc).second;
}

bool IsWindowClassRegistered(const std::string& className) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  return r.Classes.count(className) != 0;
}

TWindowHandle CreateWindow(const std::string& className) {
  const TQueuePtr& owner = CurrentQueue();
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  const auto cls = r.Classes.find(className);
  if (cls == r.Classes.end()) return 0;
  // Handles are never reused, so a message for a destroyed window can never reach a new one.
  if (r.LastHandle == 0xFFFFFFFFu) return 0;
  const TWindowHandle handle = ++r.LastHandle;
  r.Windows.emplace(handle, TWindowInfo{cls->second, nullptr, owner});
  return handle;
}

bool DestroyWindow(TWindowHandle window) {
  const TQueuePtr& self = CurrentQueue();
  {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    const auto it = r.Windows.find(window);
    if (it == r.Windows.end() || it->second.Owner != self) return false;
    r.Windows.erase(it);
  }
  std::deque<TSentPtr> orphans;
  {
    std::lock_guard lock(self->Lock);
    std::erase_if(self->Posted, [&](const TMsg& m) { return m.Window == window; });
    for (auto it = self->Sent.begin(); it != self->Sent.end();) {
      if ((*it)->Call == nullptr && (*it)->Window == window) {
        orphans.push_back(std::move(*it));
        it = self->Sent.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const TSentPtr& record : orphans) FailRecord(*record);
  return true;
}

bool IsWindow(TWindowHandle window) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  return r.Windows.count(window) != 0;
}

void SetWindowData(TWindowHandle window, void* data) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  const auto it = r.Windows.find(window);
  if (it != r.Windows.end()) it->second.Data = data;
}

void* GetWindowData(TWindowHandle window) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  const auto it = r.Windows.find(window);
  return it == r.Windows.end() ? nullptr : it->second.Data;
}

TMessageResult DefWindowProc(TWindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

bool PostMessage(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  TWindowInfo info;
  if (!FindWindow(window, info)) return false;
  return PostTo(info.Owner, TMsg{window, message, wParam, lParam});
}

void PostQuitMessage(int exitCode) {
  PostTo(CurrentQueue(), TMsg{0, WM_QUIT, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(exitCode)), 0});
}

bool PostToMainThread(std::function<void()> fn) {
  const TQueuePtr queue = MainQueue();
  std::uintptr_t key = 0;
  {
    std::lock_guard lock(queue->Lock);
    if (queue->Closed) return false;
    key = queue->NextCallKey++;
    queue->PostedCalls.emplace(key, std::move(fn));
    queue->Posted.push_back(TMsg{0, kPostedCallMsg, key, 0});
  }
  queue->Changed.Set();
  WakeIfMain(*queue);
  return true;
}

TMessageResult SendMessage(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) {
  TMessageResult result = 0;
  SendMessageTimeout(window, message, wParam, lParam, 0xFFFFFFFFu, &result);
  return result;
}

bool SendMessageTimeout(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam, std::uint32_t timeoutMs, TMessageResult* result) {
  TWindowInfo info;
  if (!FindWindow(window, info)) return false;
  if (info.Owner == CurrentQueue()) {
    const TMessageResult r = info.Proc(window, message, wParam, lParam);
    if (result != nullptr) *result = r;
    return true;
  }
  auto record = std::make_shared<TSentRecord>();
  record->Window = window;
  record->Message = message;
  record->WParam = wParam;
  record->LParam = lParam;
  if (SendAcross(info.Owner, record, timeoutMs) != kDone) return false;
  if (result != nullptr) *result = record->Result;
  return true;
}

bool PeekMessage(TMsg& msg, bool remove) {
  const TQueuePtr& self = CurrentQueue();
  RunSentMessages(*self);
  return TakePosted(*self, msg, remove);
}

bool GetMessage(TMsg& msg, std::uint32_t timeoutMs) {
  const TQueuePtr& self = CurrentQueue();
  const TDeadline deadline(timeoutMs);
  for (;;) {
    RunSentMessages(*self);
    {
      std::lock_guard lock(self->Lock);
      if (!self->Sent.empty()) continue;
      if (!self->Posted.empty()) {
        msg = self->Posted.front();
        self->Posted.pop_front();
        return msg.Message != WM_QUIT;
      }
    }
    if (deadline.Passed()) {
      msg = TMsg{};
      return false;
    }
    self->Changed.Wait(deadline.WaitMs());
  }
}

TMessageResult DispatchMessage(const TMsg& msg) {
  if (msg.Window == 0) {
    if (msg.Message != kPostedCallMsg) return 0;
    std::function<void()> call;
    {
      const TQueuePtr& self = CurrentQueue();
      std::lock_guard lock(self->Lock);
      const auto it = self->PostedCalls.find(msg.WParam);
      if (it == self->PostedCalls.end()) return 0;
      call = std::move(it->second);
      self->PostedCalls.erase(it);
    }
    call();
    return 0;
  }
  TWindowInfo info;
  if (!FindWindow(msg.Window, info)) return 0;
  return info.Proc(msg.Window, msg.Message, msg.WParam, msg.LParam);
}

// A byte of the thread's own storage: its address tells the thread apart while it runs, and
// taking it allocates nothing (a trigger delivery asks for it).
static thread_local char tSenderMark;

TSenderId CurrentSenderId() { return &tSenderMark; }

bool IsAnsweringSendOf(TSenderId sender) {
  if (sender == nullptr) return false;
  if (sender == &tSenderMark) return true;
  for (const TAnswerFrame* frame = tAnswering; frame != nullptr; frame = frame->Outer) {
    // The record lives while it runs (RunSentMessages holds it).
    if (frame->Record->Sender == sender && !frame->Record->Forsaken.load(std::memory_order_acquire)) return true;
  }
  return false;
}

bool IsMainThread() {
  static thread_local const bool isMain = static_cast<pid_t>(syscall(SYS_gettid)) == getpid();
  return isMain;
}

void SetMainQueueWakeHook(std::function<void()> hook) {
  auto shared = hook ? std::make_shared<std::function<void()>>(std::move(hook)) : nullptr;
  TRegistry& r = Registry();
  std::lock_guard lock(r.Lock);
  r.WakeHook = std::move(shared);
}

void SynchronizeWithMain(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  auto record = std::make_shared<TSentRecord>();
  record->Call = &fn;
  if (SendAcross(MainQueue(), record, 0xFFFFFFFFu) != kDone) {
    throw Exception("The main thread has ended; the synchronised call did not run");
  }
  if (record->Error) std::rethrow_exception(record->Error);
}
