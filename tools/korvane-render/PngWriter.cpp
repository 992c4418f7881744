#include "tools/korvane-render/PngWriter.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "raster/RasterBitmap.h"
#include "tools/korvane-render/RenderError.h"

namespace {

// libpng reports its errors through a long jump out of this function only: no object with a
// destructor lives across setjmp here.
bool Encode(std::FILE* file, RasterBitmap& bitmap, png_bytep row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    const int width = bitmap.getWidth(), height = bitmap.getHeight();
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const int memoryRow = bitmap.isBottomUp() ? height - 1 - y : y;
      const Pixel32* src = bitmap.getBits() + static_cast<size_t>(memoryRow) *
                                                  static_cast<size_t>(bitmap.getRowStride());
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

void PngWriter::Write(const std::string& path, RasterBitmap& bitmap) {
  if (!bitmap.getBits() || bitmap.getWidth() <= 0 || bitmap.getHeight() <= 0) {
    throw RenderError("cannot write " + path + ": no picture to write");
  }
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw RenderError(path + " is a directory");
  const std::string temp = path + ".part-" + std::to_string(getpid());
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) throw RenderError("cannot write " + path + ": " + std::strerror(errno));
  std::vector<png_byte> row(static_cast<size_t>(bitmap.getWidth()) * 3);
  bool ok = Encode(file, bitmap, row.data());
  if (std::fclose(file) != 0) ok = false;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw RenderError("cannot write " + path);
  }
}
