#pragma once

#include <cstdio>

/// Defined in builds whose sanitizer owns the allocator (ASan, TSan): it puts malloc in place
/// of the C library's and keeps freed memory in quarantine, so resident memory grows by design.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVANE_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KORVANE_SANITIZED_ALLOCATOR 1
#endif
#endif

/// This process's resident memory in KiB, or -1 where the system does not say (off Linux).
inline long ResidentKiB() {
#ifdef __linux__
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  long pages = 0, resident = 0;
  const int read = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return read == 2 ? resident * 4 : -1;
#else
  return -1;
#endif
}
