#include "support/CountingNew.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool tCounting = false;
thread_local long tAllocations = 0;

void* Counted(std::size_t size) noexcept {
  if (tCounting) ++tAllocations;
  return std::malloc(size == 0 ? 1 : size);
}

void* CountedOrThrow(std::size_t size) {
  if (void* p = Counted(size)) return p;
  throw std::bad_alloc();
}

}  // namespace

long AllocationsOf(const std::function<void()>& body) {
  tAllocations = 0;
  tCounting = true;
  body();
  tCounting = false;
  return tAllocations;
}

void* operator new(std::size_t size) { return CountedOrThrow(size); }
void* operator new[](std::size_t size) { return CountedOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
