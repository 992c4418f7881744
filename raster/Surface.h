#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Numeric.h"
#include "raster/RasterBitmap.h"

/// The pixels of a bitmap as one operation sees them, validated once at the boundary.
///
/// row(y) resolves the bottom-up rule, so loops below this never look at it again. Internal to
/// the raster library.
struct Surface {
  Pixel32* bits = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t stride = 0;  // pixels between memory rows
  bool bottomUp = false;

  /// Reads the bitmap's geometry; false (nothing to draw) for a null bitmap, null pixels, an
  /// empty size or a row stride shorter than the width.
  static bool of(RasterBitmap* bitmap, Surface& out) {
    if (!bitmap) return false;
    Pixel32* bits = bitmap->getBits();
    if (!bits) return false;
    out.bits = bits;
    out.width = bitmap->getWidth();
    out.height = bitmap->getHeight();
    out.stride = bitmap->getRowStride();
    out.bottomUp = bitmap->isBottomUp();
    return out.width > 0 && out.height > 0 && out.stride >= out.width;
  }

  /// First pixel of logical row y (0 <= y < height).
  Pixel32* row(std::int32_t y) const {
    return bits + static_cast<std::ptrdiff_t>(bottomUp ? height - 1 - y : y) * stride;
  }
  /// Pointer step from logical row y to row y + 1.
  std::ptrdiff_t rowStep() const { return bottomUp ? -stride : stride; }
  bool contains(std::int64_t x, std::int64_t y) const {
    return x >= 0 && x < width && y >= 0 && y < height;
  }
};
