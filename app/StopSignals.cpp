#include "app/StopSignals.h"

#include <pthread.h>

#include <cstdlib>

#include "platform/Messages.h"

TStopSignals::TStopSignals() {
  sigemptyset(&FSet);
  sigaddset(&FSet, SIGINT);
  sigaddset(&FSet, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &FSet, &FOldMask);
  FWaiter = std::thread([this] { Wait(); });
}

TStopSignals::~TStopSignals() {
  FEnding.store(true);
  // The signal is blocked everywhere, so it stays with the waiter, whose sigwait takes it.
  pthread_kill(FWaiter.native_handle(), SIGTERM);
  FWaiter.join();
  pthread_sigmask(SIG_SETMASK, &FOldMask, nullptr);
}

void TStopSignals::Wait() {
  for (;;) {
    int sig = 0;
    if (sigwait(&FSet, &sig) != 0) continue;
    if (FEnding.load()) return;
    if (FReceived.exchange(true)) std::_Exit(128 + sig);
    PostToMainThread([] {});
  }
}
