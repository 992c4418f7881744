#include "raster/Primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "raster/BlendOps.h"
#include "raster/Surface.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Shared

// Weight (int)(fraction * alpha * 256) in the fraction's precision (double for lines, float
// for arcs), one rounding per product so the x87 build matches the others.
template <typename Real>
int fractionWeight(Real fraction, float alpha) {
  const Real scaled = fraction * static_cast<Real>(alpha);
  const Real weight = scaled * static_cast<Real>(256);
  return std::clamp(TruncToInt(weight), -blend::kMaxWeight, blend::kMaxWeight);
}

// Blends the colour into logical pixel (x, y) when it lies in the bitmap.
template <typename Op>
void plot(const Surface& s, std::int64_t x, std::int64_t y, const blend::Channels& c, int w) {
  if (!s.contains(x, y)) return;
  Op::apply(s.row(static_cast<std::int32_t>(y))[x], c.r, c.g, c.b, c.a, w);
}

// ---------------------------------------------------------------------------------------------
// Lines

int outcode(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  int code = 0;
  if (x < 0)
    code |= 1;
  else if (x >= w)
    code |= 2;
  if (y < 0)
    code |= 4;
  else if (y >= h)
    code |= 8;
  return code;
}

template <typename Op>
void walkLine(const Surface& s, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              const blend::Channels& c, float alpha, bool antialias) {
  const int w = blend::weightOf(alpha);
  const std::int32_t sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
  const std::ptrdiff_t rowStep = s.rowStep() * sy;
  Pixel32* p = s.row(y1) + x1;

  if (x1 == x2) {
    for (std::int32_t i = 0, n = std::abs(y2 - y1); i <= n; ++i, p += rowStep) {
      Op::apply(*p, c.r, c.g, c.b, c.a, w);
    }
    return;
  }
  if (y1 == y2) {
    for (std::int32_t i = 0, n = std::abs(x2 - x1); i <= n; ++i, p += sx) {
      Op::apply(*p, c.r, c.g, c.b, c.a, w);
    }
    return;
  }

  const std::int32_t dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const bool yMajor = dx < dy;
  const std::int32_t n = yMajor ? dy : dx;
  const double slope = yMajor ? static_cast<double>(dx) / dy : static_cast<double>(dy) / dx;
  // Major and minor steps as pointer offsets and as coordinates (for the neighbour's bounds).
  const std::ptrdiff_t majorStep = yMajor ? rowStep : sx, minorStep = yMajor ? sx : rowStep;
  const std::int32_t majorX = yMajor ? 0 : sx, majorY = yMajor ? sy : 0;
  const std::int32_t minorX = yMajor ? sx : 0, minorY = yMajor ? 0 : sy;
  std::int32_t x = x1, y = y1;

  if (!antialias) {
    double e = 0.0;
    for (std::int32_t i = 0; i <= n; ++i) {
      Op::apply(*p, c.r, c.g, c.b, c.a, w);
      const double next = e + slope;
      if (next > 0.5) {
        p += minorStep;
        e = next - 1.0;
      } else {
        e = next;
      }
      p += majorStep;
    }
    return;
  }

  double f = 0.0;
  for (std::int32_t i = 0; i < n; ++i) {
    const double rest = 1.0 - f;
    Op::apply(*p, c.r, c.g, c.b, c.a, fractionWeight(rest, alpha));
    // The neighbour may lie one step past the clipped segment, outside the bitmap.
    plot<Op>(s, x + minorX, y + minorY, c, fractionWeight(f, alpha));
    f += slope;
    if (f > 1.0) {
      f -= 1.0;
      p += minorStep;
      x += minorX;
      y += minorY;
    }
    p += majorStep;
    x += majorX;
    y += majorY;
  }
}

// ---------------------------------------------------------------------------------------------
// Arcs

constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kTwoOverPi = 0.63661975f;

// Maps (s, t) of the first-quadrant walk, s = r sin a, t = r cos a, to x = m0 s + m1 t + cx,
// y = m2 s + m3 t + cy.
struct QuadrantMatrix {
  int m0, m1, m2, m3;
};

