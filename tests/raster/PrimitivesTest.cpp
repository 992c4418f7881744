#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "raster/MemoryBitmap.h"
#include "raster/Primitives.h"
#include "tests/raster/ScalarReference.h"

namespace {

using PixelSet = std::set<std::pair<int, int>>;

constexpr Pixel32 kInk = 0xFFFFFFFFu;

// Clears the bitmap to 0 and returns the set of pixels that differ from 0 after draw().
template <typename Draw>
PixelSet drawn(TestBitmap& bm, Draw draw) {
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x) bm.at(x, y) = 0;
  draw(&bm);
  PixelSet set;
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      if (bm.at(x, y) != 0) set.insert({x, y});
  return set;
}

PixelSet row(int y, int x0, int x1) {
  PixelSet s;
  for (int x = x0; x <= x1; ++x) s.insert({x, y});
  return s;
}

// ---------------------------------------------------------------------------------------------
// The primitives written straight from their formulas: one pixel at a time, every bounds test
// spelled out, every float and double operation stored to a variable of its type so that the
// x87 build rounds each of them as the other builds do.

constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kTwoOverPi = 0.63661975f;

// The pixels as stored: row y of the image is the y-th row in memory, whatever the row order.
ref::Image storedRows(TestBitmap& bm) {
  ref::Image img{bm.getWidth(), bm.getHeight(), {}};
  img.px.resize(static_cast<std::size_t>(img.w * img.h));
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) img.at(x, y) = bm.getBits()[y * bm.getRowStride() + x];
  return img;
}

void loadStoredRows(TestBitmap& bm, const ref::Image& img) {
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) bm.getBits()[y * bm.getRowStride() + x] = img.at(x, y);
}

// Blends the colour into pixels of a stored-row image with the function the mode word picks.
struct RefPen {
  ref::Image& img;
  BlendMode mode;
  Pixel32 colour;
  float alpha;
  bool flipped;  // whether plot() gets logical rows of a bottom-up bitmap

  bool draws() const { return ref::draws(mode & 0xFF, alpha); }
  void plot(int x, int y, int w) {
    if (x < 0 || x >= img.w || y < 0 || y >= img.h) return;
    const int row = flipped ? img.h - 1 - y : y;
    img.at(x, row) = ref::blendPixel(mode & 0xFF, (mode & BLEND_USE_SOURCE_ALPHA) != 0,
                                     img.at(x, row), colour, w);
  }
};

int weightOf(float alpha) {
  const float scaled = alpha * 256.0f;
  return static_cast<int>(scaled);
}

template <typename Real>
int fractionWeight(Real f, float alpha) {
  const Real part = f * alpha;
  const Real scaled = part * 256;
  return static_cast<int>(scaled);
}

int outcodeOf(int x, int y, int w, int h) {
  return (x < 0 ? 1 : x >= w ? 2 : 0) | (y < 0 ? 4 : y >= h ? 8 : 0);
}

// Outcode clipping; the products and quotients in extended precision. false: nothing is left,
// or (a failure of its own) the loop did not settle.
bool refClipLine(int& x1, int& y1, int& x2, int& y2, int w, int h) {
  using X = long double;
  int c1 = outcodeOf(x1, y1, w, h), c2 = outcodeOf(x2, y2, w, h);
  for (int round = 0; round < 1000; ++round) {
    if (c1 == 0 && c2 == 0) return true;
    if ((c1 & c2) != 0) return false;
    const int code = c1 != 0 ? c1 : c2;
    int x, y;
    if (code & 8) {
      const X q = X(x2 - x1) * X(h - y1) / X(y2 - y1);
      x = x1 + static_cast<int>(q);
      y = h - 1;
    } else if (code & 4) {
      const X q = X(x2 - x1) * X(y1) / X(y2 - y1);
      x = x1 - static_cast<int>(q);
      y = 0;
    } else if (code & 2) {
      const X q = X(y2 - y1) * X(w - x1) / X(x2 - x1);
      y = y1 + static_cast<int>(q);
      x = w - 1;
    } else {
      const X q = X(x1) * X(y2 - y1) / X(x2 - x1);
      y = y1 - static_cast<int>(q);
      x = 0;
    }
    if (code == c1) {
      x1 = x, y1 = y, c1 = outcodeOf(x1, y1, w, h);
    } else {
      x2 = x, y2 = y, c2 = outcodeOf(x2, y2, w, h);
    }
  }
  ADD_FAILURE() << "the reference clipping did not settle";
  return false;
}

