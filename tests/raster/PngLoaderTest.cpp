#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "raster/MemoryBitmap.h"
#include "raster/PngLoader.h"
#include "tests/raster/TestBitmap.h"

namespace {

using Bytes = std::vector<unsigned char>;

// One image to encode: samples per pixel in file order, at the given depth.
struct ImageKind {
  int colorType;
  int bitDepth;
  bool trns;
  bool interlaced;
  int width = 7, height = 5;
};

std::string describe(const ImageKind& s) {
  std::ostringstream o;
  o << "colour type " << s.colorType << ", depth " << s.bitDepth << (s.trns ? ", tRNS" : "")
    << (s.interlaced ? ", interlaced" : "");
  return o.str();
}

int channelsOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;  // palette index
  }
}

void appendBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// Palette and transparency data for the writer.
struct Chunks {
  png_color* palette;
  int paletteSize;
  png_byte* paletteAlpha;
  int paletteAlphaSize;
  png_color_16* trnsColour;
};

// libpng's writer, kept free of C++ objects because errors leave through longjmp.
bool writePng(const ImageKind& kind, const Chunks& c, png_bytep* rows, Bytes* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(kind.width),
               static_cast<png_uint_32>(kind.height), kind.bitDepth, kind.colorType,
               kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (c.palette) png_set_PLTE(png, info, c.palette, c.paletteSize);
  if (c.palette && c.paletteAlpha)
    png_set_tRNS(png, info, c.paletteAlpha, c.paletteAlphaSize, nullptr);
  if (c.trnsColour) png_set_tRNS(png, info, nullptr, 0, c.trnsColour);
  // A gamma chunk must not change the pixels.
  png_set_gAMA(png, info, 0.8);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Encodes the image with libpng's writer and returns the file bytes together with the
// Pixel32 words that decoding must produce.
Bytes encode(const ImageKind& kind, std::vector<Pixel32>& expected, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const int maxSample = (1 << kind.bitDepth) - 1;
  const int channels = channelsOf(kind.colorType);
  std::vector<std::vector<int>> samples(static_cast<std::size_t>(kind.width * kind.height),
                                        std::vector<int>(static_cast<std::size_t>(channels)));
  const int paletteSize =
      kind.colorType == PNG_COLOR_TYPE_PALETTE ? std::min(maxSample + 1, 40) : 0;
  for (auto& px : samples)
    for (int& v : px)
      v = paletteSize ? static_cast<int>(rng() % paletteSize)
                      : static_cast<int>(rng() % (maxSample + 1));

  std::vector<png_color> palette(static_cast<std::size_t>(paletteSize));
  std::vector<png_byte> paletteAlpha(static_cast<std::size_t>(paletteSize / 2));
  for (auto& c : palette)
    c = {static_cast<png_byte>(rng()), static_cast<png_byte>(rng()), static_cast<png_byte>(rng())};
  for (auto& a : paletteAlpha) a = static_cast<png_byte>(rng());
  png_color_16 trnsColour{};
  if (kind.trns && channels != 2 && channels != 4 && !paletteSize) {
    // Make the transparent colour one that occurs.
    const auto& first = samples[3];
    if (channels == 1) {
      trnsColour.gray = static_cast<png_uint_16>(first[0]);
    } else {
      trnsColour.red = static_cast<png_uint_16>(first[0]);
      trnsColour.green = static_cast<png_uint_16>(first[1]);
      trnsColour.blue = static_cast<png_uint_16>(first[2]);
    }
  }

  // Expected words: depth reduced by stripping (high byte) or expanded by bit replication.
  auto to8 = [&](int v) {
    if (kind.bitDepth == 16) return v >> 8;
    if (kind.bitDepth < 8) return v * 255 / maxSample;
    return v;
  };
  expected.clear();
  for (const auto& px : samples) {
    int a = 255, r, g, b;
    if (paletteSize) {
      const png_color& c = palette[static_cast<std::size_t>(px[0])];
      r = c.red, g = c.green, b = c.blue;
      if (kind.trns && px[0] < static_cast<int>(paletteAlpha.size()))
        a = paletteAlpha[static_cast<std::size_t>(px[0])];
    } else if (channels <= 2) {
      r = g = b = to8(px[0]);
      if (channels == 2)
        a = to8(px[1]);
      else if (kind.trns && px[0] == trnsColour.gray)
        a = 0;
    } else {
      r = to8(px[0]), g = to8(px[1]), b = to8(px[2]);
      if (channels == 4)
        a = to8(px[3]);
      else if (kind.trns && px[0] == trnsColour.red && px[1] == trnsColour.green &&
               px[2] == trnsColour.blue)
        a = 0;
    }
    expected.push_back(makePixel32(a, r, g, b));
  }

  // Pack each row MSB-first at the file's depth, big-endian for 16 bits.
  const int bitsPerPixel = kind.bitDepth * channels;
  const std::size_t rowBytes = static_cast<std::size_t>((kind.width * bitsPerPixel + 7) / 8);
  std::vector<Bytes> rows(static_cast<std::size_t>(kind.height), Bytes(rowBytes, 0));
  for (int y = 0; y < kind.height; ++y) {
    int bit = 0;
    for (int x = 0; x < kind.width; ++x)
      for (int v : samples[static_cast<std::size_t>(y * kind.width + x)]) {
        Bytes& row = rows[static_cast<std::size_t>(y)];
        if (kind.bitDepth == 16) {
          row[static_cast<std::size_t>(bit / 8)] = static_cast<unsigned char>(v >> 8);
          row[static_cast<std::size_t>(bit / 8 + 1)] = static_cast<unsigned char>(v);
        } else {
          row[static_cast<std::size_t>(bit / 8)] |=
              static_cast<unsigned char>(v << (8 - kind.bitDepth - bit % 8));
        }
        bit += kind.bitDepth;
      }
  }
  std::vector<png_bytep> rowPointers;
  for (Bytes& r : rows) rowPointers.push_back(r.data());

  Bytes file;
  const Chunks chunks{paletteSize ? palette.data() : nullptr, paletteSize,
                      kind.trns ? paletteAlpha.data() : nullptr,
                      static_cast<int>(paletteAlpha.size()),
                      kind.trns && !paletteSize ? &trnsColour : nullptr};
  if (!writePng(kind, chunks, rowPointers.data(), &file)) file.clear();
  return file;
}

std::vector<Pixel32> pixelsOf(RasterBitmap* bm) {
  std::vector<Pixel32> out;
  for (int y = 0; y < bm->getHeight(); ++y) {
    const int row = bm->isBottomUp() ? bm->getHeight() - 1 - y : y;
    const Pixel32* p = bm->getBits() + row * bm->getRowStride();
    out.insert(out.end(), p, p + bm->getWidth());
  }
  return out;
}

std::vector<ImageKind> corpus() {
  const struct {
    int type;
    std::vector<int> depths;
  } kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
               {PNG_COLOR_TYPE_RGB, {8, 16}},
               {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
               {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
               {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
  std::vector<ImageKind> kinds_;
  for (const auto& k : kinds)
    for (int depth : k.depths)
      for (bool trns : {false, true})
        for (bool interlaced : {false, true}) {
          const bool hasAlpha = k.type & PNG_COLOR_MASK_ALPHA;
          if (trns && hasAlpha) continue;  // not allowed with an alpha channel
          kinds_.push_back({k.type, depth, trns, interlaced});
        }
  return kinds_;
}

TEST(PngLoader, EveryColourTypeAndDepthDecodesToStraightArgb) {
  std::uint32_t seed = 1;
  for (const ImageKind& kind : corpus()) {
    std::vector<Pixel32> expected;
    const Bytes file = encode(kind, expected, seed++);
    ASSERT_FALSE(file.empty()) << "the test could not encode " << describe(kind);
    std::unique_ptr<RasterBitmap> bm(loadPngMemory(file.data(), file.size(), nullptr));
    ASSERT_NE(bm, nullptr) << "decoding failed for " << describe(kind);
    EXPECT_EQ(bm->getWidth(), kind.width);
    EXPECT_EQ(bm->getHeight(), kind.height);
    EXPECT_EQ(pixelsOf(bm.get()), expected) << "pixels differ for " << describe(kind);
  }
}

TEST(PngLoader, KnownRgbaPixelBecomesItsWord) {
  ImageKind kind{PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 1, 1};
  std::vector<Pixel32> expected;
  Bytes file = encode(kind, expected, 5);
  // Re-encode by hand: a single pixel red 0x10, green 0x20, blue 0x30, alpha 0x40.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 1;
  image.height = 1;
  image.format = PNG_FORMAT_RGBA;
  const unsigned char pixel[4] = {0x10, 0x20, 0x30, 0x40};
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixel, 0, nullptr));
  file.assign(size, 0);
  ASSERT_TRUE(png_image_write_to_memory(&image, file.data(), &size, 0, pixel, 0, nullptr));
  std::unique_ptr<RasterBitmap> bm(loadPngMemory(file.data(), size, nullptr));
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(bm->getBits()[0], 0x40102030u) << "straight alpha, not premultiplied";
}

TEST(PngLoader, DecodesIntoAGivenBitmapResizingIt) {
  ImageKind kind{PNG_COLOR_TYPE_RGB, 8, false, false, 24, 31};
  std::vector<Pixel32> expected;
  const Bytes file = encode(kind, expected, 9);
  MemoryBitmap target(3, 3);
  EXPECT_EQ(loadPngMemory(file.data(), file.size(), &target), &target)
      << "the destination itself is returned";
  EXPECT_EQ(target.getWidth(), 24);
  EXPECT_EQ(pixelsOf(&target), expected);

  TestBitmap flipped(2, 2, true);
  ASSERT_EQ(loadPngMemory(file.data(), file.size(), &flipped), &flipped);
  EXPECT_EQ(pixelsOf(&flipped), expected) << "a bottom-up destination gets the picture upright";
  EXPECT_TRUE(flipped.guardsIntact()) << "decoding wrote outside a padded destination";
}

// A bitmap that refuses to change its size.
class FixedBitmap : public TestBitmap {
 public:
  FixedBitmap() : TestBitmap(4, 4, false) {}
  bool resize(std::int32_t, std::int32_t) override { return false; }
};

TEST(PngLoader, EveryDamagedOrUnfitInputGivesNull) {
  ImageKind kind{PNG_COLOR_TYPE_PALETTE, 4, true, true, 9, 7};
  std::vector<Pixel32> expected;
  const Bytes file = encode(kind, expected, 11);
  ASSERT_NE(std::unique_ptr<RasterBitmap>(loadPngMemory(file.data(), file.size(), nullptr)),
            nullptr);

  for (std::size_t n = 0; n < file.size() - 12; ++n) {
    // Every prefix that lacks the image end; the zero bytes past the end must fail cleanly.
    std::unique_ptr<RasterBitmap> bm(loadPngMemory(file.data(), n, nullptr));
    EXPECT_EQ(bm, nullptr) << "a file cut to " << n << " of " << file.size() << " bytes decoded";
  }
  Bytes badSignature = file;
  badSignature[1] ^= 0x20;
  EXPECT_EQ(loadPngMemory(badSignature.data(), badSignature.size(), nullptr), nullptr)
      << "a wrong signature must be refused";
  EXPECT_EQ(loadPngMemory(nullptr, 100, nullptr), nullptr);

  // Damage one byte inside every chunk in turn: the CRC no longer matches.
  for (std::size_t pos = 8; pos + 12 <= file.size();) {
    const std::uint32_t length = (std::uint32_t{file[pos]} << 24) | (file[pos + 1] << 16) |
                                 (file[pos + 2] << 8) | file[pos + 3];
    const std::string type(reinterpret_cast<const char*>(&file[pos + 4]), 4);
    // Critical chunks that the decode reads; ancillary ones only earn a warning, and the end
    // chunk is never read because the picture is complete before it.
    if (type == "IHDR" || type == "PLTE" || type == "IDAT") {
      Bytes damaged = file;
      damaged[pos + 8 + length / 2] ^= 0x55;
      std::unique_ptr<RasterBitmap> bm(loadPngMemory(damaged.data(), damaged.size(), nullptr));
      EXPECT_EQ(bm, nullptr) << "a CRC error in chunk " << type << " must fail the load";
    }
    pos += 12 + length;
  }

  FixedBitmap fixed;
  EXPECT_EQ(loadPngMemory(file.data(), file.size(), &fixed), nullptr)
      << "a destination that cannot take the image size must fail the load";
  EXPECT_TRUE(fixed.guardsIntact());
  MemoryBitmap empty(0, 0);
  struct Hollow : MemoryBitmap {
    Hollow() : MemoryBitmap(0, 0) {}
    bool resize(std::int32_t w, std::int32_t h) override {
      MemoryBitmap::resize(0, 0);
      hollowWidth = w;
      hollowHeight = h;
      return true;
    }
    std::int32_t getWidth() override { return hollowWidth; }
    std::int32_t getHeight() override { return hollowHeight; }
    std::int32_t hollowWidth = 0, hollowHeight = 0;
  } hollow;
  EXPECT_EQ(loadPngMemory(file.data(), file.size(), &hollow), nullptr)
      << "a destination without pixels must fail the load";
}

// Builds a PNG whose header claims the given size (with a valid CRC) and no image data.
Bytes headerOnly(std::uint32_t width, std::uint32_t height) {
  Bytes f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t v : {width, height}) {
    for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<unsigned char>(v >> s));
  }
  for (unsigned char b : {8, 6, 0, 0, 0}) f.push_back(b);  // RGBA 8, no interlace
  const uLong crc = crc32(0, &f[12], 17);
  for (int s = 24; s >= 0; s -= 8) f.push_back(static_cast<unsigned char>(crc >> s));
  return f;
}