constexpr QuadrantMatrix kQuadrants[4] = {
    {1, 0, 0, -1},   // 0 to pi/2: up to right
    {0, 1, 1, 0},    // pi/2 to pi: right to down
    {-1, 0, 0, 1},   // pi to 3pi/2: down to left
    {0, -1, -1, 0},  // 3pi/2 to 2pi: left to up
};

// Beyond 2^27 a single-precision step of 2 pi rounds back to the same angle, so wrapping by
// steps would never end there; up to it, every angle gets to 0..2 pi.
constexpr float kLongestWrap = 134217728.0f;

// Takes 2 pi off a magnitude m until it is below 32, giving exactly the value that taking it
// off one single-precision subtraction at a time gives, but many steps at once. While both m
// and the exact m - 2 pi lie in one binade [low, 2 low), the rounded difference is m minus the
// same multiple of the binade's spacing at every step: 2 pi is never halfway between two
// multiples of it for low >= 16, so no tie ever depends on m. The steps that stay inside the
// binade are one exact subtraction; the step that leaves it is taken as it is.
float takeTurnsOff(float m) {
  while (m >= 32.0f) {
    int exponent = 0;
    std::frexp(m, &exponent);
    const double low = std::ldexp(1.0, exponent - 1);
    const float next = m - kTwoPi;
    // Room for steps whose exact result stays in the binade; all terms are exact in double.
    const double room = static_cast<double>(m) - static_cast<double>(kTwoPi) - low;
    if (room < 0.0) {
      m = next;
      continue;
    }
    // Not 0: below 2^27 the spacing is at most 8, so 2 pi rounds to one spacing or more.
    const double step = static_cast<double>(m) - static_cast<double>(next);
    // room and step are multiples of 2^-21 below 2^27, so the quotient is never within a
    // rounding of the next integer up: the floor is exact. The product and the result are
    // multiples of the spacing inside the binade, so both are exact too.
    const double steps = std::floor(room / step) + 1.0;
    m = static_cast<float>(static_cast<double>(m) - steps * step);
  }
  return m;
}

}  // namespace

float wrapAngle(float a) {
  if (std::fabs(a) > kLongestWrap) {
    // Stepping would never end: the remainder stands in for it (an infinity for 0).
    a = std::isfinite(a) ? std::fmod(a, kTwoPi) : 0.0f;
  } else if (a <= -32.0f) {
    // Adding 2 pi to -m rounds as taking it off m does.
    a = -takeTurnsOff(-a);
  } else if (a >= 32.0f) {
    a = takeTurnsOff(a);
  }
  // NaN fails every test and comes out as it went in.
  while (a < 0.0f) a += kTwoPi;
  while (a > kTwoPi) a -= kTwoPi;
  return a;
}