// flipFirst false gives the other order (clip the logical segment, then turn its rows over),
// only to show that the random lines tell the two apart.
void refDrawLine(RefPen& pen, float fx1, float fy1, float fx2, float fy2, bool antialias,
                 bool flipFirst = true) {
  if (!pen.draws()) return;
  const int w = pen.img.w, h = pen.img.h;
  int x1 = static_cast<int>(fx1), y1 = static_cast<int>(fy1);
  int x2 = static_cast<int>(fx2), y2 = static_cast<int>(fy2);
  if (pen.flipped && flipFirst) {
    y1 = h - 1 - y1;
    y2 = h - 1 - y2;
  }
  if (!refClipLine(x1, y1, x2, y2, w, h)) return;
  if (pen.flipped && !flipFirst) {
    y1 = h - 1 - y1;
    y2 = h - 1 - y2;
  }
  RefPen rows{pen.img, pen.mode, pen.colour, pen.alpha, false};  // stored rows from here on
  const int weight = weightOf(pen.alpha);
  const int sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
  if (x1 == x2) {
    for (int i = 0; i <= std::abs(y2 - y1); ++i) rows.plot(x1, y1 + i * sy, weight);
    return;
  }
  if (y1 == y2) {
    for (int i = 0; i <= std::abs(x2 - x1); ++i) rows.plot(x1 + i * sx, y1, weight);
    return;
  }
  const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const bool yMajor = dx < dy;
  const int n = yMajor ? dy : dx;
  const double slope = yMajor ? double(dx) / double(dy) : double(dy) / double(dx);
  const int majorX = yMajor ? 0 : sx, majorY = yMajor ? sy : 0;
  const int minorX = yMajor ? sx : 0, minorY = yMajor ? 0 : sy;
  int x = x1, y = y1;
  if (!antialias) {
    double e = 0.0;
    for (int i = 0; i < n + 1; ++i) {
      rows.plot(x, y, weight);
      const double next = e + slope;
      if (next > 0.5) {
        x += minorX, y += minorY;
        e = next - 1.0;
      } else {
        e = next;
      }
      x += majorX, y += majorY;
    }
    return;
  }
  double f = 0.0;
  for (int i = 0; i < n; ++i) {
    const double rest = 1.0 - f;
    rows.plot(x, y, fractionWeight(rest, pen.alpha));
    rows.plot(x + minorX, y + minorY, fractionWeight(f, pen.alpha));
    f = f + slope;
    if (f > 1.0) {
      f = f - 1.0;
      x += minorX, y += minorY;
    }
    x += majorX, y += majorY;
  }
}

// The wrapping loop itself; it ends for any angle up to 2^27 in magnitude.
float refLoopWrap(float a) {
  while (a < 0.0f) a = a + kTwoPi;
  while (a > kTwoPi) a = a - kTwoPi;
  return a;
}

// The rule for angles where the loop would never end: the remainder, then the loop.
float refWrap(float a) {
  if (std::fabs(a) > 134217728.0f) a = std::fmod(a, kTwoPi);
  return refLoopWrap(a);
}

// The library takes sin and cos in double, rounded to float, for the same value everywhere.
float sinOf(float a) {
  const double v = std::sin(static_cast<double>(a));
  return static_cast<float>(v);
}
float cosOf(float a) {
  const double v = std::cos(static_cast<double>(a));
  return static_cast<float>(v);
}

