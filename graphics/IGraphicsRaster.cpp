#include "graphics/IGraphicsRaster.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/BitmapStore.h"
#include "platform/Numeric.h"
#include "raster/Blit.h"
#include "raster/MemoryBitmap.h"
#include "raster/Primitives.h"
#include "raster/ScaledBlit.h"

namespace {

// A missing image is our own mistake (the module must carry every image its editor loads):
// stop loudly, in every build.
[[noreturn]] void AssertionFailed(const char* what) {
  std::fprintf(stderr, "IGraphicsRaster: assertion failed: %s\n", what);
  std::abort();
}

int Clamp(int v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

// A new bitmap's pixels are not cleared; the parts a blit leaves untouched (a crop reaching
// past its source) must not show whatever the heap held.
MemoryBitmap* NewClearBitmap(int width, int height) {
  auto* bitmap = new MemoryBitmap(width, height);
  maskRect(bitmap, 0, 0, width, height, 0, 0);
  return bitmap;
}

}  // namespace

IGraphicsRaster::IGraphicsRaster(BraxBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {}

IGraphicsRaster::~IGraphicsRaster() {
  delete mDrawBitmap;
  delete mTmpBitmap;
}

// ============================================================================ conversion ===

Pixel32 IGraphicsRaster::ToPixel(const IColor& c) {
  return makePixel32(c.A, c.R, c.G, c.B);
}

float IGraphicsRaster::ToOpacity(const IBlend* blend) {
  return blend ? blend->weight : 1.0f;
}

BlendMode IGraphicsRaster::ToMode(const IBlend* blend) {
  if (!blend) return BLEND_USE_SOURCE_ALPHA;
  switch (blend->method) {
    case IBlend::kBlendOpaque:
      return BLEND_COPY;
    case IBlend::kBlendAdd:
      return BLEND_USE_SOURCE_ALPHA | BLEND_ADD;
    case IBlend::kBlendDodge:
      return BLEND_USE_SOURCE_ALPHA | BLEND_DODGE;
    default:
      return BLEND_USE_SOURCE_ALPHA | BLEND_COPY;
  }
}

// ============================================================================ drawing ===

void IGraphicsRaster::CreateDrawSurface() {
  delete mDrawBitmap;
  mDrawBitmap = CreateDrawingBitmap(Width(), Height());
  if (!mTmpBitmap) mTmpBitmap = new MemoryBitmap(0, 0);
}

bool IGraphicsRaster::DrawBitmap(const IBitmap& bitmap, const IRect& dest, int srcX, int srcY,
                                 const IBlend* blend) {
  const IRect r = dest.Intersect(DrawRect());
  if (r.IsEmpty()) return true;
  blitRect(mDrawBitmap, bitmap.data, r.L, r.T, srcX + (r.L - dest.L), srcY + (r.T - dest.T), r.W(),
           r.H(), ToOpacity(blend), ToMode(blend));
  return true;
}

bool IGraphicsRaster::DrawRotatedBitmap(const IBitmap& bitmap, int cx, int cy, double angle,
                                        int yOffset, const IBlend* blend) {
  const int w = bitmap.W, h = bitmap.H;
  rotatedBlit(mDrawBitmap, bitmap.data, cx - w / 2, cy - h / 2, w, h, 0.0f, 0.0f,
              static_cast<float>(w), static_cast<float>(h), static_cast<float>(angle), false,
              ToOpacity(blend), ToMode(blend) | BLEND_FILTER_BILINEAR, 0.0f,
              static_cast<float>(yOffset));
  return true;
}

bool IGraphicsRaster::DrawMaskedRotation(const IBitmap& base, const IBitmap& mask,
                                         const IBitmap& top, int x, int y, double angle,
                                         const IBlend* blend) {
  // Rounded to a double first so the 32-bit x87 build rounds like the others.
  const float radians = static_cast<float>(RoundToDouble(angle * 0.017453292519943295));
  const int w = base.W, h = base.H;
  const float xOffset = (w % 2) ? -0.5f : 0.0f;
  if (!mTmpBitmap) mTmpBitmap = new MemoryBitmap(0, 0);
  copyBitmap(mTmpBitmap, base.data);
  maskRect(mTmpBitmap, 0, 0, w, h, 0x00FFFFFF, 0);
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  rotatedBlit(mTmpBitmap, mask.data, 0, 0, w, h, 0.0f, 0.0f, fw, fh, radians, true, 1.0f,
              BLEND_USE_SOURCE_ALPHA | BLEND_FILTER_BILINEAR | BLEND_ADD, xOffset, 0.0f);
  rotatedBlit(mTmpBitmap, top.data, 0, 0, w, h, 0.0f, 0.0f, fw, fh, radians, true, 1.0f,
              BLEND_USE_SOURCE_ALPHA | BLEND_FILTER_BILINEAR | BLEND_COPY, xOffset, 0.0f);
  const IRect r = IRect(x, y, x + w, y + h).Intersect(DrawRect());
  if (r.IsEmpty()) return true;
  blitRect(mDrawBitmap, mTmpBitmap, r.L, r.T, r.L - x, r.T - y, r.W(), r.H(), ToOpacity(blend),
           ToMode(blend));
  return true;
}

bool IGraphicsRaster::DrawPoint(const IColor& color, float x, float y, const IBlend* blend) {
  // The half is added in double: in float, 0.49999997 + 0.5 would round up to 1. The double
  // sum of a float and 0.5 is exact wherever the result fits an int, so x87's wider registers
  // give the same pixel.
  putPixel(mDrawBitmap, TruncToInt(x + 0.5), TruncToInt(y + 0.5), ToPixel(color), ToOpacity(blend),
           ToMode(blend));
  return true;
}

bool IGraphicsRaster::SetPixelDirect(const IColor& color, int x, int y) {
  Pixel32* bits = GetDrawBits();
  // A coordinate off the bitmap would be a store outside it: ignored.
  if (!bits || x < 0 || y < 0 || x >= mDrawBitmap->getWidth() || y >= mDrawBitmap->getHeight()) {
    return true;
  }
  bits[static_cast<size_t>(y) * static_cast<size_t>(mDrawBitmap->getRowStride()) +
       static_cast<size_t>(x)] = ToPixel(color);
  return true;
}

bool IGraphicsRaster::DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                               const IBlend* blend, bool antiAlias) {
  drawLine(mDrawBitmap, x1, y1, x2, y2, ToPixel(color), ToOpacity(blend), ToMode(blend), antiAlias);
  return true;
}

bool IGraphicsRaster::DrawArc(const IColor& color, float cx, float cy, float r, float minAngle,
                              float maxAngle, const IBlend* blend, bool antiAlias) {
  drawArc(mDrawBitmap, cx, cy, r, minAngle, maxAngle, ToPixel(color), ToOpacity(blend),
          ToMode(blend), antiAlias);
  return true;
}

bool IGraphicsRaster::DrawCircle(const IColor& color, float cx, float cy, float r,
                                 const IBlend* blend, bool antiAlias) {
  drawCircle(mDrawBitmap, cx, cy, r, ToPixel(color), ToOpacity(blend), ToMode(blend), antiAlias);
  return true;
}

bool IGraphicsRaster::FillRect(const IColor& color, const IRect& r, const IBlend* blend) {
  fillRect(mDrawBitmap, r.L, r.T, r.W(), r.H(), ToPixel(color), ToOpacity(blend), ToMode(blend));
  return true;
}

IColor IGraphicsRaster::GetPoint(int x, int y) {
  const Pixel32 p = getPixel(mDrawBitmap, x, y);
  return IColor(pixelChannel(p, 3), pixelChannel(p, 2), pixelChannel(p, 1), pixelChannel(p, 0));
}

Pixel32* IGraphicsRaster::GetDrawBits() {
  return mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
}

bool IGraphicsRaster::DrawVerticalLine(const IColor& color, int x, int y1, int y2) {
  Pixel32* bits = GetDrawBits();
  if (!bits) return true;
  const int w = mDrawBitmap->getWidth(), h = mDrawBitmap->getHeight();
  const size_t stride = static_cast<size_t>(mDrawBitmap->getRowStride());
  x = Clamp(x, 0, w - 1);
  y1 = Clamp(y1, 0, h - 1);
  y2 = Clamp(y2, 0, h - 1);
  const Pixel32 p = ToPixel(color);
  for (int y = y1; y <= y2; ++y) bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x)] = p;
  return true;
}

