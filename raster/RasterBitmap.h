#pragma once

#include <cstdint>

#include "raster/Pixel32.h"

/// A 32-bit raster bitmap: the target or source of every raster operation.
///
/// Pixel (x, y) lies at index y * getRowStride() + x from getBits(); when isBottomUp() is true
/// the rows are stored bottom-up and logical row y is memory row getHeight() - 1 - y. The row
/// stride counts pixels and is at least the width. Operations do nothing with a bitmap whose
/// getBits() is null. The virtual operations keep this order (it is the extension point other
/// bitmap kinds implement).
///
/// Whoever creates a bitmap deletes it through this interface.
class RasterBitmap {
 public:
  /// Native device-context handle (an HDC on Windows; null where there is none).
  using NativeDC = void*;

  virtual ~RasterBitmap() = default;

  /// Start of the pixel block, or null when there are no pixels.
  virtual Pixel32* getBits() = 0;
  /// Width in pixels.
  virtual std::int32_t getWidth() = 0;
  /// Height in pixels.
  virtual std::int32_t getHeight() = 0;
  /// Distance between rows, in pixels.
  virtual std::int32_t getRowStride() = 0;
  /// True when the rows are stored bottom-up.
  virtual bool isBottomUp() = 0;
  /// Changes the size; true when the bitmap was changed. The pixels are undefined afterwards.
  virtual bool resize(std::int32_t width, std::int32_t height) = 0;
  /// Device context that has the pixels selected, or null (the default).
  virtual NativeDC getDC() { return nullptr; }
};
