#pragma once

#include "controls/IControl.h"
#include "graphics/IBitmap.h"

/// A knob drawn from a film strip and turned by dragging: a drag across the control's full
/// height (or width, when horizontal) changes the value by 1 / gearing. Up and right raise it.
class IFilmstripKnobControl : public IControl {
 public:
  enum EDirection { kVertical = 0, kHorizontal = 1 };

  // [constructor only] direction 0 is vertical, anything else horizontal.
  IFilmstripKnobControl(BraxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                        int direction, double gearing);
  ~IFilmstripKnobControl() override;

  // [editor thread, no lock; the plug-in lock is taken by the base when the value is sent]
  void OnMouseDrag(int x, int y, int dX, int dY, const IMouseState& mod) override;
  // [editor thread, no lock: reads atomics only]
  bool Draw(IGraphics* graphics) override;

 protected:
  int mDirection;
  double mGearing;
  IBitmap mBitmap;
};
