#pragma once

#include <windows.h>

#include <cstdint>

#include "raster/RasterBitmap.h"

/// A bitmap whose pixels live in a top-down 32-bit DIB section selected into its own memory
/// device context, so the finished picture can be copied to a window with one GDI blit from
/// getDC(). Windows only.
///
/// The context lives as long as the bitmap; each DIB section lives until the next successful
/// resize or the destruction. When creating a section fails, getBits() is null and every
/// operation draws nothing.
class DibBitmap : public RasterBitmap {
 public:
  DibBitmap(std::int32_t width, std::int32_t height);
  ~DibBitmap() override;
  DibBitmap(const DibBitmap&) = delete;
  DibBitmap& operator=(const DibBitmap&) = delete;

  Pixel32* getBits() override { return mBits; }
  std::int32_t getWidth() override { return mWidth; }
  std::int32_t getHeight() override { return mHeight; }
  std::int32_t getRowStride() override { return mWidth; }
  bool isBottomUp() override { return false; }
  /// False for the current size, and false with the new size recorded but the old section
  /// kept when either side is zero; otherwise replaces the section and returns true.
  bool resize(std::int32_t width, std::int32_t height) override;
  NativeDC getDC() override { return mDC; }

 private:
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  HDC mDC = nullptr;
  Pixel32* mBits = nullptr;
  HBITMAP mSection = nullptr;
  HGDIOBJ mPrevious = nullptr;  // selected in mDC before mSection
};