TEST(PngLoader, AbsurdDimensionsAreRefusedBeforeAllocating) {
  for (auto size : {std::pair<std::uint32_t, std::uint32_t>{60000, 60000},
                    {0x7FFFFFFF, 1},
                    {1, 0xFFFFFFFF},
                    {0, 5},
                    {900000, 900000}}) {
    const Bytes f = headerOnly(size.first, size.second);
    MemoryBitmap target(2, 2);
    EXPECT_EQ(loadPngMemory(f.data(), f.size(), nullptr), nullptr)
        << size.first << " x " << size.second << " must be refused";
    EXPECT_EQ(loadPngMemory(f.data(), f.size(), &target), nullptr)
        << size.first << " x " << size.second << " must be refused";
    EXPECT_EQ(target.getWidth(), 2) << "the destination is not resized for a refused image";
  }
}

TEST(MemoryBitmap, ResizeKeepsTheBlockExactAndHandlesEmptySizes) {
  MemoryBitmap bm(4, 3);
  ASSERT_NE(bm.getBits(), nullptr);
  EXPECT_EQ(bm.getRowStride(), 4);
  EXPECT_FALSE(bm.isBottomUp());
  Pixel32* before = bm.getBits();
  EXPECT_FALSE(bm.resize(4, 3)) << "resizing to the current size changes nothing";
  EXPECT_EQ(bm.getBits(), before);
  EXPECT_TRUE(bm.resize(0, 3));
  EXPECT_EQ(bm.getBits(), nullptr) << "a zero width frees the pixels";
  EXPECT_TRUE(bm.resize(5, 2));
  EXPECT_NE(bm.getBits(), nullptr) << "a positive size allocates again";
  EXPECT_TRUE(bm.resize(-3, -3));
  EXPECT_EQ(bm.getBits(), nullptr) << "a negative product is not positive";
  EXPECT_EQ(MemoryBitmap::blockBytes(0x7FFFFFFF, 0x7FFFFFFF), 0u)
      << "a block too large to address is refused without overflow";
  EXPECT_EQ(MemoryBitmap::blockBytes(3, 2), 24u);
}

}  // namespace

namespace {

TEST(PngLoader, MissingResourceGivesNull) {
  EXPECT_EQ(loadPngResource(nullptr, 4242, nullptr), nullptr) << "no resource with this id";
  EXPECT_EQ(loadPngResource(nullptr, -1, nullptr), nullptr) << "ids are 16-bit numbers";
}

}  // namespace
