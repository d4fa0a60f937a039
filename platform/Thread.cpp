#include "platform/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/Application.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {
constexpr int kNiceOf[] = {19, 10, 5, 0, -5, -10, -15};  // tpIdle .. tpTimeCritical
}

TThreadPriority PriorityStep(TThreadPriority base, int steps) {
  const long p = static_cast<long>(base) + steps;
  if (p < tpIdle) return tpIdle;
  if (p > tpTimeCritical) return tpTimeCritical;
  return static_cast<TThreadPriority>(p);
}

TThread::TThread(bool freeOnTerminate) : FFreeOnTerminate(freeOnTerminate) {}

TThread::~TThread() {
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id()) {
      FThread.detach();
    } else {
      FThread.join();
    }
  }
}

void TThread::Start() {
  if (FStarted.exchange(true)) return;
  // A self-freeing thread may delete this object as soon as it runs, so nothing of it is
  // touched after the std::thread is made.
  if (FFreeOnTerminate) {
    std::thread(&TThread::Run, this).detach();
  } else {
    FThread = std::thread(&TThread::Run, this);
  }
}

void TThread::SetPriority(TThreadPriority priority) {
  FPriority.store(priority);
  ApplyPriority();
}

void TThread::ApplyPriority() {
  const int tid = FTid.load();
  if (tid == 0) return;
  // Raising priority needs privileges; without them the value is only recorded.
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kNiceOf[FPriority.load()]);
}

void TThread::WaitFor() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TThread::Synchronize(const std::function<void()>& fn) { SynchronizeWithMain(fn); }

void TThread::Run() {
  FTid.store(static_cast<int>(syscall(SYS_gettid)));
  ApplyPriority();
  try {
    Execute();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  } catch (...) {
    Application().ShowException(Exception("Unknown exception in a thread"));
  }
  FFinished.store(true);
  if (FFreeOnTerminate) delete this;
}
