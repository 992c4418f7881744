#include "raster/ScaledBlit.h"

#include <algorithm>
#include <cmath>

#include "raster/BlendOps.h"
#include "raster/Blit.h"
#include "raster/Surface.h"

namespace {

// A negative destination extent mirrors: walk the destination forwards from its other end and
// the source backwards from its other end instead.
void unmirror(std::int64_t& d, std::int64_t& dlen, double& s, double& slen) {
  if (dlen >= 0) return;
  d += dlen;
  dlen = -dlen;
  s += slen;
  slen = -slen;
}

// Source pixels that may be sampled: left <= x < right, top <= y < bottom.
struct Window {
  std::int32_t left, top, right, bottom;
};

// Start positions stay within +-2^40 in 16.16 and steps within the int range, so a 64-bit
// position walked across any int-sized span cannot overflow.
constexpr double kMaxStart = 1099511627776.0;

std::int64_t fixedStart(double v) {
  double f = v * 65536.0;
  if (!(f == f)) return 0;
  f = std::clamp(f, -kMaxStart, kMaxStart);
  return static_cast<std::int64_t>(f);
}

std::int32_t fixedStep(double v) {
  return TruncToInt(v * 65536.0);
}

// One bilinear sample of the window at integer (x, y) with 16-bit fractions; false when the
// position is outside the window.
bool bilinearSample(const Surface& s, const Window& win, std::int64_t x, std::int64_t y, int fx,
                    int fy, blend::Channels& out) {
  if (y < win.top || y >= win.bottom || x < win.left || x >= win.right) return false;
  const Pixel32* row = s.row(static_cast<std::int32_t>(y)) + x;
  const bool lastRow = y == win.bottom - 1;
  const bool lastColumn = x == win.right - 1;
  if (!lastRow) {
    const Pixel32* below = row + s.rowStep();
    out = lastColumn ? blend::lerpPixels(row[0], below[0], fy)
                     : blend::bilerpPixels(row[0], row[1], below[0], below[1], fx, fy);
  } else {
    out = lastColumn ? blend::channelsOf(row[0]) : blend::lerpPixels(row[0], row[1], fx);
  }
  return true;
}

// The rotated blit's walk: destination rows from (s0, t0) with per-pixel steps (dsdx, dtdx),
// per-row steps (dsdy, dtdy) and second-order steps (ddsdx, ddtdx) applied after each row.
template <typename Op, bool Bilinear>
void affineSpanLoop(const Surface& d, std::int32_t dstx, std::int32_t dsty, std::int32_t dstw,
                    std::int32_t dsth, const Surface& s, const Window& win, double s0, double t0,
                    double dsdx, double dtdx, double dsdy, double dtdy, double ddsdx, double ddtdx,
                    int w) {
  std::int64_t rowS = fixedStart(s0), rowT = fixedStart(t0);
  std::int64_t stepS = fixedStep(dsdx), stepT = fixedStep(dtdx);
  const std::int64_t rowStepS = fixedStep(dsdy), rowStepT = fixedStep(dtdy);
  const std::int64_t stepStepS = fixedStep(ddsdx), stepStepT = fixedStep(ddtdx);
  for (std::int32_t j = 0; j < dsth; ++j) {
    Pixel32* out = d.row(dsty + j) + dstx;
    std::int64_t ps = rowS, pt = rowT;
    for (std::int32_t i = 0; i < dstw; ++i, ps += stepS, pt += stepT) {
      const std::int64_t x = ps / 65536, y = pt / 65536;
      if (Bilinear) {
        blend::Channels c;
        if (bilinearSample(s, win, x, y, static_cast<int>(ps & 0xFFFF),
                           static_cast<int>(pt & 0xFFFF), c)) {
          Op::apply(out[i], c.r, c.g, c.b, c.a, w);
        }
      } else if (y >= win.top && y < win.bottom && x >= win.left && x < win.right) {
        const Pixel32 p = s.row(static_cast<std::int32_t>(y))[x];
        Op::apply(out[i], blend::channel(p, 16), blend::channel(p, 8), blend::channel(p, 0),
                  blend::channel(p, 24), w);
      }
    }
    stepS += stepStepS;
    stepT += stepStepT;
    rowT += rowStepT;
    rowS += rowStepS;
  }
}

}  // namespace

