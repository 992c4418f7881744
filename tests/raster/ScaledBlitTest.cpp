#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "raster/Blit.h"
#include "raster/ScaledBlit.h"
#include "tests/raster/ScalarReference.h"

namespace {

const BlendMode kModes[] = {0, BLEND_USE_SOURCE_ALPHA,    1, BLEND_USE_SOURCE_ALPHA | 1,
                            2, BLEND_USE_SOURCE_ALPHA | 2};

ref::Image reversedColumns(const ref::Image& img) {
  ref::Image out = img;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) out.at(x, y) = img.at(img.w - 1 - x, y);
  return out;
}

TEST(ScaledBlit, NearestDoubleSizeRepeatsEachSourcePixelInEveryMode) {
  const ref::Image src = ref::randomImage(5, 4, 21), dst = ref::randomImage(12, 9, 22);
  for (int flips = 0; flips < 4; ++flips)
    for (BlendMode mode : kModes)
      for (float alpha : {1.0f, 0.5f, -0.75f}) {
        TestBitmap d(dst.w, dst.h, flips & 1), s(src.w, src.h, flips & 2);
        ref::load(d, dst);
        ref::load(s, src);
        scaledBlit(&d, &s, 1, 0, 10, 8, 0, 0, 5, 4, alpha, mode);
        ref::Image want = dst;
        if (ref::draws(mode & 0xFF, alpha)) {
          for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x)
              want.at(x + 1, y) = ref::blendPixel(mode & 0xFF, (mode & BLEND_USE_SOURCE_ALPHA) != 0,
                                                  dst.at(x + 1, y), src.at(x / 2, y / 2),
                                                  static_cast<int>(alpha * 256));
        }
        ASSERT_EQ(ref::read(d).px, want.px)
            << "2x nearest scaledBlit, mode 0x" << std::hex << mode << std::dec << " alpha "
            << alpha << (flips & 1 ? ", bottom-up destination" : "")
            << (flips & 2 ? ", bottom-up source" : "");
        ASSERT_TRUE(d.guardsIntact()) << "scaledBlit wrote outside the destination";
      }
}

TEST(ScaledBlit, EqualSizesBecomeABlitAtTheTruncatedPosition) {
  const ref::Image src = ref::randomImage(8, 8, 23), dst = ref::randomImage(8, 8, 24);
  for (BlendMode mode : {0, BLEND_USE_SOURCE_ALPHA | 1, 0xF3, BLEND_FILTER_BILINEAR}) {
    TestBitmap a(8, 8, false), b(8, 8, false), s(8, 8, false);
    ref::load(a, dst);
    ref::load(b, dst);
    ref::load(s, src);
    scaledBlit(&a, &s, 1, 2, 5, 4, 2.02f, 1.01f, 5.0005f, 4.0f, 0.5f, mode);
    blitRect(&b, &s, 1, 2, 2, 1, 5, 4, 0.5f, mode);
    EXPECT_EQ(ref::read(a).px, ref::read(b).px)
        << "equal sizes must become blit of (2, 1, 7, 5), mode 0x" << std::hex << mode;
  }
}

TEST(ScaledBlit, BilinearAtHalfPixelRunsTheFilteredPath) {
  const ref::Image src = ref::randomImage(8, 1, 25);
  TestBitmap d(4, 1, false), s(8, 1, false);
  ref::load(s, src);
  for (int x = 0; x < 4; ++x) d.at(x, 0) = 0;
  scaledBlit(&d, &s, 0, 0, 4, 1, 3.5f, 0.0f, 4.0f, 1.0f, 1.0f, BLEND_FILTER_BILINEAR);
  for (int x = 0; x < 4; ++x) {
    int want[4];
    if (3 + x < 7) {
      ref::lerp(src.at(3 + x, 0), src.at(4 + x, 0), 0x8000, want);
    } else {
      for (int i = 0; i < 4; ++i) want[i] = ref::ch(src.at(7, 0), i);  // last column of the window
    }
    const Pixel32 expected = ref::blendPixel(0, false, 0, want, 256);
    EXPECT_EQ(d.at(x, 0), expected) << "bilinear sample at source x " << 3.5 + x;
  }
}

