#pragma once

#include <cstddef>

#include "raster/RasterBitmap.h"

/// PNG decoding into 32-bit bitmaps.
///
/// Every PNG colour type and bit depth arrives as straight 8-bit alpha, red, green, blue:
/// palettes and transparency chunks are expanded, 16-bit samples stripped, grey expanded to
/// RGB, images without alpha made opaque. Gamma and other ancillary chunks do not change the
/// pixels. Images larger than kMaxPngPixels are refused before anything is allocated.
///
/// destination: a bitmap to decode into (resized to the image; on failure it stays, possibly
/// resized and partly written), or null for a new MemoryBitmap that the caller then owns.
/// Returns the bitmap holding the picture, or null on any failure (nothing is leaked).

/// Largest image decoded, in pixels (64 Mpixel, 256 MiB).
constexpr std::size_t kMaxPngPixels = std::size_t{1} << 26;

/// [any thread] Decodes the PNG in data[0..size).
RasterBitmap* loadPngMemory(const void* data, std::size_t size, RasterBitmap* destination);

/// [any thread] Decodes the resource of type "PNG" with the given id from module (an HMODULE
/// on Windows; ignored where resources are embedded).
RasterBitmap* loadPngResource(void* module, int resourceId, RasterBitmap* destination);