namespace {

// sin and cos of a local angle, in double and rounded once to float. The float functions of
// the C libraries we build with disagree in the last bit for about one angle in a hundred;
// the double ones, rounded, agree, so an arc ends on the same pixels in every build.
float sinOf(float a) {
  const double v = std::sin(static_cast<double>(a));  // stored: a double on x87 too
  return static_cast<float>(v);
}
float cosOf(float a) {
  const double v = std::cos(static_cast<double>(a));
  return static_cast<float>(v);
}

struct Arc {
  const Surface& s;
  float cx, cy, r;
  blend::Channels c;
  float alpha;
  bool antialias;
};

template <typename Op>
void plotPair(const Arc& arc, const QuadrantMatrix& m, float ps, float pt, float qs, float qt,
              float f) {
  auto place = [&](float s, float t, std::int64_t& x, std::int64_t& y) {
    const float fx = static_cast<float>(m.m0) * s + static_cast<float>(m.m1) * t;
    const float fy = static_cast<float>(m.m2) * s + static_cast<float>(m.m3) * t;
    const float px = fx + arc.cx, py = fy + arc.cy;
    x = TruncToInt(px);
    y = TruncToInt(py);
  };
  std::int64_t x, y;
  place(ps, pt, x, y);
  if (!arc.antialias) {
    plot<Op>(arc.s, x, y, arc.c, blend::weightOf(arc.alpha));
    return;
  }
  const float rest = 1.0f - f;
  plot<Op>(arc.s, x, y, arc.c, fractionWeight(rest, arc.alpha));
  place(qs, qt, x, y);
  plot<Op>(arc.s, x, y, arc.c, fractionWeight(f, arc.alpha));
}

template <typename Op>
void quadrantArc(const Arc& arc, const QuadrantMatrix& m, float a1, float a2) {
  const float w1 = static_cast<float>(arc.s.width - 1), h1 = static_cast<float>(arc.s.height - 1);
  float sLo, sHi, tLo, tHi;
  if (m.m0 != 0) {
    sLo = -arc.cx / m.m0;
    sHi = (w1 - arc.cx) / m.m0;
    tLo = -arc.cy / m.m3;
    tHi = (h1 - arc.cy) / m.m3;
  } else {
    sLo = -arc.cy / m.m2;
    sHi = (h1 - arc.cy) / m.m2;
    tLo = -arc.cx / m.m1;
    tHi = (w1 - arc.cx) / m.m1;
  }
  const float sMin = std::min(sLo, sHi), sMax = std::max(sLo, sHi);
  const float tMin = std::min(tLo, tHi), tMax = std::max(tLo, tHi);

  const float r = arc.r;
  const float r2 = r * r;
  float s1 = 0.0f, t1 = r, s2 = r, t2 = 0.0f;
  if (a1 > 0.0f) {
    s1 = r * sinOf(a1);
    t1 = r * cosOf(a1);
  }
  if (a2 < kHalfPi) {
    s2 = r * sinOf(a2);
    t2 = r * cosOf(a2);
  }
  if (sMax < s1 || s2 < sMin || tMax < t2 || t1 < tMin) return;

  auto root = [r2](float v) {
    const float sq = v * v;
    return std::sqrt(std::max(0.0f, r2 - sq));
  };
  const bool inside = s1 > sMin && s1 < sMax && s2 > sMin && s2 < sMax && t1 > tMin && t1 < tMax &&
                      t2 > tMin && t2 < tMax;
  if (!inside) {
    if (s1 < sMin) {
      s1 = sMin;
      t1 = root(sMin);
    }
    if (sMax < s2) {
      s2 = sMax;
      t2 = root(sMax);
    }
    if (t2 < tMin) {
      t2 = tMin;
      s2 = root(tMin);
    }
    if (tMax < t1) {
      t1 = tMax;
      s1 = root(tMax);
    }
    if (s2 < s1 || t1 < t2) return;
  }
  // Every pixel is bounds-tested in plot, so the walk needs no separate unchecked variant.

  const float diagonal = r / 1.41421354f;
  // Steep octant: s runs, t follows the circle.
  {
    float tc = t1, previous = 0.0f;
    const float limit = std::min(diagonal, s2 - 1.0f);
    for (float s = s1; s <= limit; s += 1.0f) {
      const float t = root(s);
      const float f = std::ceil(t) - t;
      if (f < previous) tc -= 1.0f;
      previous = f;
      plotPair<Op>(arc, m, s, tc, s, tc - 1.0f, f);
      if (!(s + 1.0f > s)) break;  // beyond float precision the walk would never advance
    }
  }
  // Flat octant: t runs, s follows the circle.
  {
    float sc = s2, previous = 0.0f;
    const float limit = std::min(diagonal, t1 - 1.0f);
    for (float t = t2; t <= limit; t += 1.0f) {
      const float s = root(t);
      const float f = std::ceil(s) - s;
      if (f < previous) sc -= 1.0f;
      previous = f;
      plotPair<Op>(arc, m, sc, t, sc - 1.0f, t, f);
      if (!(t + 1.0f > t)) break;
    }
  }
}

}  // namespace

bool clipLine(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2,
              std::int32_t width, std::int32_t height) {
  using Real = long double;  // 64-bit mantissa: the products of int coordinates are exact
  int code1 = outcode(x1, y1, width, height);
  int code2 = outcode(x2, y2, width, height);
  // Each move puts a point on a border, so a few rounds settle any segment; the bound only
  // guards against truncation sending a point back and forth.
  for (int round = 0; round < 16; ++round) {
    if ((code1 | code2) == 0) return true;
    if ((code1 & code2) != 0) return false;
    const int code = code1 != 0 ? code1 : code2;
    const Real dx = static_cast<Real>(x2) - x1, dy = static_cast<Real>(y2) - y1;
    std::int32_t x, y;
    if (code & 8) {
      x = ClampToInt(x1 + static_cast<std::int64_t>(dx * (static_cast<Real>(height) - y1) / dy));
      y = height - 1;
    } else if (code & 4) {
      x = ClampToInt(x1 - static_cast<std::int64_t>(dx * y1 / dy));
      y = 0;
    } else if (code & 2) {
      y = ClampToInt(y1 + static_cast<std::int64_t>(dy * (static_cast<Real>(width) - x1) / dx));
      x = width - 1;
    } else {
      y = ClampToInt(y1 - static_cast<std::int64_t>(x1 * dy / dx));
      x = 0;
    }
    if (code == code1) {
      x1 = x;
      y1 = y;
      code1 = outcode(x1, y1, width, height);
    } else {
      x2 = x;
      y2 = y;
      code2 = outcode(x2, y2, width, height);
    }
  }
  return false;
}

