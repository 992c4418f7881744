#include "graphics/BitmapStore.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "platform/LockGuard.h"
#include "raster/RasterBitmap.h"

BitmapStore& BitmapStore::Get() {
  static BitmapStore store;
  return store;
}

BitmapStore::~BitmapStore() {
  for (RasterBitmap* bitmap : mLive) delete bitmap;
}

// ========================================================================== resources ===

BitmapStore::Entry<int>& BitmapStore::ResourceEntry(int id) {
  for (auto& e : mResources) {
    if (e.key == id) return e;
  }
  mResources.push_back({id, IBitmap()});
  return mResources.back();
}

IBitmap BitmapStore::Keep(Entry<int>& entry, RasterBitmap* bitmap, int nFrames) {
  entry.record =
      IBitmap(bitmap, bitmap->getWidth(), bitmap->getHeight(), nFrames > 1 ? nFrames : 1);
  AddLive(bitmap);
  return entry.record;
}

IBitmap BitmapStore::FindOrAddResource(int id, const char* name, int nFrames,
                                       const Decoder& decode) {
  LockGuard guard(mResourceLock);
  Entry<int>& entry = ResourceEntry(id);
  if (IsLive(entry.record.data)) return entry.record;
  RasterBitmap* bitmap = decode(id, name);
  if (!bitmap) return IBitmap();
  return Keep(entry, bitmap, nFrames);
}

void BitmapStore::PreloadResources(const Request* requests, int count, const Decoder& decode) {
  std::vector<Request> missing;
  {
    LockGuard guard(mResourceLock);
    for (int i = 0; i < count; ++i) {
      if (!IsLive(ResourceEntry(requests[i].id).record.data)) missing.push_back(requests[i]);
    }
  }
  if (missing.size() < 2) return;  // nothing to share out

  // Each thread takes the next undecoded request; the calling thread works too.
  std::vector<RasterBitmap*> decoded(missing.size(), nullptr);
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next.fetch_add(1); i < missing.size(); i = next.fetch_add(1)) {
      decoded[i] = decode(missing[i].id, missing[i].name);
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

  // Kept as FindOrAddResource keeps them, unless another editor got there meanwhile.
  LockGuard guard(mResourceLock);
  for (size_t i = 0; i < missing.size(); ++i) {
    if (!decoded[i]) continue;
    Entry<int>& entry = ResourceEntry(missing[i].id);
    if (IsLive(entry.record.data)) {
      delete decoded[i];
    } else {
      Keep(entry, decoded[i], missing[i].nFrames);
    }
  }
}

// ========================================================================== derived copies ===

IBitmap BitmapStore::FindOrAddScaled(RasterBitmap* source, int width, int height,
                                     const Maker& make) {
  LockGuard guard(mScaleLock);
  for (const auto& e : mScaled) {
    if (source && e.key.source == source && e.key.width == width && e.key.height == height &&
        IsLive(e.record.data)) {
      return e.record;
    }
  }
  const IBitmap record = make();
  mScaled.push_back({{source, width, height}, record});
  AddLive(record.data);
  return record;
}

IBitmap BitmapStore::FindOrAddCropped(RasterBitmap* source, const IRect& r, const Maker& make) {
  LockGuard guard(mCropLock);
  for (const auto& e : mCropped) {
    if (source && e.key.source == source && e.key.rect.L == r.L && e.key.rect.T == r.T &&
        e.key.rect.R == r.R && e.key.rect.B == r.B && IsLive(e.record.data)) {
      return e.record;
    }
  }
  const IBitmap record = make();
  mCropped.push_back({{source, r}, record});
  AddLive(record.data);
  return record;
}

// ========================================================================== live bitmaps ===

void BitmapStore::AddLive(RasterBitmap* bitmap) {
  if (!bitmap) return;
  LockGuard guard(mLiveLock);
  mLive.push_back(bitmap);
}

bool BitmapStore::IsLive(RasterBitmap* bitmap) {
  if (!bitmap) return false;
  LockGuard guard(mLiveLock);
  return std::find(mLive.begin(), mLive.end(), bitmap) != mLive.end();
}

int BitmapStore::LiveCount() {
  LockGuard guard(mLiveLock);
  return static_cast<int>(mLive.size());
}

void BitmapStore::Release(RasterBitmap* bitmap) {
  if (!bitmap) return;
  LockGuard resourceGuard(mResourceLock);
  LockGuard scaleGuard(mScaleLock);
  LockGuard cropGuard(mCropLock);
  LockGuard liveGuard(mLiveLock);
  auto it = std::find(mLive.begin(), mLive.end(), bitmap);
  if (it == mLive.end()) return;
  mLive.erase(it);
  delete bitmap;
  // The address may be handed out again; entries that still named it would then match a
  // different picture. A resource entry keeps its slot (the next load fills it again).
  for (auto& e : mResources) {
    if (e.record.data == bitmap) e.record.data = nullptr;
  }
  for (auto& e : mScaled) {
    if (e.record.data == bitmap) e.record.data = nullptr;
    if (e.key.source == bitmap) e.key.source = nullptr;
  }
  for (auto& e : mCropped) {
    if (e.record.data == bitmap) e.record.data = nullptr;
    if (e.key.source == bitmap) e.key.source = nullptr;
  }
}