void refQuadrant(RefPen& pen, float cx, float cy, float r, int q, float a1, float a2,
                 bool antialias) {
  static const int kM[4][4] = {{1, 0, 0, -1}, {0, 1, 1, 0}, {-1, 0, 0, 1}, {0, -1, -1, 0}};
  const int* m = kM[q % 4];
  const float w1 = float(pen.img.w - 1), h1 = float(pen.img.h - 1);
  float sA, sB, tA, tB;
  if (m[0] != 0) {
    const float dx = w1 - cx, dy = h1 - cy;
    sA = -cx / float(m[0]), sB = dx / float(m[0]);
    tA = -cy / float(m[3]), tB = dy / float(m[3]);
  } else {
    const float dy = h1 - cy, dx = w1 - cx;
    sA = -cy / float(m[2]), sB = dy / float(m[2]);
    tA = -cx / float(m[1]), tB = dx / float(m[1]);
  }
  const float sMin = sA < sB ? sA : sB, sMax = sA < sB ? sB : sA;
  const float tMin = tA < tB ? tA : tB, tMax = tA < tB ? tB : tA;
  const float r2 = r * r;
  auto root = [r2](float v) {
    const float sq = v * v;
    const float d = r2 - sq;
    const float rt = std::sqrt(d);
    return rt;
  };
  float s1 = 0.0f, t1 = r, s2 = r, t2 = 0.0f;
  if (a1 > 0.0f) {
    const float sn = sinOf(a1), cs = cosOf(a1);
    s1 = r * sn, t1 = r * cs;
  }
  if (a2 < kHalfPi) {
    const float sn = sinOf(a2), cs = cosOf(a2);
    s2 = r * sn, t2 = r * cs;
  }
  if (sMax < s1 || s2 < sMin || tMax < t2 || t1 < tMin) return;
  if (s1 < sMin) s1 = sMin, t1 = root(sMin);
  if (sMax < s2) s2 = sMax, t2 = root(sMax);
  if (t2 < tMin) t2 = tMin, s2 = root(tMin);
  if (tMax < t1) t1 = tMax, s1 = root(tMax);
  if (s2 < s1 || t1 < t2) return;

  auto place = [&](float s, float t, int& x, int& y) {
    // One of each pair of products is 0 and the other is +-s or +-t: both exact.
    const float px = float(m[0]) * s + float(m[1]) * t;
    const float py = float(m[2]) * s + float(m[3]) * t;
    const float fx = px + cx, fy = py + cy;
    x = static_cast<int>(fx), y = static_cast<int>(fy);
  };
  auto pair = [&](float ps, float pt, float qs, float qt, float f) {
    int x, y;
    place(ps, pt, x, y);
    if (!antialias) {
      pen.plot(x, y, weightOf(pen.alpha));
      return;
    }
    const float rest = 1.0f - f;
    pen.plot(x, y, fractionWeight(rest, pen.alpha));
    place(qs, qt, x, y);
    pen.plot(x, y, fractionWeight(f, pen.alpha));
  };
  const float root2 = std::sqrt(2.0f);
  const float diagonal = r / root2;
  {
    float tc = t1, previous = 0.0f, s = s1;
    const float end = s2 - 1.0f;
    const float limit = diagonal < end ? diagonal : end;
    while (s <= limit) {
      const float t = root(s);
      const float up = std::ceil(t);
      const float f = up - t;
      if (f < previous) tc = tc - 1.0f;
      previous = f;
      const float below = tc - 1.0f;
      pair(s, tc, s, below, f);
      s = s + 1.0f;
    }
  }
  {
    float sc = s2, previous = 0.0f, t = t2;
    const float end = t1 - 1.0f;
    const float limit = diagonal < end ? diagonal : end;
    while (t <= limit) {
      const float s = root(t);
      const float up = std::ceil(s);
      const float f = up - s;
      if (f < previous) sc = sc - 1.0f;
      previous = f;
      const float inner = sc - 1.0f;
      pair(sc, t, inner, t, f);
      t = t + 1.0f;
    }
  }
}

void refDrawArc(RefPen& pen, float cx, float cy, float r, float angle1, float angle2,
                bool antialias) {
  if (!pen.draws()) return;
  angle1 = refWrap(angle1);
  angle2 = refWrap(angle2);
  const float q1f = angle1 * kTwoOverPi, q2f = angle2 * kTwoOverPi;
  const int q1 = static_cast<int>(q1f);
  const float q2up = std::ceil(q2f);
  int q2 = static_cast<int>(q2up) - 1;
  const float turn1 = float(q1) * kHalfPi, turn2 = float(q2) * kHalfPi;
  const float a1 = angle1 - turn1, a2 = angle2 - turn2;
  if (q1 > q2) q2 = q2 + 4 * int(unsigned(q1 - q2 - 1) / 4u + 1u);
  if (q1 == q2) {
    refQuadrant(pen, cx, cy, r, q1, a1, a2, antialias);
    return;
  }
  refQuadrant(pen, cx, cy, r, q1, a1, kHalfPi, antialias);
  for (int q = q1 + 1; q < q2; ++q) refQuadrant(pen, cx, cy, r, q, 0.0f, kHalfPi, antialias);
  refQuadrant(pen, cx, cy, r, q2, 0.0f, a2, antialias);
}

std::uint32_t bitsOf(float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, sizeof u);
  return u;
}

// The first pixel where two stored-row images differ, or "" when they are equal.
std::string firstDifference(const ref::Image& got, const ref::Image& want) {
  for (int y = 0; y < want.h; ++y)
    for (int x = 0; x < want.w; ++x)
      if (got.at(x, y) != want.at(x, y)) {
        std::ostringstream out;
        out << "stored pixel " << x << "," << y << " is " << std::hex << got.at(x, y)
            << " instead of " << want.at(x, y);
        return out.str();
      }
  return "";
}

