#pragma once

// KORVANE_VALIDATE_SANITIZED: this build runs under ASan or TSan (with GCC or clang), whose
// runtimes replace malloc and catch a crashing signal themselves.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KORVANE_VALIDATE_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVANE_VALIDATE_SANITIZED 1
#endif
