#include "measure/NewestWorker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

void LowerThisThreadsPriority(int nice) {
  // Linux takes a thread's id for a nice value of its own.
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  const int now = getpriority(PRIO_PROCESS, tid);
  setpriority(PRIO_PROCESS, tid, std::max(now, nice));
}
