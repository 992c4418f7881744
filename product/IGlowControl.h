#pragma once

#include "controls/IControl.h"
#include "graphics/IBitmap.h"

/// The limiter's lamp: a picture added onto the panel with a strength equal to the value, so
/// it is invisible at 0 and fully lit at 1. Display only: never hit, no text entry, bound to
/// no parameter; the plug-in sets its value with SetControlFromPlugin.
class IGlowControl : public IControl {
 public:
  // [constructor only] Rectangle (x, y, x + width, y + frame height).
  IGlowControl(BraxBase* plug, int x, int y, const IBitmap& bitmap);
  ~IGlowControl() override;

  // [editor thread, no lock: reads atomics only]
  bool Draw(IGraphics* graphics) override;

 private:
  IBitmap mBitmap;
};