void scaledBlit(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
                std::int32_t dstw, std::int32_t dsth, float srcx, float srcy, float srcw,
                float srch, float alpha, BlendMode mode) {
  if (!dest || !src || dstw == 0 || dsth == 0) return;
  const bool bilinear = (mode & BLEND_FILTER_MASK) == BLEND_FILTER_BILINEAR;

  if (std::fabs(static_cast<double>(srcw) - dstw) < 0.001 &&
      std::fabs(static_cast<double>(srch) - dsth) < 0.001 &&
      (!bilinear || (srcx - std::floor(srcx) < 0.03f && srcy - std::floor(srcy) < 0.03f))) {
    const std::int32_t ix = TruncToInt(srcx), iy = TruncToInt(srcy);
    const BlitRect r{ix, iy, ClampToInt(std::int64_t{ix} + dstw),
                     ClampToInt(std::int64_t{iy} + dsth)};
    blit(dest, src, dstx, dsty, &r, alpha, mode);
    return;
  }

  Surface d, s;
  if (!Surface::of(dest, d) || !Surface::of(src, s)) return;

  std::int64_t dx = dstx, dy = dsty, dw = dstw, dh = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  unmirror(dx, dw, sx, sw);
  unmirror(dy, dh, sy, sh);
  const double xstep = sw / static_cast<double>(dw);
  const double ystep = sh / static_cast<double>(dh);

  if (dx < 0) {
    const double skipped = xstep * static_cast<double>(dx);
    sx -= skipped;
    dw += dx;
    dx = 0;
  }
  if (dy < 0) {
    const double skipped = ystep * static_cast<double>(dy);
    sy -= skipped;
    dh += dy;
    dy = 0;
  }
  dw = std::min<std::int64_t>(dw, d.width - dx);
  dh = std::min<std::int64_t>(dh, d.height - dy);
  if (dw < 1 || dh < 1) return;

  // The window spans from the start to the far end, whichever way the source is walked (a
  // mirrored walk goes right to left); far ends are rounded to single precision.
  const float farX = static_cast<float>(sx + sw), farY = static_cast<float>(sy + sh);
  Window win;
  win.left = std::max(0, TruncToInt(std::min<double>(sx, farX)));
  win.top = std::max(0, TruncToInt(std::min<double>(sy, farY)));
  win.right = std::min(s.width, TruncToInt(std::ceil(std::max<double>(sx, farX))));
  win.bottom = std::min(s.height, TruncToInt(std::ceil(std::max<double>(sy, farY))));

  // A backward walk starts one step in, so that a mirrored blit is exactly the mirror image
  // of the unmirrored one (starting on the far edge would sample just outside the rectangle).
  if (xstep < 0) sx += xstep;
  if (ystep < 0) sy += ystep;

  const std::int64_t x0 = fixedStart(sx);
  const std::int64_t stepX = fixedStep(xstep);
  const int w = blend::weightOf(alpha);
  const std::int32_t cols = static_cast<std::int32_t>(dw), rows = static_cast<std::int32_t>(dh);
  const std::int32_t ox = static_cast<std::int32_t>(dx), oy = static_cast<std::int32_t>(dy);

  blend::dispatch(
      mode & BLEND_MODE_MASK, (mode & BLEND_USE_SOURCE_ALPHA) != 0, alpha, [&](auto op) {
        using Op = decltype(op);
        double rowPos = sy;
        for (std::int32_t j = 0; j < rows; ++j, rowPos += ystep) {
          Pixel32* out = d.row(oy + j) + ox;
          const std::int32_t y = TruncToInt(rowPos);
          if (!bilinear) {
            if (y < win.top || y >= win.bottom) continue;
            const Pixel32* in = s.row(y);
            std::int64_t pos = x0;
            for (std::int32_t i = 0; i < cols; ++i, pos += stepX) {
              const std::int64_t x = pos >> 16;
              if (x < win.left || x >= win.right) continue;
              const Pixel32 p = in[x];
              Op::apply(out[i], blend::channel(p, 16), blend::channel(p, 8), blend::channel(p, 0),
                        blend::channel(p, 24), w);
            }
          } else {
            const double frac = rowPos - y;
            // Just above row 0 truncation gives row 0 with a negative fraction; sample the row
            // itself rather than extrapolating with negative weights.
            const int fy = std::max(0, TruncToInt(frac * 65536.0));
            std::int64_t pos = x0;
            for (std::int32_t i = 0; i < cols; ++i, pos += stepX) {
              blend::Channels c;
              if (bilinearSample(s, win, pos / 65536, y, static_cast<int>(pos & 0xFFFF), fy, c)) {
                Op::apply(out[i], c.r, c.g, c.b, c.a, w);
              }
            }
          }
        }
      });
}

