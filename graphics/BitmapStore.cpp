#include "graphics/BitmapStore.h"

#include <algorithm>

#include "platform/LockGuard.h"
#include "raster/RasterBitmap.h"

BitmapStore& BitmapStore::Get() {
  static BitmapStore store;
  return store;
}

BitmapStore::~BitmapStore() {
  for (RasterBitmap* bitmap : mLive) delete bitmap;
}

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
  LockGuard resourceGuard(resourceLock);
  LockGuard scaleGuard(scaleLock);
  LockGuard cropGuard(cropLock);
  LockGuard liveGuard(mLiveLock);
  auto it = std::find(mLive.begin(), mLive.end(), bitmap);
  if (it == mLive.end()) return;
  mLive.erase(it);
  delete bitmap;
  // The address may be handed out again; entries that still named it would then match a
  // different picture. A resource entry keeps its slot (the next load fills it again).
  for (auto& e : resources) {
    if (e.record.data == bitmap) e.record.data = nullptr;
  }
  for (auto& e : scaled) {
    if (e.record.data == bitmap) e.record.data = nullptr;
    if (e.key.source == bitmap) e.key.source = nullptr;
  }
  for (auto& e : cropped) {
    if (e.record.data == bitmap) e.record.data = nullptr;
    if (e.key.source == bitmap) e.key.source = nullptr;
  }
}
