#pragma once

#include <string>

class RasterBitmap;

/// Writes a raster bitmap as an 8-bit RGB PNG file through libpng (alpha is dropped). The file
/// is written under a temporary name and renamed, so a failure leaves nothing half-written.
class PngWriter {
 public:
  /// Throws RenderError.
  static void Write(const std::string& path, RasterBitmap& bitmap);
};
