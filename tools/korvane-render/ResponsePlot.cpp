#include "tools/korvane-render/ResponsePlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "raster/Blit.h"
#include "raster/PixelFont.h"
#include "raster/Primitives.h"
#include "tools/korvane-render/RenderError.h"

namespace {

constexpr Pixel32 kBackground = makePixel32(255, 255, 255, 255);
constexpr Pixel32 kArea = makePixel32(255, 250, 250, 250);
constexpr Pixel32 kMinorGrid = makePixel32(255, 228, 228, 228);
constexpr Pixel32 kMajorGrid = makePixel32(255, 192, 192, 192);
constexpr Pixel32 kZeroLine = makePixel32(255, 128, 128, 128);
constexpr Pixel32 kInk = makePixel32(255, 32, 32, 32);

enum class Align { kLeft, kCentre, kRight };

void Text(RasterBitmap* b, int x, int y, const std::string& text, int scale, Align align,
          Pixel32 colour = kInk) {
  const int width = PixelFont::Width(text.c_str(), scale);
  if (align == Align::kCentre) x -= width / 2;
  if (align == Align::kRight) x -= width;
  for (const char c : text) {
    for (int gy = 0; gy < PixelFont::kGlyphHeight; ++gy) {
      for (int gx = 0; gx < PixelFont::kGlyphWidth; ++gx) {
        if (PixelFont::Pixel(c, gx, gy)) {
          fillRect(b, x + gx * scale, y + gy * scale, scale, scale, colour, 1.0f, BLEND_COPY);
        }
      }
    }
    x += PixelFont::kAdvance * scale;
  }
}

void HLine(RasterBitmap* b, int x1, int x2, int y, Pixel32 colour) {
  fillRect(b, x1, y, x2 - x1 + 1, 1, colour, 1.0f, BLEND_COPY);
}

void VLine(RasterBitmap* b, int x, int y1, int y2, Pixel32 colour) {
  fillRect(b, x, y1, 1, y2 - y1 + 1, colour, 1.0f, BLEND_COPY);
}

// "20", "500", "1k", "20k"
std::string HzLabel(double hz) {
  char text[16];
  if (hz >= 1000.0) {
    std::snprintf(text, sizeof text, "%gk", hz / 1000.0);
  } else {
    std::snprintf(text, sizeof text, "%g", hz);
  }
  return text;
}

}  // namespace

ResponsePlot::ResponsePlot(double sampleRate, std::string title, std::string settings)
    : mNyquist(sampleRate / 2.0), mTitle(std::move(title)), mSettings(std::move(settings)) {}

double ResponsePlot::X(double hz) const {
  return kLeft + (kRight - kLeft) * std::log(hz / ResponseMeter::kLowestHz) /
                     std::log(mNyquist / ResponseMeter::kLowestHz);
}

double ResponsePlot::Y(double db) const {
  return kTop + (kBottom - kTop) * (kTopDb - db) / (kTopDb - kBottomDb);
}

std::unique_ptr<MemoryBitmap> ResponsePlot::Draw(
    const std::vector<ResponseMeter::Point>& points) const {
  auto bitmap = std::make_unique<MemoryBitmap>(kWidth, kHeight);
  RasterBitmap* b = bitmap.get();
  if (!b->getBits()) throw RenderError("no memory for the response plot");
  fillRect(b, 0, 0, kWidth, kHeight, kBackground, 1.0f, BLEND_COPY);
  fillRect(b, kLeft, kTop, kRight - kLeft + 1, kBottom - kTop + 1, kArea, 1.0f, BLEND_COPY);

  Text(b, kLeft, 8, mTitle, 2, Align::kLeft);
  Text(b, kLeft, 30, mSettings, 1, Align::kLeft);

  // Frequencies: a line at every 1..9 of each decade, labels at 1, 2 and 5.
  for (double decade = 10.0; decade < mNyquist; decade *= 10.0) {
    for (int m = 1; m <= 9; ++m) {
      const double hz = decade * m;
      if (hz > mNyquist) break;
      const int x = static_cast<int>(std::lround(X(hz)));
      VLine(b, x, kTop, kBottom, m == 1 ? kMajorGrid : kMinorGrid);
      if (m == 1 || m == 2 || m == 5) {
        Text(b, x, kBottom + 6, HzLabel(hz), 1, Align::kCentre);
      }
    }
  }
  Text(b, (kLeft + kRight) / 2, kBottom + 20, "frequency (Hz)", 1, Align::kCentre);

  // Levels every 10 dB, 0 dB darker.
  for (int db = static_cast<int>(kTopDb); db >= static_cast<int>(kBottomDb); db -= 10) {
    const int y = static_cast<int>(std::lround(Y(db)));
    HLine(b, kLeft, kRight, y, db == 0 ? kZeroLine : kMajorGrid);
    char label[16];
    std::snprintf(label, sizeof label, db > 0 ? "+%d" : "%d", db);
    Text(b, kLeft - 6, y - PixelFont::kGlyphHeight / 2, label, 1, Align::kRight);
  }
  Text(b, kLeft - 6, kTop - 15, "dB", 1, Align::kRight);

  // The frame, then the curve: anti-aliased lines from the point's row and from the row below
  // (drawLine truncates its end points, so the pair straddles the true row), clamped to the area.
  HLine(b, kLeft, kRight, kTop, kZeroLine);
  HLine(b, kLeft, kRight, kBottom, kZeroLine);
  VLine(b, kLeft, kTop, kBottom, kZeroLine);
  VLine(b, kRight, kTop, kBottom, kZeroLine);
  const auto clampY = [&](double db) {
    return static_cast<float>(
        std::clamp(Y(db), static_cast<double>(kTop), static_cast<double>(kBottom)));
  };
  for (size_t i = 1; i < points.size(); ++i) {
    const float x1 = static_cast<float>(X(points[i - 1].hz));
    const float x2 = static_cast<float>(X(points[i].hz));
    const float y1 = clampY(points[i - 1].db), y2 = clampY(points[i].db);
    for (float offset : {0.0f, 1.0f}) {
      drawLine(b, x1, y1 + offset, x2, y2 + offset, kCurve, 1.0f, BLEND_COPY, true);
    }
  }
  return bitmap;
}
