#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "raster/MemoryBitmap.h"
#include "raster/PngLoader.h"
#include "raster/PngWriter.h"

namespace {

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<RasterBitmap> Decode(const std::string& path) {
  const std::vector<char> bytes = ReadFile(path);
  return std::unique_ptr<RasterBitmap>(loadPngMemory(bytes.data(), bytes.size(), nullptr));
}

Pixel32 Colour(int x, int y) {
  return 0xFF000000u | static_cast<Pixel32>(x * 40) << 16 | static_cast<Pixel32>(y * 60) << 8 |
         static_cast<Pixel32>(x * 7 + y * 11);
}

TEST(PngWriter, WritesRowsInEitherOrderAsOpaqueRgbThatDecodesToTheSamePixels) {
  const std::string path = testing::TempDir() + "png-writer-test.png";
  MemoryBitmap source(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) source.getBits()[y * 5 + x] = Colour(x, y) & 0x7FFFFFFFu;
  std::string error;
  ASSERT_TRUE(PngWriter::Write(path, source, error)) << error;
  std::unique_ptr<RasterBitmap> back = Decode(path);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->getWidth(), 5);
  ASSERT_EQ(back->getHeight(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(back->getBits()[y * back->getRowStride() + x], Colour(x, y))
          << "at " << x << "," << y << ": colour kept, alpha dropped (opaque)";

  // The same picture stored bottom-up: the last row in memory is the top one.
  std::vector<Pixel32> flipped(15);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) flipped[(2 - y) * 5 + x] = Colour(x, y);
  ASSERT_TRUE(PngWriter::Write(path, flipped.data() + 10, 5, 3, -5, error)) << error;
  back = Decode(path);
  ASSERT_TRUE(back);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(back->getBits()[y * back->getRowStride() + x], Colour(x, y));
  std::remove(path.c_str());
}

TEST(PngWriter, FailureSaysWhyAndLeavesNothingBehind) {
  std::string error;
  const Pixel32 pixel = 0xFF112233u;
  EXPECT_FALSE(PngWriter::Write(testing::TempDir() + "none.png", nullptr, 4, 4, 4, error));
  EXPECT_NE(error.find("no picture"), std::string::npos) << error;
  const std::string missing = testing::TempDir() + "no-such-directory/x.png";
  EXPECT_FALSE(PngWriter::Write(missing, &pixel, 1, 1, 1, error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_TRUE(ReadFile(missing + ".part").empty());
}

}  // namespace
