#include <gtest/gtest.h>
#include <windows.h>

#include "raster/Blit.h"
#include "raster/DibBitmap.h"

namespace {

HDC dcOf(DibBitmap& bm) {
  return static_cast<HDC>(bm.getDC());
}

TEST(DibBitmap, PixelsWrittenByRasterOperationsAreSeenByGdi) {
  DibBitmap bm(5, 4);
  ASSERT_NE(bm.getBits(), nullptr) << "a DIB section must be created";
  ASSERT_NE(bm.getDC(), nullptr);
  EXPECT_EQ(bm.getRowStride(), 5);
  EXPECT_FALSE(bm.isBottomUp());

  fillRect(&bm, 0, 0, 5, 4, 0xFF000000u, 1.0f, 0);
  putPixel(&bm, 0, 0, 0xFF112233u, 1.0f, 0);
  putPixel(&bm, 4, 3, 0xFF445566u, 1.0f, 0);
  GdiFlush();
  EXPECT_EQ(bm.getBits()[0], 0xFF112233u) << "pixel (0, 0) is the first pixel in memory";
  EXPECT_EQ(GetPixel(dcOf(bm), 0, 0), RGB(0x11, 0x22, 0x33)) << "top-left pixel through GDI";
  EXPECT_EQ(GetPixel(dcOf(bm), 4, 3), RGB(0x44, 0x55, 0x66)) << "bottom-right pixel through GDI";
}

TEST(DibBitmap, ResizeReplacesTheSectionAndZeroWidthKeepsIt) {
  DibBitmap bm(5, 4);
  EXPECT_FALSE(bm.resize(5, 4)) << "resizing to the current size changes nothing";
  EXPECT_TRUE(bm.resize(7, 2));
  ASSERT_NE(bm.getBits(), nullptr);
  fillRect(&bm, 0, 0, 7, 2, 0xFF0A0B0Cu, 1.0f, 0);
  GdiFlush();
  EXPECT_EQ(GetPixel(dcOf(bm), 6, 1), RGB(0x0A, 0x0B, 0x0C)) << "the new section is selected";

  Pixel32* kept = bm.getBits();
  EXPECT_FALSE(bm.resize(0, 2)) << "a zero width is recorded but keeps the section";
  EXPECT_EQ(bm.getWidth(), 0);
  EXPECT_EQ(bm.getBits(), kept);
  fillRect(&bm, 0, 0, 7, 2, 0xFFFFFFFFu, 1.0f, 0);
  EXPECT_EQ(kept[0], 0xFF0A0B0Cu) << "with width 0 operations clip everything away";

  EXPECT_TRUE(bm.resize(3, 3));
  EXPECT_NE(bm.getBits(), nullptr) << "a later resize creates a section again";
  EXPECT_TRUE(bm.resize(-3, 3));
  EXPECT_EQ(bm.getBits(), nullptr) << "a negative width has no section";
}

}  // namespace
