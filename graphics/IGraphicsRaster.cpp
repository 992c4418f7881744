#include "graphics/IGraphicsRaster.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

#include "graphics/BitmapStore.h"
#include "platform/LockGuard.h"
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

// Truncation toward zero that stays defined for any value (NaN gives 0).
int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
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
  // Stored to a double first so the 32-bit x87 build rounds like the others.
  volatile double radiansD = angle * 0.017453292519943295;
  const float radians = static_cast<float>(radiansD);
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

namespace {

// [resource lock held] The resource cache's entry of id, added empty when there is none.
BitmapStore::Entry<int>& ResourceEntry(BitmapStore& store, int id) {
  for (auto& e : store.resources) {
    if (e.key == id) return e;
  }
  store.resources.push_back({id, IBitmap()});
  return store.resources.back();
}

}  // namespace

IBitmap IGraphicsRaster::LoadBitmapResource(int id, const char* name, int nFrames) {
  BitmapStore& store = BitmapStore::Get();
  LockGuard guard(store.resourceLock);
  BitmapStore::Entry<int>& entry = ResourceEntry(store, id);
  if (store.IsLive(entry.record.data)) return entry.record;
  RasterBitmap* bitmap = LoadPlatformBitmap(id, name);
  if (!bitmap) AssertionFailed("imgResourceFound");
  entry.record = KeepResource(bitmap, nFrames);
  return entry.record;
}

IBitmap IGraphicsRaster::KeepResource(RasterBitmap* bitmap, int nFrames) {
  const IBitmap record(bitmap, bitmap->getWidth(), bitmap->getHeight(), nFrames > 1 ? nFrames : 1);
  RegisterBitmap(record);
  return record;
}

void IGraphicsRaster::PreloadBitmapResources(const BitmapRequest* requests, int count) {
  BitmapStore& store = BitmapStore::Get();
  std::vector<BitmapRequest> missing;
  {
    LockGuard guard(store.resourceLock);
    for (int i = 0; i < count; ++i) {
      if (!store.IsLive(ResourceEntry(store, requests[i].id).record.data)) {
        missing.push_back(requests[i]);
      }
    }
  }
  if (missing.size() < 2) return;  // nothing to share out

  // Each thread takes the next undecoded request; the calling thread works too.
  std::vector<RasterBitmap*> decoded(missing.size(), nullptr);
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next.fetch_add(1); i < missing.size(); i = next.fetch_add(1)) {
      decoded[i] = LoadPlatformBitmap(missing[i].id, missing[i].name);
    }
  };
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const size_t helpers = std::min({cores, missing.size(), size_t{4}}) - 1;
  std::vector<std::thread> threads;
  try {
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back(work);
  } catch (const std::system_error&) {
    // No thread to spare: the ones started and this one share the work.
  }
  work();
  for (std::thread& t : threads) t.join();

  // Kept as LoadBitmapResource keeps them, unless another editor got there meanwhile.
  LockGuard guard(store.resourceLock);
  for (size_t i = 0; i < missing.size(); ++i) {
    if (!decoded[i]) continue;
    BitmapStore::Entry<int>& entry = ResourceEntry(store, missing[i].id);
    if (store.IsLive(entry.record.data)) {
      delete decoded[i];
    } else {
      entry.record = KeepResource(decoded[i], missing[i].nFrames);
    }
  }
}

IBitmap IGraphicsRaster::ScaleBitmap(const IBitmap& bitmap, int width, int height) {
  BitmapStore& store = BitmapStore::Get();
  LockGuard guard(store.scaleLock);
  for (const auto& e : store.scaled) {
    if (bitmap.data && e.key.source == bitmap.data && e.key.width == width &&
        e.key.height == height && store.IsLive(e.record.data)) {
      return e.record;
    }
  }
  MemoryBitmap* scaled = NewClearBitmap(width, height);
  scaledBlit(scaled, bitmap.data, 0, 0, width, height, 0.0f, 0.0f, static_cast<float>(bitmap.W),
             static_cast<float>(bitmap.H), 1.0f, BLEND_FILTER_BILINEAR);
  const IBitmap record(scaled, width, height, bitmap.N);
  store.scaled.push_back({{bitmap.data, width, height}, record});
  RegisterBitmap(record);
  return record;
}

IBitmap IGraphicsRaster::CropBitmap(const IBitmap& bitmap, const IRect& r) {
  BitmapStore& store = BitmapStore::Get();
  LockGuard guard(store.cropLock);
  for (const auto& e : store.cropped) {
    if (bitmap.data && e.key.source == bitmap.data && e.key.left == r.L && e.key.top == r.T &&
        e.key.right == r.R && e.key.bottom == r.B && store.IsLive(e.record.data)) {
      return e.record;
    }
  }
  MemoryBitmap* cropped = NewClearBitmap(r.W(), r.H());
  blitRect(cropped, bitmap.data, 0, 0, r.L, r.T, r.W(), r.H(), 1.0f, BLEND_COPY);
  const IBitmap record(cropped, r.W(), r.H(), bitmap.N);
  store.cropped.push_back({{bitmap.data, r.L, r.T, r.R, r.B}, record});
  RegisterBitmap(record);
  return record;
}

void IGraphicsRaster::RegisterBitmap(const IBitmap& bitmap) {
  BitmapStore::Get().AddLive(bitmap.data);
}

void IGraphicsRaster::ReleaseBitmap(const IBitmap& bitmap) {
  BitmapStore::Get().Release(bitmap.data);
}
