#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

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
