// Where there is no window host, the editor lives off screen.
#include "graphics/CreateGraphics.h"
#include "graphics/offscreen/IGraphicsOffscreen.h"

IGraphicsRaster* CreateGraphics(BraxBase* plug, int width, int height, int fps) {
  return new IGraphicsOffscreen(plug, width, height, fps);
}
