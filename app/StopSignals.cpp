#include "app/StopSignals.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/Messages.h"

namespace {

// Real-time signals are nobody's in particular, and glibc's own lie below SIGRTMIN.
int InterruptSignal() { return SIGRTMIN + 2; }

constexpr long kInterruptEveryNs = 100'000'000;

void Interrupted(int) {}

}  // namespace

TStopSignals::TStopSignals() : FMainThread(pthread_self()) {
  sigemptyset(&FSet);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&FSet, sig);
  pthread_sigmask(SIG_BLOCK, &FSet, &FOldMask);
  struct sigaction interrupt {};
  interrupt.sa_handler = &Interrupted;
  sigemptyset(&interrupt.sa_mask);
  interrupt.sa_flags = 0;  // no SA_RESTART: a blocked call returns EINTR
  sigaction(InterruptSignal(), &interrupt, &FOldInterrupt);
  FWaiter = std::thread([this] { Wait(); });
}

TStopSignals::~TStopSignals() {
  FEnding.store(true);
  // The signal is blocked everywhere, so it stays with the waiter, whose wait takes it.
  pthread_kill(FWaiter.native_handle(), SIGTERM);
  FWaiter.join();
  sigaction(InterruptSignal(), &FOldInterrupt, nullptr);
  pthread_sigmask(SIG_SETMASK, &FOldMask, nullptr);
}

void TStopSignals::Wait() {
  const timespec every{0, kInterruptEveryNs};
  for (;;) {
    // Before the first signal nothing is to be done until one comes; after it, the main
    // thread is interrupted again at every time-out.
    const int sig = FReceived.load() ? sigtimedwait(&FSet, nullptr, &every) : sigwaitinfo(&FSet, nullptr);
    if (FEnding.load()) return;
    if (sig < 0) {
      if (errno == EAGAIN) pthread_kill(FMainThread, InterruptSignal());
      continue;
    }
    if (FReceived.exchange(true)) std::_Exit(128 + sig);
    PostToMainThread([] {});
    pthread_kill(FMainThread, InterruptSignal());
  }
}
