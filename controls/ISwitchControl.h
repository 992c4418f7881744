#pragma once

#include "controls/IBitmapControl.h"

/// A bitmap control that steps to its next frame on each left click, wrapping from the last
/// to the first: 0, 1/(N - 1), ..., 1, 0. A right click opens the text entry instead.
class ISwitchControl : public IBitmapControl {
 public:
  // [constructor only]
  ISwitchControl(BraxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                 int blendMethod = IBlend::kBlendDefault);
  ~ISwitchControl() override;

  // [editor thread, no lock; the plug-in lock is taken by the base when the value is sent]
  void OnMouseDown(int x, int y, const IMouseState& mod) override;
};
