#pragma once

#include "controls/IControl.h"
#include "graphics/IBitmap.h"

/// Shows one frame of a vertical film strip, chosen by the value: frame 1 for 0, the last for
/// 1, rounded to the nearest frame. The control is one frame big.
class IBitmapControl : public IControl {
 public:
  // [constructor only] Rectangle (x, y, x + width, y + frame height).
  IBitmapControl(BraxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                 int blendMethod = IBlend::kBlendDefault);
  ~IBitmapControl() override;

  // [editor thread, no lock: reads atomics only]
  bool Draw(IGraphics* graphics) override;

  const IBitmap& GetBitmap() const { return mBitmap; }

  /// The 1-based frame of an n-frame strip that shows value.
  static int FrameFor(double value, int nFrames);

 protected:
  IBitmap mBitmap;
};
