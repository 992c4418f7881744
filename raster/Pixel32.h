#pragma once

#include <cstdint>

/// One pixel of every raster bitmap: the word 0xAARRGGBB.
///
/// In memory (little-endian) the bytes are blue, green, red, alpha; operations address the
/// channels by that byte position (0 blue, 1 green, 2 red, 3 alpha). Alpha is straight: the
/// colour channels are not premultiplied by it.
using Pixel32 = std::uint32_t;

static_assert(sizeof(Pixel32) == 4, "a pixel is one 32-bit word");

/// Channel of a pixel by byte position (0 blue, 1 green, 2 red, 3 alpha).
constexpr int pixelChannel(Pixel32 p, int byte) {
  return static_cast<int>((p >> (8 * byte)) & 0xFF);
}

/// Builds a pixel from 8-bit channels.
constexpr Pixel32 makePixel32(int a, int r, int g, int b) {
  return (static_cast<Pixel32>(a & 0xFF) << 24) | (static_cast<Pixel32>(r & 0xFF) << 16) |
         (static_cast<Pixel32>(g & 0xFF) << 8) | static_cast<Pixel32>(b & 0xFF);
}
