#pragma once

#include <functional>
#include <vector>

#include "graphics/IBitmap.h"
#include "graphics/IRect.h"
#include "platform/Lock.h"

class RasterBitmap;

/// The module-wide store behind IGraphicsRaster's bitmap operations, shared by every editor in
/// the process: the live-bitmap list, which owns every raster bitmap the store hands out, and
/// the resource, scale and crop caches, each searched linearly in insertion order under its own
/// lock. Entries are never removed; an entry counts only while its bitmap is live.
///
/// Lock order: a cache lock before the live-list lock; Release takes the three cache locks in
/// the order resource, scale, crop, so that it can retire the entries that name the bitmap it
/// frees (a later bitmap at the same address must not revive them).
///
/// Created on first use; destroyed (with every live bitmap) when the module is unloaded.
class BitmapStore {
 public:
  /// Decodes an image resource: a new bitmap, or null when there is none. Called without any
  /// lock of the store's by PreloadResources, which may call it from several threads at once.
  using Decoder = std::function<RasterBitmap*(int id, const char* name)>;
  /// Makes a derived bitmap (scaled or cropped) as a new record; called under the cache's lock.
  using Maker = std::function<IBitmap()>;
  /// One image resource as FindOrAddResource takes it.
  struct Request {
    int id;
    const char* name;
    int nFrames;
  };

  // [any thread]
  static BitmapStore& Get();
  ~BitmapStore();
  BitmapStore(const BitmapStore&) = delete;
  BitmapStore& operator=(const BitmapStore&) = delete;

  /// [any thread, takes the resource lock] The record of resource id: the stored one while its
  /// bitmap is live, else decoded now and kept (the frame count of the first load stays). A
  /// record with no data when decoding failed.
  IBitmap FindOrAddResource(int id, const char* name, int nFrames, const Decoder& decode);
  /// [any thread, takes the resource lock, not while decoding] Stores the resources of these
  /// requests as FindOrAddResource would, decoding those the store lacks side by side on up to
  /// four threads (none outlives the call). An image another editor stored meanwhile wins; one
  /// that fails to decode is left for FindOrAddResource to report.
  void PreloadResources(const Request* requests, int count, const Decoder& decode);
  /// [any thread, takes the scale lock] The copy of source at width × height: stored, or made
  /// now by make and kept.
  IBitmap FindOrAddScaled(RasterBitmap* source, int width, int height, const Maker& make);
  /// [any thread, takes the crop lock] The copy of rectangle r of source: stored, or made now
  /// by make and kept.
  IBitmap FindOrAddCropped(RasterBitmap* source, const IRect& r, const Maker& make);

  /// [any thread, takes the live-list lock] The store owns bitmap from now on.
  void AddLive(RasterBitmap* bitmap);
  bool IsLive(RasterBitmap* bitmap);
  int LiveCount();
  /// [any thread] Deletes the bitmap when it is live and retires the cache entries naming it.
  void Release(RasterBitmap* bitmap);

 private:
  struct ScaleKey {
    RasterBitmap* source;
    int width, height;
  };
  struct CropKey {
    RasterBitmap* source;
    IRect rect;
  };
  template <typename Key>
  struct Entry {
    Key key;
    IBitmap record;
  };

  BitmapStore() = default;
  // [resource lock held] The entry of id, added empty when there is none.
  Entry<int>& ResourceEntry(int id);
  // [resource lock held] Makes bitmap live as the record of its entry.
  IBitmap Keep(Entry<int>& entry, RasterBitmap* bitmap, int nFrames);

  Lock mResourceLock;
  Lock mScaleLock;
  Lock mCropLock;
  std::vector<Entry<int>> mResources;    // under mResourceLock
  std::vector<Entry<ScaleKey>> mScaled;  // under mScaleLock
  std::vector<Entry<CropKey>> mCropped;  // under mCropLock
  Lock mLiveLock;
  std::vector<RasterBitmap*> mLive;  // owned, under mLiveLock
};
