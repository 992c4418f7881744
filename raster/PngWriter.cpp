#include "raster/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "raster/RasterBitmap.h"

namespace {

// libpng reports its errors through a long jump out of this function only: no object with a
// destructor lives across setjmp here.
bool Encode(std::FILE* file, const Pixel32* topRow, int width, int height, std::ptrdiff_t rowStep,
            png_bytep row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const Pixel32* src = topRow + static_cast<std::ptrdiff_t>(y) * rowStep;
      for (int x = 0; x < width; ++x) {
        row[static_cast<size_t>(x) * 3 + 0] = static_cast<png_byte>(pixelChannel(src[x], 2));
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(pixelChannel(src[x], 1));
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(pixelChannel(src[x], 0));
      }
      png_write_row(png, row);
    }
    png_write_end(png, nullptr);
  } else {
    ok = false;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return ok;
}

}  // namespace

bool PngWriter::Write(const std::string& path, const Pixel32* topRow, int width, int height,
                      std::ptrdiff_t rowStep, std::string& error) {
  if (!topRow || width <= 0 || height <= 0) {
    error = "cannot write " + path + ": no picture to write";
    return false;
  }
  const std::string temp = path + ".part";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  bool ok = Encode(file, topRow, width, height, rowStep, row.data());
  if (std::fclose(file) != 0) ok = false;
#ifdef _WIN32
  std::remove(path.c_str());  // rename replaces no existing file there
#endif
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool PngWriter::Write(const std::string& path, RasterBitmap& bitmap, std::string& error) {
  Pixel32* bits = bitmap.getBits();
  const int height = bitmap.getHeight();
  const std::ptrdiff_t stride = bitmap.getRowStride();
  if (!bits || height <= 0) return Write(path, nullptr, 0, 0, 0, error);
  if (bitmap.isBottomUp())
    return Write(path, bits + (height - 1) * stride, bitmap.getWidth(), height, -stride, error);
  return Write(path, bits, bitmap.getWidth(), height, stride, error);
}
