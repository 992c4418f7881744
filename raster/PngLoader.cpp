#include "raster/PngLoader.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/ResourceLookup.h"
#include "raster/MemoryBitmap.h"

namespace {

// The read source handed to libpng: the next unread byte and the count left.
struct PngMemoryReader {
  const unsigned char* next;
  std::size_t left;
};

// Reading past the end yields zero bytes rather than a read error; libpng then meets a bad
// chunk or CRC and takes its error path.
void readFromMemory(png_structp png, png_bytep buffer, png_size_t count) {
  auto* reader = static_cast<PngMemoryReader*>(png_get_io_ptr(png));
  std::memset(buffer, 0, count);
  const std::size_t n = count < reader->left ? count : reader->left;
  if (n > 0) std::memcpy(buffer, reader->next, n);
  reader->next += n;
  reader->left -= n;
}

// libpng's own handlers would print; a failed load is reported by the null result alone.
[[noreturn]] void failQuietly(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void warnQuietly(png_structp, png_const_charp) {}

// State that must survive a longjmp out of libpng: it lives outside the frame that calls
// setjmp, so none of it is an indeterminate local afterwards.
struct Decode {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
  RasterBitmap* target = nullptr;   // the caller's destination or the bitmap created here
  MemoryBitmap* created = nullptr;  // deleted on failure
};

// Asks libpng for four 8-bit samples per pixel laid out in memory as the word 0xAARRGGBB is on
// this machine (blue, green, red, alpha on a little-endian one), so rows decode straight into
// the bitmap's words.
void requestPixelWords(png_structp png, png_infop info, int bitDepth, int colorType) {
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (hasTrns) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  if (hasAlpha) {
    png_set_swap_alpha(png);
  } else {
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
  }
#else
  png_set_bgr(png);
  if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
#endif
}

// Decodes into job.target; false after any libpng error or when the image does not fit.
bool decode(Decode& job, PngMemoryReader& reader) {
  if (setjmp(png_jmpbuf(job.png))) return false;

  png_set_read_fn(job.png, &reader, readFromMemory);
  // Every chunk's CRC still guards the data; the zlib stream's own checksum over the whole
  // inflated image only costs time.
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_IGNORE_ADLER32)
  png_set_option(job.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(job.png, job.info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(job.png, job.info, &width, &height, &bitDepth, &colorType, &interlace, &compression,
               &filter);
  // Both sides are at least 1 and bounded by libpng; the product fits in 64 bits.
  if (std::uint64_t{width} * height > kMaxPngPixels) return false;
  requestPixelWords(job.png, job.info, bitDepth, colorType);
  png_set_interlace_handling(job.png);

  const std::int32_t w = static_cast<std::int32_t>(width);
  const std::int32_t h = static_cast<std::int32_t>(height);
  if (job.target) {
    job.target->resize(w, h);
    if (job.target->getWidth() != w || job.target->getHeight() != h) return false;
  } else {
    job.created = new (std::nothrow) MemoryBitmap(w, h);
    job.target = job.created;
    if (!job.target) return false;
  }
  Pixel32* bits = job.target->getBits();
  const std::int32_t stride = job.target->getRowStride();
  if (!bits || stride < w) return false;

  job.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!job.rows) return false;
  const bool bottomUp = job.target->isBottomUp();
  for (std::int32_t i = 0; i < h; ++i) {
    const std::int32_t memoryRow = bottomUp ? h - 1 - i : i;
    job.rows[i] =
        reinterpret_cast<png_bytep>(bits + static_cast<std::ptrdiff_t>(memoryRow) * stride);
  }
  png_read_image(job.png, job.rows);
  return true;
}

}  // namespace

RasterBitmap* loadPngMemory(const void* data, std::size_t size, RasterBitmap* destination) {
  if (!data || size < 8) return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (png_sig_cmp(bytes, 0, 8) != 0) return nullptr;

  PngMemoryReader reader{bytes, size};
  Decode job;
  job.target = destination;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, warnQuietly);
  if (!job.png) return nullptr;
  job.info = png_create_info_struct(job.png);
  if (!job.info) {
    png_destroy_read_struct(&job.png, nullptr, nullptr);
    return nullptr;
  }

  const bool decoded = decode(job, reader);
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  std::free(job.rows);
  if (!decoded) {
    delete job.created;
    return nullptr;
  }
  return job.target;
}

RasterBitmap* loadPngResource(void* module, int resourceId, RasterBitmap* destination) {
  ResourceBytes resource;
  if (!LookupResource(module, "PNG", resourceId, resource)) return nullptr;
  return loadPngMemory(resource.data, resource.size, destination);
}
