#pragma once

#include <vector>

#include "graphics/IBitmap.h"
#include "platform/Lock.h"

class RasterBitmap;

/// The module-wide store behind IGraphicsRaster's bitmap operations, shared by every editor in
/// the process: the live-bitmap list, which owns every raster bitmap the caches hand out, and
/// the resource, scale and crop caches, each searched linearly in insertion order under its own
/// lock. Entries are never removed; an entry counts only while its bitmap is live.
///
/// Lock order: a cache lock before the live-list lock; ReleaseBitmap takes the three cache
/// locks in the order resource, scale, crop, so that it can retire the entries that name the
/// bitmap it frees (a later bitmap at the same address must not revive them).
///
/// Created on first use; destroyed (with every live bitmap) when the module is unloaded.
class BitmapStore {
 public:
  struct ScaleKey {
    RasterBitmap* source;
    int width, height;
  };
  struct CropKey {
    RasterBitmap* source;
    int left, top, right, bottom;
  };
  template <typename Key>
  struct Entry {
    Key key;
    IBitmap record;
  };

  // [any thread]
  static BitmapStore& Get();
  ~BitmapStore();
  BitmapStore(const BitmapStore&) = delete;
  BitmapStore& operator=(const BitmapStore&) = delete;

  // [any thread] Takes the live-list lock.
  void AddLive(RasterBitmap* bitmap);
  bool IsLive(RasterBitmap* bitmap);
  // [any thread] Deletes the bitmap when it is live and retires the cache entries naming it.
  void Release(RasterBitmap* bitmap);
  int LiveCount();

  Lock resourceLock;
  Lock scaleLock;
  Lock cropLock;
  std::vector<Entry<int>> resources;    // under resourceLock
  std::vector<Entry<ScaleKey>> scaled;  // under scaleLock
  std::vector<Entry<CropKey>> cropped;  // under cropLock

 private:
  BitmapStore() = default;

  Lock mLiveLock;
  std::vector<RasterBitmap*> mLive;  // owned, under mLiveLock
};
