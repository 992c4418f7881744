#include "tools/korvane-validate/AllocationCounter.h"

#include "tools/korvane-validate/Sanitizers.h"

#if defined(__linux__) && !defined(KORVANE_VALIDATE_SANITIZED)
#include <cstddef>

extern "C" {
// glibc's own entry points behind the public names.
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
}

namespace {

// Per thread and in the executable's static TLS: reading it never allocates.
__thread bool tCounting __attribute__((tls_model("initial-exec"))) = false;
__thread long tCalls __attribute__((tls_model("initial-exec"))) = 0;

}  // namespace

extern "C" {

// The executable's definitions come first in symbol lookup, the module's included.
__attribute__((visibility("default"))) void* malloc(size_t size) {
  if (tCounting) ++tCalls;
  return __libc_malloc(size);
}

__attribute__((visibility("default"))) void* calloc(size_t count, size_t size) {
  if (tCounting) ++tCalls;
  return __libc_calloc(count, size);
}

__attribute__((visibility("default"))) void* realloc(void* ptr, size_t size) {
  if (tCounting) ++tCalls;
  return __libc_realloc(ptr, size);
}

__attribute__((visibility("default"))) void free(void* ptr) {
  if (tCounting && ptr) ++tCalls;
  __libc_free(ptr);
}

}  // extern "C"

bool AllocationCounter::Available() {
  return true;
}

void AllocationCounter::Begin() {
  tCalls = 0;
  tCounting = true;
}

long AllocationCounter::End() {
  tCounting = false;
  return tCalls;
}

#else

bool AllocationCounter::Available() {
  return false;
}

void AllocationCounter::Begin() {}

long AllocationCounter::End() {
  return 0;
}

#endif