// The blend words the backend passes, a filter bit the primitives ignore, and a dead mode.
constexpr BlendMode kModes[] = {0, BLEND_USE_SOURCE_ALPHA, 1, 0x10001, 2, 0x10002, 0x10100, 3};
constexpr float kAlphas[] = {1.0f, 0.5f, 0.7302f, 0.0f, -0.5f, 1.25f, 0.0039f};

TEST(DrawLine, TruncatesEndPointsAndIncludesBoth) {
  TestBitmap bm(12, 8, false);
  const PixelSet got =
      drawn(bm, [](RasterBitmap* b) { drawLine(b, 2.9f, 3.9f, 7.2f, 3.1f, kInk, 1.0f, 0, false); });
  EXPECT_EQ(got, row(3, 2, 7)) << "(2.9, 3.9)-(7.2, 3.1) must draw (2, 3) to (7, 3)";
  const PixelSet vertical =
      drawn(bm, [](RasterBitmap* b) { drawLine(b, 4, 6, 4, 1, kInk, 1.0f, 0, true); });
  EXPECT_EQ(vertical.size(), 6u) << "a vertical line draws both end points, anti-aliased or not";
}

TEST(DrawLine, GeneralLineDrawsNPlusOnePixelsAndAntialiasedNPairs) {
  TestBitmap bm(20, 20, false);
  const PixelSet plain =
      drawn(bm, [](RasterBitmap* b) { drawLine(b, 1, 2, 11, 6, kInk, 1.0f, 0, false); });
  EXPECT_EQ(plain.size(), 11u) << "a general line along x with dx 10 draws 11 pixels";
  EXPECT_TRUE(plain.count({1, 2}) && plain.count({11, 6})) << "both end points are drawn";
  for (int x = 1; x <= 11; ++x) {
    int inColumn = 0;
    for (const auto& p : plain) inColumn += p.first == x;
    EXPECT_EQ(inColumn, 1) << "one pixel per column of an x-major line, column " << x;
  }

  const PixelSet diagonal =
      drawn(bm, [](RasterBitmap* b) { drawLine(b, 3, 3, 9, 9, kInk, 1.0f, 0, false); });
  PixelSet steps;
  for (int i = 0; i <= 6; ++i) steps.insert({3 + i, 3 + i});
  EXPECT_EQ(diagonal, steps) << "a 45-degree line steps diagonally at every pixel";

  // Anti-aliased: pairs across the minor axis, the far end point not drawn. Weight 0 pixels
  // stay 0 in mix mode, so count pixels touched through add mode with a unit colour instead.
  MemoryBitmap counts(20, 20);
  std::fill(counts.getBits(), counts.getBits() + 400, 0u);
  drawLine(&counts, 1, 2, 11, 6, 0x01010101u, 100.0f, 1, true);
  int touched = 0;
  for (int i = 0; i < 400; ++i) touched += counts.getBits()[i] != 0;
  EXPECT_LE(touched, 20) << "an anti-aliased line of 10 steps blends at most 10 pairs";
  EXPECT_EQ(counts.getBits()[6 * 20 + 11], 0u)
      << "the far end point of an anti-aliased line is not drawn";
  EXPECT_NE(counts.getBits()[2 * 20 + 1], 0u) << "the first pixel gets the full weight";
}

TEST(DrawLine, AntialiasedWeightsFollowTheFraction) {
  // Slope 1/4: pixel pairs get weights (1 - f) * 256 and f * 256 with f = 0, 0.25, 0.5, 0.75.
  TestBitmap bm(8, 3, false);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x) bm.at(x, y) = 0;
  drawLine(&bm, 0, 0, 4, 1, 0xFFFFFFFFu, 1.0f, BLEND_ADD, true);
  const int main[] = {256, 192, 128, 64};
  for (int x = 0; x < 4; ++x) {
    const int w = main[x];
    const Pixel32 want = ref::blendPixel(1, false, 0, kInk, w);
    const Pixel32 below = ref::blendPixel(1, false, 0, kInk, 256 - w);
    EXPECT_EQ(bm.at(x, 0), want) << "main pixel of step " << x;
    EXPECT_EQ(bm.at(x, 1), below) << "neighbour pixel of step " << x;
  }
}

