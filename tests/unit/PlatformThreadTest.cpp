// TThread: start, wait, self-freeing, exceptions and priorities.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "platform/Application.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Thread.h"
#include "support/Wait.h"

namespace {

class TProbeThread : public TThread {
 public:
  TProbeThread(bool freeOnTerminate, TEvent* destroyed = nullptr)
      : TThread(freeOnTerminate), Destroyed(destroyed) {}
  ~TProbeThread() override {
    if (Destroyed != nullptr) Destroyed->Set();
  }
  std::function<void()> Body;
  int Nice = -100;

 protected:
  void Execute() override {
    Nice = getpriority(PRIO_PROCESS, 0);  // the calling thread's nice value on Linux
    if (Body) Body();
  }

 private:
  TEvent* Destroyed;
};

TEST(Thread, WaitForSeesEverythingExecuteDid) {
  TProbeThread thread(false);
  int value = 0;
  thread.Body = [&] { value = 9; };
  EXPECT_FALSE(thread.Finished());
  thread.Start();
  thread.Start();  // a second start is ignored
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(value, 9);
}

TEST(Thread, FreeOnTerminateDeletesItselfAfterExecute) {
  TEvent destroyed(TEvent::ManualReset);
  auto* thread = new TProbeThread(true, &destroyed);
  thread->Start();
  EXPECT_TRUE(destroyed.Wait(5000));
}

TEST(Thread, ExceptionFromExecuteReachesTheStandardDisplay) {
  std::string shown;
  Application().SetExceptionDisplay([&](const std::string& message) { shown = message; });
  TProbeThread thread(false);
  thread.Body = [] { throw std::runtime_error("worker body failed"); };
  thread.Start();
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
  EXPECT_TRUE(PumpUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(shown, "worker body failed");
  Application().SetExceptionDisplay(nullptr);
}

TEST(Thread, PriorityIsAppliedAtStartAndAlwaysRecorded) {
  const struct {
    TThreadPriority Priority;
    int Nice;
  } lowered[] = {{tpIdle, 19}, {tpLowest, 10}, {tpLower, 5}};
  for (const auto& c : lowered) {
    TProbeThread thread(false);
    thread.SetPriority(c.Priority);
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(thread.Nice, c.Nice) << "priority " << int(c.Priority);
  }
  // Raising needs privileges the test may lack: the value is recorded either way.
  TProbeThread raised(false);
  raised.SetPriority(tpTimeCritical);
  raised.Start();
  raised.WaitFor();
  EXPECT_EQ(raised.Priority(), tpTimeCritical);
}

TEST(Thread, PriorityChangedWhileRunningReachesTheThread) {
  TEvent changed(TEvent::ManualReset);
  TProbeThread thread(false);
  int niceAfter = -100;
  thread.Body = [&] {
    changed.Wait(5000);
    niceAfter = getpriority(PRIO_PROCESS, 0);
  };
  thread.Start();
  thread.SetPriority(tpLowest);
  changed.Set();
  thread.WaitFor();
  EXPECT_EQ(niceAfter, 10);
}

TEST(Thread, PriorityStepsAreClampedToTheScale) {
  const struct {
    TThreadPriority Base;
    int Steps;
    TThreadPriority Expected;
  } cases[] = {{tpNormal, 0, tpNormal},     {tpNormal, 1, tpHigher},         {tpHigher, 2, tpTimeCritical},
               {tpNormal, 255, tpTimeCritical}, {tpLowest, -5, tpIdle}, {tpIdle, -1, tpIdle},
               {tpTimeCritical, 1, tpTimeCritical}};
  for (const auto& c : cases) {
    EXPECT_EQ(PriorityStep(c.Base, c.Steps), c.Expected) << int(c.Base) << " + " << c.Steps;
  }
}

}  // namespace