bool IGraphicsRaster::DrawHorizontalLine(const IColor& color, int y, int x1, int x2) {
  Pixel32* bits = GetDrawBits();
  if (!bits) return true;
  const int w = mDrawBitmap->getWidth(), h = mDrawBitmap->getHeight();
  const size_t stride = static_cast<size_t>(mDrawBitmap->getRowStride());
  y = Clamp(y, 0, h - 1);
  x1 = Clamp(x1, 0, w - 1);
  x2 = Clamp(x2, 0, w - 1);
  const Pixel32 p = ToPixel(color);
  Pixel32* row = bits + static_cast<size_t>(y) * stride;
  for (int x = x1; x <= x2; ++x) row[x] = p;
  return true;
}

// ============================================================================ bitmap store ===

IBitmap IGraphicsRaster::LoadBitmapResource(int id, const char* name, int nFrames) {
  const IBitmap record = BitmapStore::Get().FindOrAddResource(
      id, name, nFrames, [this](int i, const char* n) { return LoadPlatformBitmap(i, n); });
  if (!record.data) AssertionFailed("imgResourceFound");
  return record;
}

void IGraphicsRaster::PreloadBitmapResources(const BitmapRequest* requests, int count) {
  BitmapStore::Get().PreloadResources(
      requests, count, [this](int i, const char* n) { return LoadPlatformBitmap(i, n); });
}

IBitmap IGraphicsRaster::ScaleBitmap(const IBitmap& bitmap, int width, int height) {
  return BitmapStore::Get().FindOrAddScaled(bitmap.data, width, height, [&] {
    MemoryBitmap* scaled = NewClearBitmap(width, height);
    scaledBlit(scaled, bitmap.data, 0, 0, width, height, 0.0f, 0.0f, static_cast<float>(bitmap.W),
               static_cast<float>(bitmap.H), 1.0f, BLEND_FILTER_BILINEAR);
    return IBitmap(scaled, width, height, bitmap.N);
  });
}

IBitmap IGraphicsRaster::CropBitmap(const IBitmap& bitmap, const IRect& r) {
  return BitmapStore::Get().FindOrAddCropped(bitmap.data, r, [&] {
    MemoryBitmap* cropped = NewClearBitmap(r.W(), r.H());
    blitRect(cropped, bitmap.data, 0, 0, r.L, r.T, r.W(), r.H(), 1.0f, BLEND_COPY);
    return IBitmap(cropped, r.W(), r.H(), bitmap.N);
  });
}

void IGraphicsRaster::RegisterBitmap(const IBitmap& bitmap) {
  BitmapStore::Get().AddLive(bitmap.data);
}

void IGraphicsRaster::ReleaseBitmap(const IBitmap& bitmap) {
  BitmapStore::Get().Release(bitmap.data);
}