TEST(DrawLine, ClipsToTheBitmapAndNeverWritesOutside) {
  TestBitmap bm(10, 10, true);
  const PixelSet above =
      drawn(bm, [](RasterBitmap* b) { drawLine(b, -5, -3, 20, -1, kInk, 1.0f, 0, true); });
  EXPECT_TRUE(above.empty()) << "a line wholly above the bitmap draws nothing";
  const PixelSet crossing =
      drawn(bm, [](RasterBitmap* b) { drawLine(b, -10, 5, 30, 5, kInk, 1.0f, 0, false); });
  EXPECT_EQ(crossing, row(5, 0, 9)) << "a horizontal line across the bitmap is cut at both borders";

  const float extremes[] = {-1e30f,
                            -1e6f,
                            -7.0f,
                            0.0f,
                            4.5f,
                            9.99f,
                            13.0f,
                            1e9f,
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity()};
  for (float a : extremes)
    for (float b : extremes)
      for (bool aa : {false, true}) {
        drawLine(&bm, a, b, b, 3.0f, kInk, 1.0f, 0, aa);
        drawLine(&bm, 2.0f, a, b, a, kInk, 0.5f, 1, aa);
        drawLine(&bm, a, a, b, -b, kInk, 1.0f, 2, aa);
      }
  EXPECT_TRUE(bm.guardsIntact()) << "a clipped line wrote outside the bitmap";
}

TEST(DrawLine, ClipLineMovesEndPointsOntoTheBorder) {
  int x1 = -10, y1 = 5, x2 = 5, y2 = 5;
  ASSERT_TRUE(clipLine(x1, y1, x2, y2, 10, 10));
  EXPECT_EQ(x1, 0) << "the outside end point moves to the left border";
  EXPECT_EQ(y1, 5);
  int a = 2, b = -3, c = 8, d = -1;
  EXPECT_FALSE(clipLine(a, b, c, d, 10, 10)) << "a segment above the bitmap is rejected";
  int e = 0, f = 0, g = 20, h = 20;
  ASSERT_TRUE(clipLine(e, f, g, h, 10, 10));
  EXPECT_EQ(g, 9) << "the far end of a diagonal moves onto the last column";
  EXPECT_EQ(h, 9) << "the far end of a diagonal moves onto the last row";
}

TEST(DrawLine, ModeDispatchDecidesWhetherAnythingIsDrawn) {
  TestBitmap bm(6, 1, false);
  for (int x = 0; x < 6; ++x) bm.at(x, 0) = 0x80808080u;
  drawLine(&bm, 0, 0, 5, 0, kInk, 0.0f, 0, false);
  drawLine(&bm, 0, 0, 5, 0, kInk, 0.0f, 1, false);
  drawLine(&bm, 0, 0, 5, 0, kInk, -1.0f, 0, false);
  EXPECT_EQ(bm.at(3, 0), 0x80808080u) << "alpha 0 draws nothing, and copy mode ignores negatives";
  drawLine(&bm, 0, 0, 5, 0, 0x40404040u, -0.5f, 1, false);
  EXPECT_EQ(bm.at(3, 0), 0x60606060u) << "add mode at alpha -0.5 darkens by half the colour";
}

TEST(DrawLine, BottomUpBitmapGivesTheSamePicture) {
  TestBitmap top(16, 12, false), bottom(16, 12, true);
  auto draw = [](RasterBitmap* b) {
    drawLine(b, 1, 1, 14, 9, 0xFF804020u, 0.7f, 0, true);
    drawLine(b, 15, 0, 2, 11, 0xFF804020u, 0.7f, 1, false);
    drawArc(b, 8, 6, 5, 1.0f, 4.0f, 0x80FFFFFFu, 1.0f, BLEND_USE_SOURCE_ALPHA, true);
  };
  drawn(top, draw);
  drawn(bottom, draw);
  EXPECT_EQ(ref::read(top).px, ref::read(bottom).px) << "row order must not change what is drawn";
}