void rotatedBlit(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
                 std::int32_t dstw, std::int32_t dsth, float srcx, float srcy, float srcw,
                 float srch, float angle, bool clipToSource, float alpha, BlendMode mode,
                 float rotxcent, float rotycent) {
  if (!dest || !src || dstw == 0 || dsth == 0) return;
  Surface d, s;
  if (!Surface::of(dest, d) || !Surface::of(src, s)) return;

  Window win{0, 0, s.width, s.height};
  if (clipToSource) {
    // Single-precision sums, as the arguments are.
    const float right = srcx + srcw, bottom = srcy + srch;
    win.left = TruncToInt(std::max(srcx, 0.0f));
    win.top = TruncToInt(std::max(srcy, 0.0f));
    win.right = TruncToInt(std::min(right, static_cast<float>(s.width)));
    win.bottom = TruncToInt(std::min(bottom, static_cast<float>(s.height)));
  }

  std::int64_t dx = dstx, dy = dsty, dw = dstw, dh = dsth;
  double sx = srcx, sy = srcy, sw = srcw, sh = srch;
  unmirror(dx, dw, sx, sw);
  unmirror(dy, dh, sy, sh);

  const double sn = std::sin(static_cast<double>(angle));
  const double cs = std::cos(static_cast<double>(angle));
  const double kx = sw / static_cast<double>(dw);
  const double ky = sh / static_cast<double>(dh);
  const double dsdx = cs * kx, dtdx = -sn * ky, dsdy = sn * kx, dtdy = cs * ky;

  // The destination centre lands on the source centre moved by the rotation-centre offset.
  // One rounding per step keeps the x87 build in step with the others.
  const double wdsdx = static_cast<double>(dw) * dsdx, hdsdy = static_cast<double>(dh) * dsdy;
  const double wdtdx = static_cast<double>(dw) * dtdx, hdtdy = static_cast<double>(dh) * dtdy;
  const double spanS = wdsdx + hdsdy, spanT = wdtdx + hdtdy;
  const double overS = spanS - sw, overT = spanT - sh;
  const double offS = overS * 0.5 - rotxcent, offT = overT * 0.5 - rotycent;
  double s0 = sx - offS, t0 = sy - offT;

  if (dx < 0) {
    const double ds = static_cast<double>(dx) * dsdx, dt = static_cast<double>(dx) * dtdx;
    s0 -= ds;
    t0 -= dt;
    dw += dx;
    dx = 0;
  }
  if (dy < 0) {
    const double dt = static_cast<double>(dy) * dtdy, ds = static_cast<double>(dy) * dsdy;
    t0 -= dt;
    s0 -= ds;
    dh += dy;
    dy = 0;
  }
  dw = std::min<std::int64_t>(dw, d.width - dx);
  dh = std::min<std::int64_t>(dh, d.height - dy);
  if (dw < 1 || dh < 1) return;
  const float s0f = static_cast<float>(s0), t0f = static_cast<float>(t0);

  const bool bilinear = (mode & BLEND_FILTER_MASK) == BLEND_FILTER_BILINEAR;
  const int w = blend::weightOf(alpha);
  const std::int32_t ox = static_cast<std::int32_t>(dx), oy = static_cast<std::int32_t>(dy);
  const std::int32_t cols = static_cast<std::int32_t>(dw), rows = static_cast<std::int32_t>(dh);
  blend::dispatch(mode & BLEND_MODE_MASK, (mode & BLEND_USE_SOURCE_ALPHA) != 0, alpha,
                  [&](auto op) {
                    using Op = decltype(op);
                    if (bilinear) {
                      affineSpanLoop<Op, true>(d, ox, oy, cols, rows, s, win, s0f, t0f, dsdx, dtdx,
                                               dsdy, dtdy, 0.0, 0.0, w);
                    } else {
                      affineSpanLoop<Op, false>(d, ox, oy, cols, rows, s, win, s0f, t0f, dsdx, dtdx,
                                                dsdy, dtdy, 0.0, 0.0, w);
                    }
                  });
}