void drawLine(RasterBitmap* bitmap, float x1, float y1, float x2, float y2, Pixel32 colour,
              float alpha, BlendMode mode, bool antialias) {
  Surface s;
  if (!Surface::of(bitmap, s)) return;
  std::int32_t ix1 = TruncToInt(x1), iy1 = TruncToInt(y1);
  std::int32_t ix2 = TruncToInt(x2), iy2 = TruncToInt(y2);
  // A bottom-up bitmap turns the rows over before clipping, so the segment is clipped and
  // walked in stored rows. Clipping truncates, so this is not the mirror image of clipping the
  // logical segment.
  if (s.bottomUp) {
    iy1 = ClampToInt(static_cast<std::int64_t>(s.height) - 1 - iy1);
    iy2 = ClampToInt(static_cast<std::int64_t>(s.height) - 1 - iy2);
    s.bottomUp = false;
  }
  if (!clipLine(ix1, iy1, ix2, iy2, s.width, s.height)) return;
  const blend::Channels c = blend::channelsOf(colour);
  blend::dispatch(
      mode & BLEND_MODE_MASK, (mode & BLEND_USE_SOURCE_ALPHA) != 0, alpha,
      [&](auto op) { walkLine<decltype(op)>(s, ix1, iy1, ix2, iy2, c, alpha, antialias); });
}

void drawArc(RasterBitmap* bitmap, float cx, float cy, float r, float angle1, float angle2,
             Pixel32 colour, float alpha, BlendMode mode, bool antialias) {
  Surface s;
  if (!Surface::of(bitmap, s)) return;
  angle1 = wrapAngle(angle1);
  angle2 = wrapAngle(angle2);
  const float q1f = angle1 * kTwoOverPi;
  const float q2f = angle2 * kTwoOverPi;
  const std::int32_t q1 = TruncToInt(q1f);
  std::int32_t q2 = TruncToInt(std::ceil(q2f)) - 1;
  const float turn1 = static_cast<float>(q1) * kHalfPi;
  const float turn2 = static_cast<float>(q2) * kHalfPi;
  const float a1 = angle1 - turn1;
  const float a2 = angle2 - turn2;
  if (q1 > q2) {
    q2 += static_cast<std::int32_t>(4 * (static_cast<std::uint32_t>(q1 - q2 - 1) / 4 + 1));
  }

  const Arc arc{s, cx, cy, r, blend::channelsOf(colour), alpha, antialias};
  blend::dispatch(mode & BLEND_MODE_MASK, (mode & BLEND_USE_SOURCE_ALPHA) != 0, alpha,
                  [&](auto op) {
                    using Op = decltype(op);
                    if (q1 == q2) {
                      quadrantArc<Op>(arc, kQuadrants[q1 & 3], a1, a2);
                      return;
                    }
                    quadrantArc<Op>(arc, kQuadrants[q1 & 3], a1, kHalfPi);
                    for (std::int32_t q = q1 + 1; q < q2; ++q)
                      quadrantArc<Op>(arc, kQuadrants[q & 3], 0.0f, kHalfPi);
                    quadrantArc<Op>(arc, kQuadrants[q2 & 3], 0.0f, a2);
                  });
}

void drawCircle(RasterBitmap* bitmap, float cx, float cy, float r, Pixel32 colour, float alpha,
                BlendMode mode, bool antialias) {
  drawArc(bitmap, cx, cy, r, 0.0f, kTwoPi, colour, alpha, mode, antialias);
}
