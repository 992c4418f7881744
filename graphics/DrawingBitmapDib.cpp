// The drawing bitmap on Windows: a DIB section that a window host copies with one GDI blit.
#include "graphics/IGraphicsRaster.h"
#include "raster/DibBitmap.h"

RasterBitmap* CreateDrawingBitmap(int width, int height) {
  return new DibBitmap(width, height);
}
