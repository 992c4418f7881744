#include "core/StateChunk.h"

#include <climits>
#include <cstdlib>
#include <cstring>

StateChunk::~StateChunk() {
  std::free(mData);
}

uint8_t* StateChunk::Resize(int newSize, bool allowShrink) {
  if (newSize < 0 || newSize > INT_MAX - kGranularity) return nullptr;
  if (newSize == 0) {
    if (allowShrink) {
      std::free(mData);
      mData = nullptr;
      mAllocated = 0;
    }
    mSize = 0;
    return nullptr;
  }
  int wanted = -1;
  if (newSize > mAllocated) {
    wanted = newSize + kGranularity;
  } else if (allowShrink && newSize < mAllocated - 4 * kGranularity) {
    wanted = newSize;
  }
  if (wanted >= 0) {
    void* grown = std::realloc(mData, static_cast<size_t>(wanted));
    if (!grown) return nullptr;
    mData = static_cast<uint8_t*>(grown);
    mAllocated = wanted;
  }
  mSize = newSize;
  return mData;
}

bool StateChunk::ResizeZeroed(int newSize) {
  const int oldSize = mSize;
  if (!Resize(newSize, true)) return newSize == 0;
  if (newSize > oldSize) std::memset(mData + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  return true;
}

bool StateChunk::PutBytes(const void* bytes, int n) {
  if (n <= 0) return n == 0;
  const int oldSize = mSize;
  if (n > INT_MAX - kGranularity - oldSize) return false;
  if (!Resize(oldSize + n, true)) return false;
  std::memcpy(mData + oldSize, bytes, static_cast<size_t>(n));
  return true;
}

bool StateChunk::PutInt32(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                        static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
  return PutBytes(b, 4);
}

bool StateChunk::PutDouble(double v) {
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
  return PutBytes(b, 8);
}

int StateChunk::GetBytes(void* out, int n, int pos) const {
  if (pos < 0 || n < 0 || n > mSize - pos) return -1;
  if (n > 0) std::memcpy(out, mData + pos, static_cast<size_t>(n));
  return pos + n;
}

int StateChunk::GetInt32(int32_t* out, int pos) const {
  uint8_t b[4];
  pos = GetBytes(b, 4, pos);
  if (pos < 0) return -1;
  const uint32_t u = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                     static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
  *out = static_cast<int32_t>(u);
  return pos;
}

int StateChunk::GetDouble(double* out, int pos) const {
  uint8_t b[8];
  pos = GetBytes(b, 8, pos);
  if (pos < 0) return -1;
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(b[i]) << (8 * i);
  std::memcpy(out, &u, sizeof u);
  return pos;
}
