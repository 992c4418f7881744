#pragma once

class RasterBitmap;

/// A bitmap handed to controls: a vertical film strip of frameCount frames, each
/// H / frameCount pixels high, frame 1 at the top. A plain record: the raster bitmap belongs to
/// the module-wide bitmap store, not to the record.
struct IBitmap {
  RasterBitmap* data = nullptr;
  int W = 0;
  int H = 0;  // all frames
  int N = 1;  // frame count, at least 1

  IBitmap() = default;
  IBitmap(RasterBitmap* data, int w, int h, int n = 1) : data(data), W(w), H(h), N(n) {}
  /// Height of one frame.
  int FrameH() const { return N > 1 ? H / N : H; }
};
