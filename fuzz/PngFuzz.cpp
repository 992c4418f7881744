// The PNG memory decoder on arbitrary bytes: null, or a bitmap of exactly the header's size.
#include <cstdint>
#include <memory>

#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"

namespace {

uint32_t BigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<RasterBitmap> bitmap(loadPngMemory(data, size, nullptr));
  if (!bitmap) return 0;
  // A decoded image had a whole header: the signature, then IHDR's width and height.
  if (size < 24) __builtin_trap();
  if (static_cast<uint32_t>(bitmap->getWidth()) != BigEndian(data + 16) ||
      static_cast<uint32_t>(bitmap->getHeight()) != BigEndian(data + 20)) {
    __builtin_trap();
  }
  return 0;
}