TEST(ScaledBlit, BilinearInterpolatesOnlyInsideTheWindow) {
  const ref::Image src = ref::randomImage(3, 3, 26);
  TestBitmap d(6, 6, true), s(3, 3, false);
  ref::load(s, src);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) d.at(x, y) = 0;
  scaledBlit(&d, &s, 0, 0, 6, 6, 0.0f, 0.0f, 3.0f, 3.0f, 1.0f, BLEND_FILTER_BILINEAR);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      int want[4];
      ref::bilinear(src, 0, 0, 3, 3, x / 2, y / 2, (x % 2) * 0x8000, (y % 2) * 0x8000, want);
      ASSERT_EQ(d.at(x, y), ref::blendPixel(0, false, 0, want, 256))
          << "2x bilinear at destination (" << x << ", " << y
          << "): the last row and column interpolate in one direction only";
    }
  EXPECT_TRUE(d.guardsIntact());
}

TEST(ScaledBlit, NegativeWidthOrHeightMirrorsTheImage) {
  const ref::Image src = ref::randomImage(10, 6, 27);
  struct Case {
    BlendMode mode;
    float srcx;
    int dstw;
  };
  for (const Case& c : {Case{0, 0.0f, 10}, Case{0, 0.0f, 20}, Case{BLEND_FILTER_BILINEAR, 0.5f, 10},
                        Case{BLEND_FILTER_BILINEAR, 0.0f, 20}}) {
    TestBitmap plain(c.dstw, 6, false), mirrored(c.dstw, 6, false), s(10, 6, false);
    ref::load(s, src);
    for (TestBitmap* bm : {&plain, &mirrored})
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < c.dstw; ++x) bm->at(x, y) = 0xDEADBEEFu;
    scaledBlit(&plain, &s, 0, 0, c.dstw, 6, c.srcx, 0.0f, 10.0f, 6.0f, 1.0f, c.mode);
    scaledBlit(&mirrored, &s, c.dstw, 0, -c.dstw, 6, c.srcx, 0.0f, 10.0f, 6.0f, 1.0f, c.mode);
    EXPECT_EQ(ref::read(mirrored).px, reversedColumns(ref::read(plain)).px)
        << "a negative width must give the mirror image, width " << c.dstw << ", source x "
        << c.srcx << (c.mode ? ", bilinear" : ", nearest");
    EXPECT_EQ(std::count(mirrored.getBits(), mirrored.getBits() + c.dstw, 0xDEADBEEFu), 0)
        << "the mirrored blit must cover every destination column";
  }
  // Vertically: a negative height flips the rows (half-pixel rows keep both on the filter path).
  TestBitmap plain(10, 6, false), flipped(10, 6, false), s(10, 6, false);
  ref::load(s, src);
  scaledBlit(&plain, &s, 0, 0, 10, 6, 0.0f, 0.5f, 10.0f, 6.0f, 1.0f, BLEND_FILTER_BILINEAR);
  scaledBlit(&flipped, &s, 0, 6, 10, -6, 0.0f, 0.5f, 10.0f, 6.0f, 1.0f, BLEND_FILTER_BILINEAR);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(flipped.at(x, y), plain.at(x, 5 - y)) << "a negative height must flip the rows";
}

TEST(ScaledBlit, RowOrderDoesNotChangeTheLogicalResult) {
  std::mt19937 rng(28);
  std::uniform_real_distribution<float> pos(-6.0f, 12.0f), size(-14.0f, 14.0f);
  const ref::Image src = ref::randomImage(9, 7, 29), dst = ref::randomImage(10, 8, 30);
  for (int trial = 0; trial < 400; ++trial) {
    const int dx = static_cast<int>(pos(rng)), dy = static_cast<int>(pos(rng));
    const int dw = static_cast<int>(size(rng)), dh = static_cast<int>(size(rng));
    const float sx = pos(rng), sy = pos(rng), sw = size(rng), sh = size(rng);
    const BlendMode mode = kModes[trial % 6] | (trial % 2 ? BLEND_FILTER_BILINEAR : 0);
    ref::Image results[4];
    for (int flips = 0; flips < 4; ++flips) {
      TestBitmap d(dst.w, dst.h, flips & 1), s(src.w, src.h, flips & 2);
      ref::load(d, dst);
      ref::load(s, src);
      scaledBlit(&d, &s, dx, dy, dw, dh, sx, sy, sw, sh, 0.8f, mode);
      ASSERT_TRUE(d.guardsIntact()) << "scaledBlit wrote outside the destination, trial " << trial;
      results[flips] = ref::read(d);
    }
    for (int flips = 1; flips < 4; ++flips)
      ASSERT_EQ(results[flips].px, results[0].px)
          << "bottom-up bitmaps must give the same picture, trial " << trial;
  }
}

