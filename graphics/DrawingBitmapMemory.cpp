// The drawing bitmap where no window system needs a device context.
#include "graphics/IGraphicsRaster.h"
#include "raster/MemoryBitmap.h"

RasterBitmap* CreateDrawingBitmap(int width, int height) {
  return new MemoryBitmap(width, height);
}
