#pragma once

#include "graphics/BitmapStore.h"
#include "graphics/IGraphics.h"
#include "raster/BlendMode.h"

class RasterBitmap;

/// The drawing backend: implements IGraphics' drawing operations on the raster library into an
/// off-screen drawing bitmap, and loads, scales and crops bitmaps through the module-wide
/// caches (BitmapStore). Bitmap drawing clips to the rectangle of the current draw pass.
///
/// Still platform-neutral: a host derived from it supplies the window (BlitToScreen, OpenWindow
/// and the rest), text drawing and LoadPlatformBitmap.
///
/// Lifecycle: CreateDrawSurface (from AttachEditor) makes the drawing bitmap and an empty
/// scratch bitmap; the destructor deletes both. Cached bitmaps outlive every editor.
///
/// Threads: drawing runs on the editor thread only and takes no lock; the bitmap operations
/// may run on any thread that constructs plug-ins and take the caches' locks.
class IGraphicsRaster : public IGraphics {
 public:
  // [constructor only]
  IGraphicsRaster(BraxBase* plug, int width, int height, int fps);
  // [host thread, plug-in lock released]
  ~IGraphicsRaster() override;

  /// An IColor as a pixel word: A << 24 | R << 16 | G << 8 | B.
  static Pixel32 ToPixel(const IColor& color);
  /// An IBlend as the raster library's opacity and mode word; null is a full-strength mix.
  static float ToOpacity(const IBlend* blend);
  static BlendMode ToMode(const IBlend* blend);

  // [constructor only, plug-in lock held]
  void CreateDrawSurface() override;
  // [editor thread, no lock] Every drawing operation answers true.
  bool DrawBitmap(const IBitmap& bitmap, const IRect& dest, int srcX, int srcY,
                  const IBlend* blend) override;
  bool DrawRotatedBitmap(const IBitmap& bitmap, int cx, int cy, double angle, int yOffset,
                         const IBlend* blend) override;
  bool DrawMaskedRotation(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x,
                          int y, double angle, const IBlend* blend) override;
  bool DrawPoint(const IColor& color, float x, float y, const IBlend* blend) override;
  bool SetPixelDirect(const IColor& color, int x, int y) override;
  bool DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                bool antiAlias) override;
  bool DrawArc(const IColor& color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IBlend* blend, bool antiAlias) override;
  bool DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend,
                  bool antiAlias) override;
  bool FillRect(const IColor& color, const IRect& r, const IBlend* blend) override;
  IColor GetPoint(int x, int y) override;
  Pixel32* GetDrawBits() override;
  // [constructor only; any thread, takes the resource cache's lock] Decoded once per process
  // and id; the frame count of the first load stays. A missing resource stops the program.
  IBitmap LoadBitmapResource(int id, const char* name, int nFrames) override;
  /// One image resource as LoadBitmapResource takes it.
  using BitmapRequest = BitmapStore::Request;
  // [constructor only; takes the resource cache's lock, not while decoding] Stores the
  // resources of these requests as LoadBitmapResource would, decoding those the store lacks
  // side by side on a few threads: a first editor's creation waits for little else. Later
  // LoadBitmapResource calls find them stored. One that fails to decode is left for
  // LoadBitmapResource to report.
  void PreloadBitmapResources(const BitmapRequest* requests, int count);
  // [any thread, takes the scale cache's lock] Bilinear copy, computed once per size.
  IBitmap ScaleBitmap(const IBitmap& bitmap, int width, int height) override;
  // [any thread, takes the crop cache's lock] Computed once per rectangle.
  IBitmap CropBitmap(const IBitmap& bitmap, const IRect& r) override;
  // [editor thread, no lock] Direct stores, ends pulled onto the bitmap.
  bool DrawVerticalLine(const IColor& color, int x, int y1, int y2) override;
  bool DrawHorizontalLine(const IColor& color, int y, int x1, int x2) override;
  // [any thread, takes the live list's lock]
  void RegisterBitmap(const IBitmap& bitmap) override;
  // [any thread, takes every cache lock] Frees the bitmap when the store holds it.
  void ReleaseBitmap(const IBitmap& bitmap) override;

 protected:
  RasterBitmap* DrawingBitmap() const { return mDrawBitmap; }

 private:
  RasterBitmap* mDrawBitmap = nullptr;  // owned
  RasterBitmap* mTmpBitmap = nullptr;   // owned; scratch of DrawMaskedRotation
};

/// [constructor only] The drawing bitmap of this platform: a DIB section on Windows (so a
/// window host can copy it with GDI), a memory bitmap elsewhere. Chosen by the build.
RasterBitmap* CreateDrawingBitmap(int width, int height);
