#pragma once

#include <cstddef>

/// Copies at most size - 1 characters of src into dst and always terminates it. Reads no
/// further than that, so an unterminated or over-long text is cut, never overrun. A null src
/// copies as the empty text.
inline void CopyText(char* dst, size_t size, const char* src) {
  size_t n = 0;
  if (src) {
    for (; n + 1 < size && src[n]; ++n) dst[n] = src[n];
  }
  dst[n] = '\0';
}
