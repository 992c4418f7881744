#include "raster/Blit.h"

#include <algorithm>
#include <cstring>

#include "raster/BlendOps.h"
#include "raster/Surface.h"

namespace {

// A rectangle clipped to a surface, in logical rows.
struct Clip {
  std::int32_t x, y, w, h;
};

// Clips (x, y, w, h) to the surface the way fills do; false when nothing is left.
bool clipRect(const Surface& s, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
              Clip& out) {
  if (x < 0) {
    w += x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    y = 0;
  }
  w = std::min<std::int64_t>(w, s.width - x);
  h = std::min<std::int64_t>(h, s.height - y);
  if (w <= 0 || h <= 0) return false;
  out = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(w),
         static_cast<std::int32_t>(h)};
  return true;
}

template <typename Op>
void fillSpan(Pixel32* d, std::int32_t n, int r, int g, int b, int a, int w) {
  for (std::int32_t i = 0; i < n; ++i) Op::apply(d[i], r, g, b, a, w);
}

template <typename Op>
void blendSpan(Pixel32* d, const Pixel32* s, std::int32_t n, int w) {
  for (std::int32_t i = 0; i < n; ++i) {
    const Pixel32 p = s[i];
    Op::apply(d[i], blend::channel(p, 16), blend::channel(p, 8), blend::channel(p, 0),
              blend::channel(p, 24), w);
  }
}

void channelCopySpan(Pixel32* d, const Pixel32* s, std::int32_t n, int mode) {
  const int dstShift = 8 * ((mode >> 2) & 3);
  const int srcShift = 8 * (mode & 3);
  const Pixel32 keep = ~(Pixel32{0xFF} << dstShift);
  for (std::int32_t i = 0; i < n; ++i) {
    d[i] = (d[i] & keep) | (((s[i] >> srcShift) & 0xFF) << dstShift);
  }
}

}  // namespace

Pixel32 getPixel(RasterBitmap* bitmap, std::int32_t x, std::int32_t y) {
  Surface s;
  if (!Surface::of(bitmap, s) || !s.contains(x, y)) return 0;
  return s.row(y)[x];
}

void putPixel(RasterBitmap* bitmap, std::int32_t x, std::int32_t y, Pixel32 colour, float alpha,
              BlendMode mode) {
  Surface s;
  if (!Surface::of(bitmap, s) || !s.contains(x, y)) return;
  Pixel32& d = s.row(y)[x];
  const int w = blend::weightOf(alpha);
  const blend::Channels c = blend::channelsOf(colour);
  blend::dispatch(mode & BLEND_MODE_MASK, (mode & BLEND_USE_SOURCE_ALPHA) != 0, alpha,
                  [&](auto op) { decltype(op)::apply(d, c.r, c.g, c.b, c.a, w); });
}

void fillRect(RasterBitmap* bitmap, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, Pixel32 colour, float alpha, BlendMode mode) {
  Surface s;
  if (!Surface::of(bitmap, s)) return;
  if (mode & BLEND_USE_SOURCE_ALPHA) {
    // Two separately rounded products, so the x87 build rounds like the others.
    const float scaled = static_cast<float>(colour >> 24) * alpha;
    alpha = scaled * (1.0f / 255.0f);
  }
  Clip c;
  if (!clipRect(s, x, y, width, height, c)) return;
  const int w = blend::weightOf(alpha);
  const blend::Channels col = blend::channelsOf(colour);
  // The weight doubles as the source alpha. Beyond +-1024 every operator already stores 255
  // in alpha, so limiting it there changes no result and keeps w * w out of overflow.
  const int a = std::clamp(w, -1024, 1024);
  auto fill = [&](auto op) {
    using Op = decltype(op);
    Pixel32* row = s.row(c.y) + c.x;
    for (std::int32_t j = 0; j < c.h; ++j, row += s.rowStep()) {
      fillSpan<Op>(row, c.w, col.r, col.g, col.b, a, w);
    }
  };
  switch (mode & BLEND_MODE_MASK) {
    case BLEND_COPY:
      fill(blend::MixPixel{});
      break;
    case BLEND_ADD:
      fill(blend::AddPixel{});
      break;
    case BLEND_DODGE:
      fill(blend::DodgePixel{});
      break;
    default:
      break;
  }
}

