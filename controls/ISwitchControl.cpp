#include "controls/ISwitchControl.h"

ISwitchControl::ISwitchControl(BraxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               int blendMethod)
    : IBitmapControl(plug, x, y, paramIdx, bitmap, blendMethod) {}

ISwitchControl::~ISwitchControl() = default;

void ISwitchControl::OnMouseDown(int, int, const IMouseState& mod) {
  double value = GetValue();
  if (mod.R) {
    OpenTextEntry();
  } else {
    value += mBitmap.N > 1 ? 1.0 / (mBitmap.N - 1) : 1.0;
  }
  // The tolerance absorbs the rounding of N - 1 steps of 1/(N - 1).
  if (value > 1.001) value = 0.0;
  SetValue(value);
  SetDirty(true);  // also after a right click: the unchanged value is sent again
}
