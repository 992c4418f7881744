#include "controls/IFilmstripKnobControl.h"

#include "controls/IBitmapControl.h"
#include "graphics/IGraphics.h"

IFilmstripKnobControl::IFilmstripKnobControl(BraxBase* plug, int x, int y, int paramIdx,
                                             const IBitmap& bitmap, int direction, double gearing)
    : IControl(plug, IRect(x, y, x + bitmap.W, y + bitmap.FrameH()), paramIdx,
               IBlend(IBlend::kBlendDefault, 1.0f)),
      mDirection(direction),
      mGearing(gearing),
      mBitmap(bitmap) {}

IFilmstripKnobControl::~IFilmstripKnobControl() = default;

void IFilmstripKnobControl::OnMouseDrag(int, int, int dX, int dY, const IMouseState&) {
  // top - bottom is minus the height, so dragging up (dY < 0) raises the value. A control of
  // no extent gives an infinite or NaN step, which SetDirty clamps.
  const double step = mDirection == kVertical
                          ? static_cast<double>(dY) / (mRECT.T - mRECT.B) / mGearing
                          : static_cast<double>(dX) / (mRECT.R - mRECT.L) / mGearing;
  SetValue(GetValue() + step);
  SetDirty(true);
}

bool IFilmstripKnobControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmapFrame(mBitmap, mRECT, IBitmapControl::FrameFor(GetValue(), mBitmap.N),
                                   &mBlend);
}
