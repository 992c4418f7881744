#include "controls/IBitmapControl.h"

#include "graphics/IGraphics.h"
#include "platform/Numeric.h"

IBitmapControl::IBitmapControl(BraxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               int blendMethod)
    : IControl(plug, IRect(x, y, x + bitmap.W, y + bitmap.FrameH()), paramIdx,
               IBlend(blendMethod, 1.0f)),
      mBitmap(bitmap) {}

IBitmapControl::~IBitmapControl() = default;

int IBitmapControl::FrameFor(double value, int nFrames) {
  if (nFrames <= 1) return 1;
  // Rounded to a double so the 32-bit x87 build rounds like the others before truncating.
  const double s = RoundToDouble((nFrames - 1) * value + 0.5);
  if (!(s >= 0.0)) return 1;  // also NaN
  if (s >= nFrames) return nFrames;
  const int i = static_cast<int>(s) + 1;
  return i > nFrames ? nFrames : i;
}

bool IBitmapControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmapFrame(mBitmap, mRECT, FrameFor(GetValue(), mBitmap.N), &mBlend);
}
