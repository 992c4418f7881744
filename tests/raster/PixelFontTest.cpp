#include <gtest/gtest.h>

#include <set>
#include <string>

#include "raster/PixelFont.h"

TEST(PixelFont, EveryPrintableCharacterHasAGlyphOfItsOwnAndOthersShowAsABox) {
  std::set<std::string> shapes;
  for (char c = ' '; c <= '~'; ++c) {
    std::string shape;
    for (int y = 0; y < PixelFont::kGlyphHeight; ++y)
      for (int x = 0; x < PixelFont::kGlyphWidth; ++x)
        shape += PixelFont::Pixel(c, x, y) ? '#' : '.';
    shapes.insert(shape);
  }
  EXPECT_EQ(shapes.size(), 95u) << "95 different glyphs";
  EXPECT_TRUE(PixelFont::Pixel('\x01', 0, 0) && PixelFont::Pixel('\x01', 4, 6) &&
              !PixelFont::Pixel('\x01', 2, 3))
      << "a missing glyph is a box";
  EXPECT_FALSE(PixelFont::Pixel('\x01', 5, 0) || PixelFont::Pixel('\x01', -1, 0) ||
               PixelFont::Pixel('\x01', 0, 7) || PixelFont::Pixel('\x01', 0, -1))
      << "nothing outside the 5 x 7 cell";
}

TEST(PixelFont, WidthCountsAdvancesWithoutTheLastGapAtTheScale) {
  EXPECT_EQ(PixelFont::Width("", 1), 0);
  EXPECT_EQ(PixelFont::Width(nullptr, 1), 0);
  EXPECT_EQ(PixelFont::Width("A", 1), 5);
  EXPECT_EQ(PixelFont::Width("AB", 1), 11);
  EXPECT_EQ(PixelFont::Width("AB", 3), 33);
  EXPECT_EQ(PixelFont::ScaleFor(7), 1);
  EXPECT_EQ(PixelFont::ScaleFor(23), 1);
  EXPECT_EQ(PixelFont::ScaleFor(24), 2);
  EXPECT_EQ(PixelFont::ScaleFor(36), 3);
}
