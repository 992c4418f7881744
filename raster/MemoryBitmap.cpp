#include "raster/MemoryBitmap.h"

#include <cstddef>
#include <cstdlib>
#include <limits>

MemoryBitmap::MemoryBitmap(std::int32_t width, std::int32_t height)
    : mWidth(width), mHeight(height) {
  if (const std::size_t bytes = blockBytes(width, height)) {
    mBits = static_cast<Pixel32*>(std::malloc(bytes));
  }
}

MemoryBitmap::~MemoryBitmap() {
  std::free(mBits);
}

std::size_t MemoryBitmap::blockBytes(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  // Pixel offsets are computed as ptrdiff_t, so the block must stay below PTRDIFF_MAX bytes;
  // the test is written as a division so that it cannot overflow itself.
  constexpr std::size_t kMaxBytes =
      static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max());
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  if (w > kMaxBytes / sizeof(Pixel32) / h) return 0;
  return w * h * sizeof(Pixel32);
}

bool MemoryBitmap::resize(std::int32_t width, std::int32_t height) {
  if (width == mWidth && height == mHeight) return false;
  mWidth = width;
  mHeight = height;
  const std::size_t bytes = blockBytes(width, height);
  if (bytes == 0) {
    std::free(mBits);
    mBits = nullptr;
    return true;
  }
  if (!mBits) {
    mBits = static_cast<Pixel32*>(std::malloc(bytes));
    return true;
  }
  if (void* grown = std::realloc(mBits, bytes)) {
    mBits = static_cast<Pixel32*>(grown);
  } else {
    // The old contents are not needed: retry with a fresh block after releasing the old one.
    std::free(mBits);
    mBits = static_cast<Pixel32*>(std::malloc(bytes));
  }
  return true;
}