TEST(DrawLine, RandomLinesMatchTheFormulasPixelForPixel) {
  std::mt19937 rng(20261209);
  auto uniform = [&rng](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
  };
  int flippedClipped = 0, orderMatters = 0;
  for (int i = 0; i < 3000; ++i) {
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 30);
    const bool flipped = rng() % 2 == 0, antialias = rng() % 2 == 0;
    const BlendMode mode = kModes[rng() % std::size(kModes)];
    const float alpha = kAlphas[rng() % std::size(kAlphas)];
    const Pixel32 colour = rng();
    // End points mostly near the bitmap, a third of them far enough out to be clipped.
    float p[4];
    for (int k = 0; k < 4; ++k) {
      const float extent = static_cast<float>(k % 2 == 0 ? w : h);
      p[k] =
          rng() % 3 == 0 ? uniform(-2.0f * extent, 3.0f * extent) : uniform(-1.0f, extent + 1.0f);
      if (rng() % 4 == 0) p[k] = std::round(p[k]);
    }
    if (rng() % 8 == 0) p[2] = p[0];  // vertical and horizontal runs
    if (rng() % 8 == 0) p[3] = p[1];

    const ref::Image start = ref::randomImage(w, h, rng());
    TestBitmap bm(w, h, flipped);
    loadStoredRows(bm, start);
    drawLine(&bm, p[0], p[1], p[2], p[3], colour, alpha, mode, antialias);
    ref::Image want = start;
    RefPen pen{want, mode, colour, alpha, flipped};
    refDrawLine(pen, p[0], p[1], p[2], p[3], antialias);

    const std::string difference = firstDifference(storedRows(bm), want);
    ASSERT_EQ(difference, "") << "line " << i << " from (" << p[0] << ", " << p[1] << ") to ("
                              << p[2] << ", " << p[3] << ") on a " << w << " x " << h
                              << (flipped ? " bottom-up" : " top-down") << " bitmap, mode "
                              << std::hex << mode << std::dec << ", alpha " << alpha
                              << (antialias ? ", anti-aliased" : "");
    ASSERT_TRUE(bm.guardsIntact()) << "line " << i << " wrote outside the bitmap";

    if (flipped && pen.draws()) {
      int x1 = int(p[0]), y1 = int(p[1]), x2 = int(p[2]), y2 = int(p[3]);
      const int before[4] = {x1, y1, x2, y2};
      if (refClipLine(x1, y1, x2, y2, w, h) &&
          (x1 != before[0] || y1 != before[1] || x2 != before[2] || y2 != before[3])) {
        ++flippedClipped;
        ref::Image other = start;
        RefPen otherPen{other, mode, colour, alpha, flipped};
        refDrawLine(otherPen, p[0], p[1], p[2], p[3], antialias, false);
        orderMatters += other.px != want.px;
      }
    }
  }
  EXPECT_GT(flippedClipped, 100) << "too few clipped lines on bottom-up bitmaps were drawn";
  EXPECT_GT(orderMatters, 10)
      << "too few random lines show whether the rows are turned over before clipping";
}

TEST(WrapAngle, FollowsTheSinglePrecisionLoopBitForBit) {
  std::vector<float> angles = {0.0f,   -0.0f,   kTwoPi, -kTwoPi, 6.2831850f, 6.2831860f,
                               1e-30f, -1e-30f, 31.99f, 32.0f,   -32.0f,     12.566371f};
  std::mt19937 rng(7);
  // Both sides of every binade edge up to 2^27 (from there stepping never ends), a few values
  // inside each binade, and whole multiples of 2 pi, which land near 0 or 2 pi.
  for (int e = -4; e <= 27; ++e) {
    const float edge = std::ldexp(1.0f, e);
    std::vector<float> some = {edge, std::nextafter(edge, 0.0f)};
    if (e < 27) {
      some.push_back(std::nextafter(edge, 2.0f * edge));
      for (int k = 0, inside = e >= 24 ? 1 : 4; k < inside; ++k)
        some.push_back(std::uniform_real_distribution<float>(edge, 2.0f * edge)(rng));
      const float turns = std::floor(2.0f * edge / kTwoPi);
      if (turns > 0) some.push_back(turns * kTwoPi);
    }
    for (float a : some) {
      angles.push_back(a);
      angles.push_back(-a);
    }
  }
  for (int k = 0; k < 200; ++k) {
    const float a = std::ldexp(std::uniform_real_distribution<float>(0.5f, 1.0f)(rng),
                               static_cast<int>(rng() % 14) - 3);
    angles.push_back(rng() % 2 ? a : -a);
  }

  int remainderDiffers = 0;
  for (float a : angles) {
    const float got = wrapAngle(a), want = refLoopWrap(a);
    ASSERT_EQ(bitsOf(got), bitsOf(want))
        << "wrapAngle(" << a << ") is " << got << " but the loop gives " << want;
    ASSERT_TRUE(got >= 0.0f && got <= kTwoPi) << "wrapAngle(" << a << ") is " << got;
    const float remainder = refLoopWrap(std::fmod(a, kTwoPi));
    remainderDiffers += bitsOf(remainder) != bitsOf(want);
  }
  EXPECT_GT(remainderDiffers, 50) << "the angles must include many where the rounding of the "
                                     "steps gives another angle than the remainder";

  // Where stepping would never end: the remainder, wrapped; no hang.
  const float huge[] = {std::nextafter(134217728.0f, 1e9f),
                        -std::nextafter(134217728.0f, 1e9f),
                        1e9f,
                        -3.5e12f,
                        1e30f,
                        -std::numeric_limits<float>::max()};
  for (float a : huge) {
    const float got = wrapAngle(a);
    EXPECT_EQ(bitsOf(got), bitsOf(refWrap(a))) << "wrapAngle(" << a << ") is " << got;
    EXPECT_TRUE(got >= 0.0f && got <= kTwoPi) << "wrapAngle(" << a << ") is " << got;
  }
  EXPECT_EQ(wrapAngle(std::numeric_limits<float>::infinity()), 0.0f);
  EXPECT_EQ(wrapAngle(-std::numeric_limits<float>::infinity()), 0.0f);
  EXPECT_TRUE(std::isnan(wrapAngle(std::numeric_limits<float>::quiet_NaN())))
      << "the loop leaves NaN as it is";
}

