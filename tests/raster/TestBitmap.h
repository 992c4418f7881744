#pragma once

#include <cstdint>
#include <vector>

#include "raster/RasterBitmap.h"

/// A bitmap for tests: top-down or bottom-up, with a row stride wider than the width and a
/// ring of guard pixels around the visible area, so that a write outside the bitmap shows up
/// as a changed guard instead of a silent overwrite.
class TestBitmap : public RasterBitmap {
 public:
  static constexpr Pixel32 kGuard = 0x5AA55AA5u;
  static constexpr int kPad = 3;

  TestBitmap(std::int32_t width, std::int32_t height, bool bottomUp) : mBottomUp(bottomUp) {
    resize(width, height);
  }

  Pixel32* getBits() override { return mPixels.empty() ? nullptr : mPixels.data() + origin(); }
  std::int32_t getWidth() override { return mWidth; }
  std::int32_t getHeight() override { return mHeight; }
  std::int32_t getRowStride() override { return mWidth + 2 * kPad; }
  bool isBottomUp() override { return mBottomUp; }
  bool resize(std::int32_t width, std::int32_t height) override {
    if (width == mWidth && height == mHeight && !mPixels.empty()) return false;
    mWidth = width;
    mHeight = height;
    mPixels.assign(static_cast<std::size_t>((width + 2 * kPad) * (height + 2 * kPad)), kGuard);
    return true;
  }

  /// Logical pixel (x, y), honouring the bottom-up storage.
  Pixel32& at(std::int32_t x, std::int32_t y) {
    const std::int32_t row = mBottomUp ? mHeight - 1 - y : y;
    return getBits()[row * getRowStride() + x];
  }
  /// True when every guard pixel still holds kGuard.
  bool guardsIntact() const {
    const std::int32_t stride = mWidth + 2 * kPad;
    for (std::size_t i = 0; i < mPixels.size(); ++i) {
      const std::int32_t x = static_cast<std::int32_t>(i) % stride - kPad;
      const std::int32_t y = static_cast<std::int32_t>(i) / stride - kPad;
      const bool inside = x >= 0 && x < mWidth && y >= 0 && y < mHeight;
      if (!inside && mPixels[i] != kGuard) return false;
    }
    return true;
  }

 private:
  std::size_t origin() const { return static_cast<std::size_t>(kPad * (mWidth + 2 * kPad) + kPad); }

  bool mBottomUp;
  std::int32_t mWidth = -1;
  std::int32_t mHeight = -1;
  std::vector<Pixel32> mPixels;
};
