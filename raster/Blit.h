#pragma once

#include <cstdint>

#include "raster/BlendMode.h"
#include "raster/Pixel32.h"
#include "raster/RasterBitmap.h"

/// Pixel access, rectangle fills and 1:1 blits.
///
/// Every operation does nothing for a null bitmap or null pixels, clips to the bitmaps, honours
/// bottom-up bitmaps, and chooses its blend operator once (see BlendMode and BlendOps.h).
/// alpha is the opacity (1.0 = full): the weight is (int)(alpha * 256).

/// Source rectangle of a blit: right and bottom exclusive.
struct BlitRect {
  std::int32_t left, top, right, bottom;
};

/// The pixel at (x, y), or 0 outside the bitmap.
Pixel32 getPixel(RasterBitmap* bitmap, std::int32_t x, std::int32_t y);

/// Blends colour into one pixel; nothing outside the bitmap.
void putPixel(RasterBitmap* bitmap, std::int32_t x, std::int32_t y, Pixel32 colour, float alpha,
              BlendMode mode);

/// Blends colour into every pixel of the clipped rectangle. Uses the plain operators with the
/// weight itself as the source alpha (so destination alpha moves toward the weight) and runs
/// without an alpha test; with BLEND_USE_SOURCE_ALPHA the opacity is first scaled by the
/// colour's alpha / 255.
void fillRect(RasterBitmap* bitmap, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, Pixel32 colour, float alpha, BlendMode mode);

/// Every pixel of the clipped rectangle becomes (pixel & andMask) | orValue.
void maskRect(RasterBitmap* bitmap, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, Pixel32 andMask, Pixel32 orValue);

/// Composites the source rectangle (null: the whole source) 1:1 at (dstx, dsty). Mode 0 at
/// alpha exactly 1.0 without source alpha copies raw bytes; mode bytes 0xF0-0xFF copy one
/// channel (see BlendMode).
void blit(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
          const BlitRect* srcRect, float alpha, BlendMode mode);

/// blit of the rectangle (srcx, srcy, srcx + srcw, srcy + srch).
void blitRect(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
              std::int32_t srcx, std::int32_t srcy, std::int32_t srcw, std::int32_t srch,
              float alpha, BlendMode mode);

/// Resizes dest to the source's size and copies the whole source into it.
void copyBitmap(RasterBitmap* dest, RasterBitmap* src);
