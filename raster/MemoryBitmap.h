#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/RasterBitmap.h"

/// A bitmap whose pixels live in a heap block of exactly width * height * 4 bytes.
///
/// Used for decoded images, scaled and cropped copies and scratch surfaces. Rows are packed
/// top-down (row stride = width). New or resized pixels are not cleared. When the size is not
/// positive, too large to address, or the allocation fails, getBits() is null while width and
/// height still hold the requested size.
class MemoryBitmap : public RasterBitmap {
 public:
  MemoryBitmap(std::int32_t width, std::int32_t height);
  ~MemoryBitmap() override;
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;

  Pixel32* getBits() override { return mBits; }
  std::int32_t getWidth() override { return mWidth; }
  std::int32_t getHeight() override { return mHeight; }
  std::int32_t getRowStride() override { return mWidth; }
  bool isBottomUp() override { return false; }
  /// False (and nothing changes) for the current size; otherwise reallocates and returns true.
  bool resize(std::int32_t width, std::int32_t height) override;

  /// Bytes of a width x height block, or 0 when that is not positive or cannot be addressed.
  static std::size_t blockBytes(std::int32_t width, std::int32_t height);

 private:
  Pixel32* mBits = nullptr;
  std::int32_t mWidth;
  std::int32_t mHeight;
};
