#pragma once

// The oracle of the raster tests: each blend function and sampling rule written per pixel,
// straight from its formula, with no shortcuts, on plain images.

#include <cstdint>
#include <random>
#include <vector>

#include "raster/Pixel32.h"
#include "tests/raster/TestBitmap.h"

namespace ref {

/// A plain top-down image; pixel (x, y) at px[y * w + x].
struct Image {
  std::int32_t w = 0, h = 0;
  std::vector<Pixel32> px;
  Pixel32& at(std::int32_t x, std::int32_t y) { return px[static_cast<std::size_t>(y * w + x)]; }
  Pixel32 at(std::int32_t x, std::int32_t y) const {
    return px[static_cast<std::size_t>(y * w + x)];
  }
};

inline Image randomImage(std::int32_t w, std::int32_t h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Image img{w, h, std::vector<Pixel32>(static_cast<std::size_t>(w * h))};
  for (Pixel32& p : img.px) {
    p = rng();
    // Make the special alphas common: 0 and 255 take different paths.
    const std::uint32_t pick = rng() % 4;
    if (pick == 0) p &= 0x00FFFFFFu;
    if (pick == 1) p |= 0xFF000000u;
  }
  return img;
}

inline void load(TestBitmap& bm, const Image& img) {
  for (std::int32_t y = 0; y < img.h; ++y)
    for (std::int32_t x = 0; x < img.w; ++x) bm.at(x, y) = img.at(x, y);
}

inline Image read(TestBitmap& bm) {
  Image img{bm.getWidth(), bm.getHeight(), {}};
  img.px.resize(static_cast<std::size_t>(img.w * img.h));
  for (std::int32_t y = 0; y < img.h; ++y)
    for (std::int32_t x = 0; x < img.w; ++x) img.at(x, y) = bm.at(x, y);
  return img;
}

/// Channel i (0 blue, 1 green, 2 red, 3 alpha) of a pixel.
inline int ch(Pixel32 p, int i) {
  return static_cast<int>((p >> (8 * i)) & 0xFF);
}

inline Pixel32 store(const int out[4]) {
  Pixel32 p = 0;
  for (int i = 0; i < 4; ++i) {
    int v = out[i];
    if (v & ~0xFF) v = v < 0 ? 0 : 255;
    p |= static_cast<Pixel32>(v) << (8 * i);
  }
  return p;
}

/// One blend function applied to destination d with source channels s[4] (blue, green, red,
/// alpha order) and weight w. mode: 0 mix, 1 add, 2 dodge; withAlpha picks the ...Alpha form.
inline Pixel32 blendPixel(int mode, bool withAlpha, Pixel32 d, const int s[4], int w) {
  const int a = s[3];
  if (withAlpha) {
    if (a == 0 && mode != 2) return d;  // mixPixelAlpha, addPixelAlpha: unchanged
    w = a * w / 256;
  }
  int out[4];
  for (int i = 0; i < 4; ++i) {
    const int di = ch(d, i), si = s[i];
    if (mode == 0) {
      out[i] = withAlpha ? (si * w + di * (255 - w)) / 256 : (di * (256 - w) + si * w) / 256;
    } else if (mode == 1) {
      out[i] = di + (si * w) / 256;
    } else {
      const int k = 255 - (si * w) / 256;
      out[i] = k > 1 ? (di * 256) / k : di * 256;
    }
  }
  return store(out);
}

inline Pixel32 blendPixel(int mode, bool withAlpha, Pixel32 d, Pixel32 src, int w) {
  const int s[4] = {ch(src, 0), ch(src, 1), ch(src, 2), ch(src, 3)};
  return blendPixel(mode, withAlpha, d, s, w);
}

/// Whether the mode dispatch draws at all for this mode byte and opacity.
inline bool draws(int modeByte, float alpha) {
  if (modeByte == 0) return alpha > 0;
  if (modeByte == 1 || modeByte == 2) return alpha != 0;
  return false;
}

inline void lerp(Pixel32 p0, Pixel32 p1, int f, int out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = (ch(p0, i) * (65535 - f) + ch(p1, i) * f) / 65536;
}

inline void bilerp(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy, int out[4]) {
  const int m =
      static_cast<int>((static_cast<std::uint32_t>(fx) * static_cast<std::uint32_t>(fy)) >> 16);
  const int w11 = m, w10 = fx - m, w01 = fy - m, w00 = 65535 - fx - fy + m;
  for (int i = 0; i < 4; ++i) {
    out[i] = (ch(p00, i) * w00 + ch(p10, i) * w10 + ch(p01, i) * w01 + ch(p11, i) * w11) / 65536;
  }
}

/// Bilinear sample of the window [left, right) x [top, bottom) at (x, y) with fractions.
inline bool bilinear(const Image& s, int left, int top, int right, int bottom, long long x,
                     long long y, int fx, int fy, int out[4]) {
  if (y < top || y >= bottom || x < left || x >= right) return false;
  const int xi = static_cast<int>(x), yi = static_cast<int>(y);
  if (yi < bottom - 1 && xi < right - 1) {
    bilerp(s.at(xi, yi), s.at(xi + 1, yi), s.at(xi, yi + 1), s.at(xi + 1, yi + 1), fx, fy, out);
  } else if (yi < bottom - 1) {
    lerp(s.at(xi, yi), s.at(xi, yi + 1), fy, out);
  } else if (xi < right - 1) {
    lerp(s.at(xi, yi), s.at(xi + 1, yi), fx, out);
  } else {
    for (int i = 0; i < 4; ++i) out[i] = ch(s.at(xi, yi), i);
  }
  return true;
}

}  // namespace ref
