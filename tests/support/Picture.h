#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"

/// A picture as the editor tests compare them: width x height pixels row by row, as 0x00RRGGBB
/// (alpha dropped).
using Picture = std::vector<Pixel32>;

/// The PNG file at path as a width x height picture; empty when it is missing, undecodable or
/// of another size.
inline Picture LoadPicture(const std::string& path, int width, int height) {
  std::unique_ptr<RasterBitmap> bitmap;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    bitmap.reset(loadPngMemory(bytes.data(), bytes.size(), nullptr));
  }
  if (!bitmap || bitmap->getWidth() != width || bitmap->getHeight() != height) return Picture();
  Picture p(bitmap->getBits(), bitmap->getBits() + static_cast<size_t>(width) * height);
  for (Pixel32& v : p) v &= 0x00FFFFFFu;
  return p;
}

/// "" when got equals want; otherwise what differs: no reference, the sizes, or how many
/// pixels and where the first one is in a picture width pixels wide.
inline std::string PictureDifference(const Picture& got, const Picture& want, int width) {
  if (want.empty()) return "no golden image";
  if (got.size() != want.size()) return "sizes differ";
  int n = 0, first = -1;
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i] && n++ == 0) first = static_cast<int>(i);
  }
  if (n == 0) return "";
  char text[96];
  std::snprintf(text, sizeof text, "%d pixels differ, the first at %d,%d", n, first % width,
                first / width);
  return text;
}
