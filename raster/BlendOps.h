#pragma once

#include <cmath>
#include <cstdint>

#include "raster/Pixel32.h"

/// The six per-pixel blend operators and the helpers the compositing loops share.
///
/// Every operator blends source channels r, g, b, a (normally 0..255) into one destination
/// pixel with an integer weight w (256 = full opacity). All four channels, alpha included, use
/// the same formula; "/" truncates toward zero; each result is stored with storeClamped. The
/// operators are structs with a static apply so that one template loop per operation can be
/// specialised for each of them.
namespace blend {

/// Weights are kept within +-kMaxWeight (opacity +-256) so that no product overflows 32 bits.
constexpr int kMaxWeight = 65536;

/// A channel value: any bit outside the low 8 set means 0 when negative, 255 otherwise.
inline std::uint32_t storeClamped(int v) {
  if (v & ~0xFF) v = v < 0 ? 0 : 255;
  return static_cast<std::uint32_t>(v);
}

inline Pixel32 storePixel(int r, int g, int b, int a) {
  return (storeClamped(a) << 24) | (storeClamped(r) << 16) | (storeClamped(g) << 8) |
         storeClamped(b);
}

inline int channel(Pixel32 p, int shift) {
  return static_cast<int>((p >> shift) & 0xFF);
}

/// Integer weight of a float opacity: (int)(alpha * 256), NaN as 0, clamped to +-kMaxWeight.
inline int weightOf(float alpha) {
  if (!(alpha == alpha)) return 0;
  const float limit = static_cast<float>(kMaxWeight) / 256.0f;
  if (alpha > limit) alpha = limit;
  if (alpha < -limit) alpha = -limit;
  return static_cast<int>(alpha * 256.0f);
}

/// out = (d * (256 - w) + s * w) / 256
struct MixPixel {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    const int k = 256 - w;
    d = storePixel((channel(d, 16) * k + r * w) / 256, (channel(d, 8) * k + g * w) / 256,
                   (channel(d, 0) * k + b * w) / 256, (channel(d, 24) * k + a * w) / 256);
  }
};

/// w' = a * w / 256; out = (s * w' + d * (255 - w')) / 256; a = 0 leaves the pixel.
/// The complement is 255 - w', so an opaque white source at full weight stores 254.
struct MixPixelAlpha {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    const int ws = a * w / 256;
    const int k = 255 - ws;
    d = storePixel((r * ws + channel(d, 16) * k) / 256, (g * ws + channel(d, 8) * k) / 256,
                   (b * ws + channel(d, 0) * k) / 256, (a * ws + channel(d, 24) * k) / 256);
  }
};

/// MixPixel for weights 0..256, two channels per multiply. Every term is non-negative and the
/// sum stays below 65536 per 16-bit lane, so the shift is the truncating division and no
/// result exceeds 255: bit-identical to MixPixel in that range.
struct MixPixelUnit {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    const std::uint32_t s = (static_cast<std::uint32_t>(a) << 24) |
                            (static_cast<std::uint32_t>(r) << 16) |
                            (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
    d = blendLanes(d, s, static_cast<std::uint32_t>(256 - w), static_cast<std::uint32_t>(w));
  }
  static Pixel32 blendLanes(Pixel32 d, std::uint32_t s, std::uint32_t kd, std::uint32_t ks) {
    const std::uint32_t rb = (((d & 0x00FF00FFu) * kd + (s & 0x00FF00FFu) * ks) >> 8) & 0x00FF00FFu;
    const std::uint32_t ag =
        (((d >> 8) & 0x00FF00FFu) * kd + ((s >> 8) & 0x00FF00FFu) * ks) & 0xFF00FF00u;
    return rb | ag;
  }
};

/// MixPixelAlpha for weights 0..256 (so 0 <= w' <= 255 and the two factors sum to 255),
/// two channels per multiply; bit-identical to MixPixelAlpha in that range.
struct MixPixelAlphaUnit {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    const std::uint32_t ws = static_cast<std::uint32_t>(a * w) >> 8;
    const std::uint32_t s = (static_cast<std::uint32_t>(a) << 24) |
                            (static_cast<std::uint32_t>(r) << 16) |
                            (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
    d = MixPixelUnit::blendLanes(d, s, 255 - ws, ws);
  }
};