TEST(DrawArc, RandomArcsMatchTheFormulasPixelForPixel) {
  std::mt19937 rng(4242);
  auto uniform = [&rng](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
  };
  auto angle = [&]() {
    switch (rng() % 6) {
      case 0:
        return uniform(0.0f, kTwoPi);
      case 1:
        return uniform(-kTwoPi, 0.0f);
      case 2:
        return uniform(-40.0f, 40.0f);
      case 3:  // far from 0, where the steps round: up to 2^17 either way
        return std::ldexp(uniform(-1.0f, 1.0f), static_cast<int>(rng() % 18));
      case 4:  // quadrant edges
        return static_cast<float>(static_cast<int>(rng() % 9) - 4) * kHalfPi;
      default:  // beyond 2^27 now and then, where the remainder stands in
        return rng() % 8 == 0 ? uniform(-1e9f, 1e9f) : uniform(-2.0f * kTwoPi, 3.0f * kTwoPi);
    }
  };
  int drawnArcs = 0;
  for (int i = 0; i < 2500; ++i) {
    const int w = 1 + static_cast<int>(rng() % 48), h = 1 + static_cast<int>(rng() % 40);
    const bool flipped = rng() % 2 == 0, antialias = rng() % 2 == 0;
    const BlendMode mode = kModes[rng() % std::size(kModes)];
    const float alpha = kAlphas[rng() % std::size(kAlphas)];
    const Pixel32 colour = rng();
    // Centres mostly on the bitmap, some off it; radii up to beyond the bitmap.
    const float cx = uniform(-8.0f, w + 8.0f), cy = uniform(-8.0f, h + 8.0f);
    const float size = static_cast<float>(std::max(w, h));
    const float r = rng() % 5 == 0 ? std::round(uniform(0.0f, size)) : uniform(0.3f, 1.3f * size);
    const float a1 = angle(), a2 = rng() % 10 == 0 ? a1 : angle();

    const ref::Image start = ref::randomImage(w, h, rng());
    TestBitmap bm(w, h, flipped);
    loadStoredRows(bm, start);
    drawArc(&bm, cx, cy, r, a1, a2, colour, alpha, mode, antialias);
    ref::Image want = start;
    RefPen pen{want, mode, colour, alpha, flipped};
    refDrawArc(pen, cx, cy, r, a1, a2, antialias);

    const std::string difference = firstDifference(storedRows(bm), want);
    ASSERT_EQ(difference, "") << "arc " << i << " about (" << cx << ", " << cy << "), radius " << r
                              << ", from " << a1 << " to " << a2 << " on a " << w << " x " << h
                              << (flipped ? " bottom-up" : " top-down") << " bitmap, mode "
                              << std::hex << mode << std::dec << ", alpha " << alpha
                              << (antialias ? ", anti-aliased" : "");
    ASSERT_TRUE(bm.guardsIntact()) << "arc " << i << " wrote outside the bitmap";
    drawnArcs += want.px != start.px;
  }
  // Many draw nothing: off the bitmap, too short for a step of the walk, or alpha rejected.
  EXPECT_GT(drawnArcs, 350) << "too few of the random arcs touched a pixel";
}

