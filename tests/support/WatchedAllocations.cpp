#include "tests/support/WatchedAllocations.h"

#include <cstdlib>
#include <new>

#include "tests/support/ProcessMemory.h"

std::atomic<long> gWatchedAllocations{0};

namespace {

thread_local bool tWatched = false;

void Count() {
  if (tWatched) gWatchedAllocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

void WatchAllocations(bool on) {
  tWatched = on;
}

void* operator new(std::size_t n) {
  Count();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  Count();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  Count();
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  Count();
  return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

// Where a sanitizer owns malloc, only operator new is counted.
#if defined(__GLIBC__) && !defined(KORVANE_SANITIZED_ALLOCATOR)
// glibc's own entry points, beneath the ones this program puts in their place.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t n) {
  Count();
  return __libc_malloc(n);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
  Count();
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t n) {
  Count();
  return __libc_realloc(p, n);
}
#endif
