#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <sstream>

#include "raster/BlendOps.h"
#include "raster/Blit.h"
#include "raster/MemoryBitmap.h"
#include "tests/raster/ScalarReference.h"

namespace {

const BlendMode kModes[] = {0,
                            BLEND_USE_SOURCE_ALPHA,
                            1,
                            BLEND_USE_SOURCE_ALPHA | 1,
                            2,
                            BLEND_USE_SOURCE_ALPHA | 2,
                            0xF3,
                            0xF4 | BLEND_USE_SOURCE_ALPHA,
                            0xFE,
                            0x05,
                            BLEND_FILTER_BILINEAR};
const float kAlphas[] = {1.0f, 0.5f, 0.25f, -1.0f, -0.5f, 0.0f, 1.7f};

// Reference blit: destination pixel (X, Y) takes source pixel (X - dstx + left, Y - dsty + top)
// of the rectangle cut to the source.
ref::Image referenceBlit(ref::Image d, const ref::Image& s, int dstx, int dsty, const BlitRect* r,
                         float alpha, BlendMode mode) {
  const int left = r ? std::max(r->left, 0) : 0, top = r ? std::max(r->top, 0) : 0;
  const int right = r ? std::min(r->right, s.w) : s.w, bottom = r ? std::min(r->bottom, s.h) : s.h;
  const int modeByte = mode & 0xFF;
  const bool withAlpha = (mode & BLEND_USE_SOURCE_ALPHA) != 0;
  for (int y = 0; y < d.h; ++y)
    for (int x = 0; x < d.w; ++x) {
      const int sx = x - dstx + left, sy = y - dsty + top;
      if (sx < left || sx >= right || sy < top || sy >= bottom) continue;
      const Pixel32 sp = s.at(sx, sy);
      Pixel32& dp = d.at(x, y);
      if (modeByte >= 0xF0) {
        const int dstByte = (modeByte >> 2) & 3, srcByte = modeByte & 3;
        dp = (dp & ~(0xFFu << (8 * dstByte))) |
             (static_cast<Pixel32>(ref::ch(sp, srcByte)) << (8 * dstByte));
      } else if (ref::draws(modeByte, alpha)) {
        dp = ref::blendPixel(modeByte, withAlpha, dp, sp, static_cast<int>(alpha * 256));
      }
    }
  return d;
}

std::string describe(BlendMode mode, float alpha, int x, int y, const BlitRect* r, bool dFlip,
                     bool sFlip) {
  std::ostringstream o;
  o << "mode 0x" << std::hex << mode << std::dec << ", alpha " << alpha << ", at (" << x << ", "
    << y << "), rect ";
  if (r) {
    o << "(" << r->left << ", " << r->top << ", " << r->right << ", " << r->bottom << ")";
  } else {
    o << "whole";
  }
  o << (dFlip ? ", bottom-up destination" : "") << (sFlip ? ", bottom-up source" : "");
  return o.str();
}

TEST(Blit, EveryModeAndClipMatchesScalarReferenceInBothRowOrders) {
  const ref::Image src = ref::randomImage(9, 7, 1);
  const ref::Image dst = ref::randomImage(11, 8, 2);
  const BlitRect rects[] = {{-2, 1, 7, 20}, {3, 2, 5, 4}, {8, 6, 100, 100}, {4, 4, 2, 2}};
  const int positions[][2] = {{2, 1}, {-3, -2}, {6, 5}, {-20, 0}, {11, 0}, {0, 0}};
  for (int flips = 0; flips < 4; ++flips)
    for (BlendMode mode : kModes)
      for (float alpha : kAlphas)
        for (const auto& pos : positions)
          for (int ri = -1; ri < 4; ++ri) {
            const BlitRect* r = ri < 0 ? nullptr : &rects[ri];
            TestBitmap d(dst.w, dst.h, flips & 1), s(src.w, src.h, flips & 2);
            ref::load(d, dst);
            ref::load(s, src);
            blit(&d, &s, pos[0], pos[1], r, alpha, mode);
            const ref::Image want = referenceBlit(dst, src, pos[0], pos[1], r, alpha, mode);
            ASSERT_EQ(ref::read(d).px, want.px)
                << "blit differs from the scalar reference: "
                << describe(mode, alpha, pos[0], pos[1], r, flips & 1, flips & 2);
            ASSERT_TRUE(d.guardsIntact())
                << "blit wrote outside the destination: "
                << describe(mode, alpha, pos[0], pos[1], r, flips & 1, flips & 2);
          }
}

TEST(Blit, RawCopyCopiesEveryByteIncludingAlpha) {
  const ref::Image src = ref::randomImage(6, 5, 3);
  MemoryBitmap s(6, 5), d(6, 5);
  std::copy(src.px.begin(), src.px.end(), s.getBits());
  std::fill(d.getBits(), d.getBits() + 30, 0x11223344u);
  blit(&d, &s, 0, 0, nullptr, 1.0f, 0);
  EXPECT_TRUE(std::equal(src.px.begin(), src.px.end(), d.getBits()))
      << "mode 0 at alpha 1.0 must copy the source bytes exactly";
}

TEST(Blit, ChannelCopyF3WritesOnlyBlueFromSourceAlpha) {
  MemoryBitmap s(1, 1), d(1, 1);
  s.getBits()[0] = 0xA1B2C3D4u;
  d.getBits()[0] = 0x11223344u;
  blit(&d, &s, 0, 0, nullptr, 0.0f, 0xF3);
  EXPECT_EQ(d.getBits()[0], 0x112233A1u)
      << "0xF3 copies source byte 3 (alpha) into destination byte 0 (blue), whatever the alpha";
}

TEST(Blit, NullBitmapsAndPixelsDrawNothing) {
  MemoryBitmap empty(0, 5), d(2, 2);
  d.getBits()[0] = d.getBits()[1] = d.getBits()[2] = d.getBits()[3] = 7;
  blit(&d, &empty, 0, 0, nullptr, 1.0f, 0);
  blit(&d, nullptr, 0, 0, nullptr, 1.0f, 0);
  blit(nullptr, &d, 0, 0, nullptr, 1.0f, 0);
  blit(&empty, &d, 0, 0, nullptr, 1.0f, 0);
  EXPECT_EQ(d.getBits()[3], 7u) << "a blit from a bitmap without pixels must not touch the target";
}

TEST(Blit, ExtremePositionsAndRectanglesClipWithoutOverflow) {
  TestBitmap d(4, 4, false), s(4, 4, true);
  const int extremes[] = {std::numeric_limits<int>::min(), -5, 2, std::numeric_limits<int>::max()};
  for (int a : extremes)
    for (int b : extremes) {
      const BlitRect r{a, b, b, a};
      blit(&d, &s, a, b, &r, 0.5f, 1);
      blitRect(&d, &s, b, a, a, b, b, a, 1.0f, 0);
    }
  EXPECT_TRUE(d.guardsIntact()) << "clipping extreme coordinates wrote outside the bitmap";
}

TEST(Blit, BlitRectIsBlitOfTheSpannedRectangle) {
  const ref::Image src = ref::randomImage(8, 8, 5), dst = ref::randomImage(8, 8, 6);
  TestBitmap a(8, 8, false), b(8, 8, false), s(8, 8, true);
  ref::load(a, dst);
  ref::load(b, dst);
  ref::load(s, src);
  blitRect(&a, &s, 1, 2, 3, 1, 4, 5, 0.75f, BLEND_USE_SOURCE_ALPHA);
  const BlitRect r{3, 1, 7, 6};
  blit(&b, &s, 1, 2, &r, 0.75f, BLEND_USE_SOURCE_ALPHA);
  EXPECT_EQ(ref::read(a).px, ref::read(b).px)
      << "blitRect(x, y, w, h) must equal blit of (x, y, x+w, y+h)";
}

TEST(Blit, CopyBitmapResizesAndCopies) {
  MemoryBitmap s(3, 2), d(7, 7);
  for (int i = 0; i < 6; ++i) s.getBits()[i] = 0x01010101u * static_cast<Pixel32>(i + 1);
  copyBitmap(&d, &s);
  ASSERT_EQ(d.getWidth(), 3);
  ASSERT_EQ(d.getHeight(), 2);
  EXPECT_TRUE(std::equal(s.getBits(), s.getBits() + 6, d.getBits()))
      << "copyBitmap must leave an exact copy of the source";
  copyBitmap(&d, &d);
  EXPECT_TRUE(std::equal(s.getBits(), s.getBits() + 6, d.getBits()))
      << "copying a bitmap onto itself must keep it";
}

TEST(PixelAccess, GetAndPutHonourBoundsAndRowOrder) {
  for (bool flipped : {false, true}) {
    TestBitmap bm(4, 3, flipped);
    const ref::Image img = ref::randomImage(4, 3, 7);
    ref::load(bm, img);
    EXPECT_EQ(getPixel(&bm, 1, 2), img.at(1, 2)) << "getPixel reads logical row 2";
    EXPECT_EQ(getPixel(&bm, -1, 0), 0u) << "outside the bitmap getPixel answers 0";
    EXPECT_EQ(getPixel(&bm, 4, 0), 0u) << "outside the bitmap getPixel answers 0";
    EXPECT_EQ(getPixel(&bm, 0, 3), 0u) << "outside the bitmap getPixel answers 0";
    EXPECT_EQ(getPixel(nullptr, 0, 0), 0u);

    for (BlendMode mode : kModes)
      for (float alpha : kAlphas) {
        ref::load(bm, img);
        putPixel(&bm, 2, 0, 0x80FF4010u, alpha, mode);
        putPixel(&bm, -1, 0, 0x80FF4010u, alpha, mode);
        putPixel(&bm, 0, 3, 0x80FF4010u, alpha, mode);
        ref::Image want = img;
        const int modeByte = mode & 0xFF;
        if (ref::draws(modeByte, alpha)) {
          want.at(2, 0) = ref::blendPixel(modeByte, (mode & BLEND_USE_SOURCE_ALPHA) != 0,
                                          img.at(2, 0), 0x80FF4010u, static_cast<int>(alpha * 256));
        }
        ASSERT_EQ(ref::read(bm).px, want.px)
            << "putPixel, mode 0x" << std::hex << mode << std::dec << ", alpha " << alpha
            << (flipped ? ", bottom-up" : "");
        ASSERT_TRUE(bm.guardsIntact()) << "putPixel outside the bitmap wrote a pixel";
      }
  }
}

// Reference fill: the plain operators with the weight itself as the source alpha.
ref::Image referenceFill(ref::Image d, int x, int y, int w, int h, Pixel32 colour, float alpha,
                         BlendMode mode) {
  if (mode & BLEND_USE_SOURCE_ALPHA) {
    const float scaled = static_cast<float>(colour >> 24) * alpha;
    alpha = scaled * (1.0f / 255.0f);
  }
  const int weight = static_cast<int>(alpha * 256);
  const int s[4] = {ref::ch(colour, 0), ref::ch(colour, 1), ref::ch(colour, 2), weight};
  const int modeByte = mode & 0xFF;
  if (modeByte > 2) return d;
  for (int j = 0; j < d.h; ++j)
    for (int i = 0; i < d.w; ++i)
      if (i >= x && i < x + w && j >= y && j < y + h) {
        d.at(i, j) = ref::blendPixel(modeByte, false, d.at(i, j), s, weight);
      }
  return d;
}

TEST(FillRect, MatchesScalarReferenceWithClippingInBothRowOrders) {
  const ref::Image img = ref::randomImage(7, 6, 9);
  const int rects[][4] = {{1, 1, 3, 2}, {-2, -1, 4, 4}, {5, 4, 10, 10}, {0, 0, 7, 6}, {3, 3, 0, 2}};
  const float alphas[] = {1.0f, 0.5f, -0.5f, 0.0f, 2.5f, 100.0f};
  for (bool flipped : {false, true})
    for (BlendMode mode : kModes)
      for (float alpha : alphas)
        for (const auto& r : rects)
          for (Pixel32 colour : {0x80FF4010u, 0x00FFFFFFu, 0xFF000000u}) {
            TestBitmap bm(img.w, img.h, flipped);
            ref::load(bm, img);
            fillRect(&bm, r[0], r[1], r[2], r[3], colour, alpha, mode);
            ASSERT_EQ(ref::read(bm).px,
                      referenceFill(img, r[0], r[1], r[2], r[3], colour, alpha, mode).px)
                << "fillRect (" << r[0] << ", " << r[1] << ", " << r[2] << ", " << r[3]
                << ") colour 0x" << std::hex << colour << " mode 0x" << mode << std::dec
                << " alpha " << alpha << (flipped ? ", bottom-up" : "");
            ASSERT_TRUE(bm.guardsIntact()) << "fillRect wrote outside the bitmap";
          }
}

TEST(FillRect, OpaqueCopySetsColourAndFullAlpha) {
  MemoryBitmap bm(2, 2);
  std::fill(bm.getBits(), bm.getBits() + 4, 0x00000000u);
  fillRect(&bm, 0, 0, 2, 2, 0x00123456u, 1.0f, 0);
  EXPECT_EQ(bm.getBits()[3], 0xFF123456u)
      << "mode 0 at alpha 1.0 sets the colour and moves alpha to the weight, capped at 255";
}

TEST(FillRect, SourceAlphaOfZeroLeavesPixels) {
  MemoryBitmap bm(2, 1);
  bm.getBits()[0] = 0x12345678u;
  bm.getBits()[1] = 0x9ABCDEF0u;
  fillRect(&bm, 0, 0, 2, 1, 0x00FFFFFFu, 1.0f, BLEND_USE_SOURCE_ALPHA);
  EXPECT_EQ(bm.getBits()[0], 0x12345678u) << "colour alpha 0 makes the weight 0";
  EXPECT_EQ(bm.getBits()[1], 0x9ABCDEF0u) << "colour alpha 0 makes the weight 0";
}

TEST(MaskRect, AndsAndOrsTheClippedRectangleOnly) {
  for (bool flipped : {false, true}) {
    TestBitmap bm(5, 4, flipped);
    const ref::Image img = ref::randomImage(5, 4, 11);
    ref::load(bm, img);
    maskRect(&bm, -1, 2, 3, 9, 0x00FFFFFFu, 0x01000000u);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool inside = x < 2 && y >= 2;
        const Pixel32 want = inside ? (img.at(x, y) & 0x00FFFFFFu) | 0x01000000u : img.at(x, y);
        ASSERT_EQ(bm.at(x, y), want)
            << "maskRect at (" << x << ", " << y << ")" << (flipped ? ", bottom-up" : "");
      }
    EXPECT_TRUE(bm.guardsIntact()) << "maskRect wrote outside the bitmap";
  }
}

}  // namespace
