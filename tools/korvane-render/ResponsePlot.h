#pragma once

#include <memory>
#include <string>
#include <vector>

#include "raster/MemoryBitmap.h"
#include "raster/Pixel32.h"
#include "tools/korvane-render/ResponseMeter.h"

/// Draws a measured magnitude response with the raster library: frequency on a logarithmic axis
/// from 10 Hz to Nyquist, level in dB from +30 at the top to -90 at the bottom (levels beyond
/// are drawn at the edge), a grid with labels every 10 dB and at 1, 2 and 5 of each decade, a
/// title and a line of settings above it, all text in PixelFont.
///
/// The geometry is fixed, so that pictures of different settings compare: pixel column
/// X(hz) and row Y(db) of the plot area kLeft..kRight, kTop..kBottom (both ends inclusive).
class ResponsePlot {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 480;
  static constexpr int kLeft = 64;
  static constexpr int kRight = 776;
  static constexpr int kTop = 48;
  static constexpr int kBottom = 436;
  static constexpr double kTopDb = 30.0;
  static constexpr double kBottomDb = -90.0;
  /// The curve's colour: the only pixels of the picture with more red than blue.
  static constexpr Pixel32 kCurve = makePixel32(255, 208, 48, 16);

  /// `title` goes on the first line, `settings` (may be empty) on the second.
  ResponsePlot(double sampleRate, std::string title, std::string settings);

  double X(double hz) const;
  double Y(double db) const;

  /// The picture, kWidth x kHeight. Throws RenderError when the bitmap cannot be made.
  std::unique_ptr<MemoryBitmap> Draw(const std::vector<ResponseMeter::Point>& points) const;

 private:
  double mNyquist;
  std::string mTitle;
  std::string mSettings;
};