/// out = d + s * w / 256
struct AddPixel {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    d = storePixel(channel(d, 16) + r * w / 256, channel(d, 8) + g * w / 256,
                   channel(d, 0) + b * w / 256, channel(d, 24) + a * w / 256);
  }
};

/// w' = a * w / 256; out = d + s * w' / 256; a = 0 leaves the pixel.
struct AddPixelAlpha {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    AddPixel::apply(d, r, g, b, a, a * w / 256);
  }
};

/// k = 255 - s * w / 256; out = d * 256 / k when k > 1, else d * 256.
struct DodgePixel {
  static int dodge(int d, int s, int w) {
    const int k = 255 - s * w / 256;
    return k > 1 ? d * 256 / k : d * 256;
  }
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    d = storePixel(dodge(channel(d, 16), r, w), dodge(channel(d, 8), g, w),
                   dodge(channel(d, 0), b, w), dodge(channel(d, 24), a, w));
  }
};

/// DodgePixel with w' = a * w / 256 (a = 0 leaves the pixel by arithmetic alone).
struct DodgePixelAlpha {
  static void apply(Pixel32& d, int r, int g, int b, int a, int w) {
    DodgePixel::apply(d, r, g, b, a, a * w / 256);
  }
};

/// Source channels of an interpolated sample, passed on to an operator.
struct Channels {
  int r, g, b, a;
};

inline Channels channelsOf(Pixel32 p) {
  return {channel(p, 16), channel(p, 8), channel(p, 0), channel(p, 24)};
}

/// (p0 * (65535 - f) + p1 * f) / 65536 per channel; f is a 16-bit fraction.
inline Channels lerpPixels(Pixel32 p0, Pixel32 p1, int f) {
  const int f0 = 65535 - f;
  return {(channel(p0, 16) * f0 + channel(p1, 16) * f) / 65536,
          (channel(p0, 8) * f0 + channel(p1, 8) * f) / 65536,
          (channel(p0, 0) * f0 + channel(p1, 0) * f) / 65536,
          (channel(p0, 24) * f0 + channel(p1, 24) * f) / 65536};
}

/// Bilinear sample of p00, its right neighbour p10, the pixel below p01 and p11, with 16-bit
/// fractions fx, fy. The weights sum to 65535 (w00 = 65535 - fx - fy + m, m = fx * fy >> 16).
inline Channels bilerpPixels(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy) {
  const int m =
      static_cast<int>((static_cast<std::uint32_t>(fx) * static_cast<std::uint32_t>(fy)) >> 16);
  const int w11 = m, w10 = fx - m, w01 = fy - m, w00 = 65535 - fx - fy + m;
  auto mix = [&](int shift) {
    return (channel(p00, shift) * w00 + channel(p10, shift) * w10 + channel(p01, shift) * w01 +
            channel(p11, shift) * w11) /
           65536;
  };
  return {mix(16), mix(8), mix(0), mix(24)};
}

/// Runs fn with the operator that mode byte and source-alpha flag select, once per operation:
/// mode 0 draws only for alpha > 0, modes 1 and 2 for alpha != 0 (a negative alpha subtracts
/// in add mode), NaN and other modes draw nothing. Returns whether fn ran.
template <typename Fn>
bool dispatch(int modeByte, bool useSourceAlpha, float alpha, Fn&& fn) {
  switch (modeByte) {
    case 0: {
      if (!(alpha > 0.0f)) return false;
      // Weights up to full opacity take the lane-parallel forms (same results, no clamps).
      const bool unit = weightOf(alpha) <= 256;
      if (useSourceAlpha) {
        if (unit)
          fn(MixPixelAlphaUnit{});
        else
          fn(MixPixelAlpha{});
      } else {
        if (unit)
          fn(MixPixelUnit{});
        else
          fn(MixPixel{});
      }
      return true;
    }
    case 1:
      if (!(alpha < 0.0f || alpha > 0.0f)) return false;
      if (useSourceAlpha)
        fn(AddPixelAlpha{});
      else
        fn(AddPixel{});
      return true;
    case 2:
      if (!(alpha < 0.0f || alpha > 0.0f)) return false;
      if (useSourceAlpha)
        fn(DodgePixelAlpha{});
      else
        fn(DodgePixel{});
      return true;
    default:
      return false;
  }
}

}  // namespace blend
