#include "product/IGlowControl.h"

#include "graphics/IGraphics.h"

IGlowControl::IGlowControl(BraxBase* plug, int x, int y, const IBitmap& bitmap)
    : IControl(plug, IRect(x, y, x + bitmap.W, y + bitmap.FrameH()), -1,
               IBlend(IBlend::kBlendAdd, 1.0f)),
      mBitmap(bitmap) {
  SetTargetArea(IRect());  // all zero: never hit
  DisableTextEntry(true);
}

IGlowControl::~IGlowControl() = default;

bool IGlowControl::Draw(IGraphics* graphics) {
  mBlend.weight = static_cast<float>(GetValue());
  graphics->DrawBitmapFrame(mBitmap, mRECT, 1, &mBlend);
  return true;
}