TEST(ScaledBlit, AbsurdArgumentsNeitherCrashNorWriteOutside) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float values[] = {nan, inf, -inf, 1e30f, -1e30f, 0.0f, 3.0f};
  const int ints[] = {std::numeric_limits<int>::min(), -3, 1, 5, std::numeric_limits<int>::max()};
  TestBitmap d(5, 5, true), s(4, 4, false);
  for (float v : values)
    for (int i : ints) {
      scaledBlit(&d, &s, i, 0, i, 3, v, 0.0f, 2.0f, v, v, BLEND_FILTER_BILINEAR);
      scaledBlit(&d, &s, 0, i, 3, i, 1.0f, v, v, 2.0f, 1.0f, 1);
      rotatedBlit(&d, &s, i, 0, i, 3, v, 0.0f, 2.0f, v, v, true, 1.0f, BLEND_FILTER_BILINEAR, v, 0);
      rotatedBlit(&d, &s, 0, i, 3, i, 1.0f, v, v, 2.0f, 1.0f, false, v, 1, 0, v);
    }
  EXPECT_TRUE(d.guardsIntact()) << "extreme arguments made a blit write outside the bitmap";
}

TEST(RotatedBlit, AngleZeroMapsEachPixelToTheShiftedSourcePixel) {
  const ref::Image src = ref::randomImage(9, 8, 31), dst = ref::randomImage(7, 6, 32);
  for (BlendMode mode : kModes) {
    TestBitmap a(7, 6, false), b(7, 6, true), s(9, 8, true);
    ref::load(a, dst);
    ref::load(b, dst);
    ref::load(s, src);
    rotatedBlit(&a, &s, 1, 1, 5, 4, 2.0f, 3.0f, 5.0f, 4.0f, 0.0f, true, 0.5f, mode, 0.0f, 0.0f);
    blitRect(&b, &s, 1, 1, 2, 3, 5, 4, 0.5f, mode);
    EXPECT_EQ(ref::read(a).px, ref::read(b).px)
        << "rotation by 0 must map destination (i, j) to source (2 + i, 3 + j), mode 0x" << std::hex
        << mode;
  }
}

TEST(RotatedBlit, AngleZeroScalingMatchesScaledBlit) {
  const ref::Image src = ref::randomImage(6, 5, 33);
  for (BlendMode mode : {0, BLEND_FILTER_BILINEAR | BLEND_USE_SOURCE_ALPHA}) {
    TestBitmap a(12, 10, false), b(12, 10, false), s(6, 5, false);
    ref::load(s, src);
    rotatedBlit(&a, &s, 0, 0, 12, 10, 0.0f, 0.0f, 6.0f, 5.0f, 0.0f, false, 1.0f, mode, 0, 0);
    scaledBlit(&b, &s, 0, 0, 12, 10, 0.0f, 0.0f, 6.0f, 5.0f, 1.0f, mode);
    EXPECT_EQ(ref::read(a).px, ref::read(b).px)
        << "unrotated 2x scaling must equal scaledBlit, mode 0x" << std::hex << mode;
  }
}

TEST(RotatedBlit, ClipToSourceSamplesOnlyTheSourceRectangle) {
  const ref::Image src = ref::randomImage(8, 8, 34);
  TestBitmap d(8, 8, false), s(8, 8, false);
  ref::load(s, src);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) d.at(x, y) = 0;
  // Rotated by 45 degrees the corners of the destination reach outside the 4x4 rectangle.
  rotatedBlit(&d, &s, 0, 0, 8, 8, 2.0f, 2.0f, 4.0f, 4.0f, 0.785398f, true, 1.0f, 0, 0, 0);
  int written = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      if (d.at(x, y) == 0) continue;
      ++written;
      bool fromRect = false;
      for (int sy = 2; sy < 6; ++sy)
        for (int sx = 2; sx < 6; ++sx) fromRect |= d.at(x, y) == src.at(sx, sy);
      ASSERT_TRUE(fromRect) << "pixel (" << x << ", " << y << ") came from outside the rectangle";
    }
  EXPECT_GT(written, 8) << "the rotated rectangle must be drawn";
  EXPECT_LT(written, 64) << "the destination corners lie outside the rotated source rectangle";
}

}  // namespace
