#pragma once

#include <cstddef>
#include <string>

#include "raster/Pixel32.h"

class RasterBitmap;

/// Writes pixels as an 8-bit RGB PNG file through libpng (alpha is dropped). The file is
/// written under a temporary name and renamed, so a failure leaves nothing half-written.
class PngWriter {
 public:
  /// width x height pixels, the top row at topRow and each next row rowStep pixels on (negative
  /// for a bottom-up bitmap). False with error saying why.
  static bool Write(const std::string& path, const Pixel32* topRow, int width, int height,
                    std::ptrdiff_t rowStep, std::string& error);
  /// The whole bitmap, in either row order.
  static bool Write(const std::string& path, RasterBitmap& bitmap, std::string& error);
};