void maskRect(RasterBitmap* bitmap, std::int32_t x, std::int32_t y, std::int32_t width,
              std::int32_t height, Pixel32 andMask, Pixel32 orValue) {
  Surface s;
  Clip c;
  if (!Surface::of(bitmap, s) || !clipRect(s, x, y, width, height, c)) return;
  Pixel32* row = s.row(c.y) + c.x;
  for (std::int32_t j = 0; j < c.h; ++j, row += s.rowStep()) {
    for (std::int32_t i = 0; i < c.w; ++i) row[i] = (row[i] & andMask) | orValue;
  }
}

void blit(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
          const BlitRect* srcRect, float alpha, BlendMode mode) {
  Surface d, s;
  if (!Surface::of(dest, d) || !Surface::of(src, s)) return;

  // 64-bit set-up: the clipping sums of extreme positions must not overflow.
  std::int64_t left = 0, top = 0, right = s.width, bottom = s.height;
  if (srcRect) {
    left = std::max<std::int64_t>(srcRect->left, 0);
    top = std::max<std::int64_t>(srcRect->top, 0);
    right = std::min<std::int64_t>(srcRect->right, s.width);
    bottom = std::min<std::int64_t>(srcRect->bottom, s.height);
  }
  std::int64_t dx = dstx, dy = dsty;
  if (dx < 0) {
    left -= dx;
    dx = 0;
  }
  if (dy < 0) {
    top -= dy;
    dy = 0;
  }
  if (d.width < right + dx - left) right = d.width + left - dx;
  if (d.height < bottom + dy - top) bottom = d.height + top - dy;
  if (left >= right || top >= bottom) return;

  const std::int32_t n = static_cast<std::int32_t>(right - left);
  const std::int32_t rows = static_cast<std::int32_t>(bottom - top);
  Pixel32* drow = d.row(static_cast<std::int32_t>(dy)) + dx;
  const Pixel32* srow = s.row(static_cast<std::int32_t>(top)) + left;
  const std::ptrdiff_t dstep = d.rowStep(), sstep = s.rowStep();

  const int modeByte = mode & BLEND_MODE_MASK;
  const bool useSourceAlpha = (mode & BLEND_USE_SOURCE_ALPHA) != 0;
  if (modeByte >= BLEND_CHANNEL_COPY) {
    for (std::int32_t j = 0; j < rows; ++j, drow += dstep, srow += sstep) {
      channelCopySpan(drow, srow, n, modeByte);
    }
    return;
  }
  if (modeByte == BLEND_COPY && !useSourceAlpha && alpha == 1.0f) {
    // memmove: a bitmap copied onto itself overlaps.
    for (std::int32_t j = 0; j < rows; ++j, drow += dstep, srow += sstep) {
      std::memmove(drow, srow, static_cast<std::size_t>(n) * sizeof(Pixel32));
    }
    return;
  }
  const int w = blend::weightOf(alpha);
  blend::dispatch(modeByte, useSourceAlpha, alpha, [&](auto op) {
    using Op = decltype(op);
    for (std::int32_t j = 0; j < rows; ++j, drow += dstep, srow += sstep) {
      blendSpan<Op>(drow, srow, n, w);
    }
  });
}

void blitRect(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
              std::int32_t srcx, std::int32_t srcy, std::int32_t srcw, std::int32_t srch,
              float alpha, BlendMode mode) {
  const BlitRect r{srcx, srcy, ClampToInt(std::int64_t{srcx} + srcw),
                   ClampToInt(std::int64_t{srcy} + srch)};
  blit(dest, src, dstx, dsty, &r, alpha, mode);
}

void copyBitmap(RasterBitmap* dest, RasterBitmap* src) {
  if (!dest || !src) return;
  dest->resize(src->getWidth(), src->getHeight());
  blit(dest, src, 0, 0, nullptr, 1.0f, 0);
}
