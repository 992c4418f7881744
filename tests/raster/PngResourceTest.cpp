#include <gtest/gtest.h>
#include <png.h>

#include <memory>
#include <vector>

#include "platform/ResourceLookup.h"
#include "raster/PngLoader.h"

namespace {

TEST(PngResource, RegisteredEmbeddedPngDecodesThroughTheLookup) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 2;
  image.height = 1;
  image.format = PNG_FORMAT_ARGB;
  const unsigned char pixels[8] = {0x80, 1, 2, 3, 0xFF, 4, 5, 6};
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr));
  static std::vector<unsigned char> file;  // registered bytes must outlive the lookups
  file.assign(size, 0);
  ASSERT_TRUE(png_image_write_to_memory(&image, file.data(), &size, 0, pixels, 0, nullptr));

  RegisterEmbeddedResource("PNG", 3101, file.data(), size);
  std::unique_ptr<RasterBitmap> bm(loadPngResource(nullptr, 3101, nullptr));
  ASSERT_NE(bm, nullptr) << "a registered PNG resource must decode";
  EXPECT_EQ(bm->getBits()[0], 0x80010203u);
  EXPECT_EQ(bm->getBits()[1], 0xFF040506u);

  static const unsigned char shortData[5] = {0x89, 'P', 'N', 'G', '\r'};
  RegisterEmbeddedResource("PNG", 3102, shortData, sizeof shortData);
  EXPECT_EQ(loadPngResource(nullptr, 3102, nullptr), nullptr) << "fewer than 8 bytes gives null";
  RegisterEmbeddedResource("RAW", 3103, file.data(), size);
  EXPECT_EQ(loadPngResource(nullptr, 3103, nullptr), nullptr)
      << "a resource of another type is not found";
  ResourceBytes bytes;
  EXPECT_TRUE(LookupResource(nullptr, "RAW", 3103, bytes));
  EXPECT_EQ(bytes.size, size);
  EXPECT_FALSE(LookupResource(nullptr, "PNG", 3101 + 65536, bytes))
      << "ids beyond 16 bits must not alias";
}

}  // namespace
