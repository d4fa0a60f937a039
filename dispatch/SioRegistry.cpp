// DispatcherRegistry: the process-wide list of live dispatchers.  A slot number travels in
// the high word of every trigger message, so a live dispatcher's slot never changes and
// the list never grows past 65536 slots.
#include "dispatch/SioRegistry.h"

#include <mutex>
#include <vector>

#include "dispatch/SioDispatch.h"
#include "platform/SysUtils.h"

namespace {

constexpr std::size_t kMaxSlots = 0x10000;

// Never destroyed: dispatchers of static objects may unregister during process exit.
std::vector<TSioBaseDispatcher*>& Slots() {
  static auto* slots = new std::vector<TSioBaseDispatcher*>();
  return *slots;
}

}  // namespace

TRecursiveLock& DispatcherRegistryLock() {
  static auto* lock = new TRecursiveLock();
  return *lock;
}

TSioBaseDispatcher* DispatcherAt(int index) {
  std::lock_guard lock(DispatcherRegistryLock());
  const auto& slots = Slots();
  if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) return nullptr;
  return slots[static_cast<std::size_t>(index)];
}

int DispatcherRegistryCount() {
  std::lock_guard lock(DispatcherRegistryLock());
  return static_cast<int>(Slots().size());
}

int RegisterDispatcher(TSioBaseDispatcher* dispatcher) {
  std::lock_guard lock(DispatcherRegistryLock());
  auto& slots = Slots();
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i] == nullptr) {
      slots[i] = dispatcher;
      return static_cast<int>(i);
    }
  }
  if (slots.size() >= kMaxSlots) throw Exception("Too many dispatchers");
  slots.push_back(dispatcher);
  return static_cast<int>(slots.size() - 1);
}

void UnregisterDispatcher(int index) {
  std::lock_guard lock(DispatcherRegistryLock());
  auto& slots = Slots();
  if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) return;
  slots[static_cast<std::size_t>(index)] = nullptr;
  while (!slots.empty() && slots.back() == nullptr) slots.pop_back();
}