TEST(DrawArc, QuarterFromZeroToHalfPiIsTheUpperRight) {
  TestBitmap bm(40, 40, false);
  const PixelSet quarter = drawn(
      bm, [](RasterBitmap* b) { drawArc(b, 20, 20, 10, 0.0f, 1.5707964f, kInk, 1.0f, 0, false); });
  ASSERT_FALSE(quarter.empty());
  EXPECT_TRUE(quarter.count({20, 10})) << "the quarter starts at the top point";
  EXPECT_TRUE(quarter.count({30, 20})) << "the quarter ends at the right point";
  for (const auto& p : quarter)
    EXPECT_TRUE(p.first >= 20 && p.second <= 20)
        << "(" << p.first << ", " << p.second << ") is outside the upper-right quarter";
}

TEST(DrawArc, EndBeforeStartGoesOnThroughZero) {
  TestBitmap bm(40, 40, false);
  const PixelSet half = drawn(bm, [](RasterBitmap* b) {
    drawArc(b, 20, 20, 10, 4.712389f, 1.5707964f, kInk, 1.0f, 0, false);
  });
  EXPECT_TRUE(half.count({20, 10}) && half.count({10, 20}) && half.count({30, 20}))
      << "3pi/2 to pi/2 runs through the top from the left point to the right point";
  for (const auto& p : half)
    EXPECT_LE(p.second, 20) << "(" << p.first << ", " << p.second << ") is below the centre";

  const PixelSet wrapped = drawn(bm, [](RasterBitmap* b) {
    drawArc(b, 20, 20, 10, -1.5707964f, 1.5707964f, kInk, 1.0f, 0, false);
  });
  EXPECT_EQ(wrapped, half) << "-pi/2 must act as 3pi/2";

  const PixelSet full =
      drawn(bm, [](RasterBitmap* b) { drawArc(b, 20, 20, 10, 0.0f, 0.0f, kInk, 1.0f, 0, false); });
  const PixelSet circle =
      drawn(bm, [](RasterBitmap* b) { drawCircle(b, 20, 20, 10, kInk, 1.0f, 0, false); });
  EXPECT_EQ(full, circle) << "equal angles draw the whole circle";
  const PixelSet huge = drawn(bm, [](RasterBitmap* b) {
    drawArc(b, 20, 20, 10, 1e30f, std::numeric_limits<float>::quiet_NaN(), kInk, 1.0f, 0, false);
  });
  EXPECT_FALSE(huge.empty()) << "absurd angles must still end (they wrap into 0..2pi)";
}

TEST(DrawCircle, TouchesItsFourExtremesAndStaysOnTheRing) {
  TestBitmap bm(100, 100, false);
  for (bool aa : {false, true}) {
    const PixelSet circle =
        drawn(bm, [aa](RasterBitmap* b) { drawCircle(b, 50, 50, 10, kInk, 1.0f, 0, aa); });
    EXPECT_TRUE(circle.count({50, 40})) << "the circle touches its top point";
    EXPECT_TRUE(circle.count({60, 50})) << "the circle touches its right point";
    for (const auto& p : circle) {
      const double r = std::hypot(p.first - 50.0, p.second - 50.0);
      EXPECT_NEAR(r, 10.0, 1.5) << "(" << p.first << ", " << p.second << ") is off the ring";
    }
    EXPECT_GT(circle.size(), 50u) << "a circle of radius 10 covers its circumference";
  }
}

TEST(DrawCircle, PartlyVisibleCircleDrawsOnlyInsideTheBitmap) {
  TestBitmap small(20, 20, true);
  for (bool aa : {false, true})
    for (float cx : {-5.0f, 3.0f, 18.0f, 30.0f}) {
      const PixelSet visible = drawn(small, [&](RasterBitmap* b) {
        drawCircle(b, cx, 5.0f, 12.0f, kInk, 1.0f, 1, aa);
        drawArc(b, cx, 15.0f, 9.0f, 5.0f, 2.0f, kInk, 1.0f, 2, aa);
        drawCircle(b, cx, cx, 1e6f, kInk, 1.0f, 0, aa);
      });
      EXPECT_TRUE(small.guardsIntact()) << "a circle about (" << cx << ", 5) wrote outside";
      for (const auto& p : visible) {
        const double r1 = std::hypot(p.first - cx, p.second - 5.0);
        const double r2 = std::hypot(p.first - cx, p.second - 15.0);
        const double r3 = std::hypot(p.first - cx, p.second - cx);
        EXPECT_TRUE(std::fabs(r1 - 12) < 2 || std::fabs(r2 - 9) < 2 || std::fabs(r3 - 1e6) < 2)
            << "(" << p.first << ", " << p.second << ") lies on none of the drawn rings";
      }
    }
}

}  // namespace
