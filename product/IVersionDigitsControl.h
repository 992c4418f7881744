#pragma once

#include "controls/IControl.h"
#include "graphics/IBitmap.h"

/// Prints the minor and bugfix digits of the plug-in's version into the panel, from a strip
/// of the ten digits (frame d + 1 shows d): the minor digit at the rectangle's top left, the
/// bugfix digit offset from it. The major digit is part of the panel's artwork.
class IVersionDigitsControl : public IControl {
 public:
  // [constructor only] Reads the packed version from the plug-in base.
  IVersionDigitsControl(BraxBase* plug, const IRect& rect, const IBitmap& digits, int offsetX,
                        int offsetY);
  ~IVersionDigitsControl() override;

  // [editor thread, no lock]
  bool Draw(IGraphics* graphics) override;

  int Major() const { return mMajor; }
  int Minor() const { return mMinor; }
  int Bugfix() const { return mBugfix; }

 private:
  bool DrawDigit(IGraphics* graphics, int digit, int x, int y);

  IBitmap mDigits;  // 10 frames
  int mMajor, mMinor, mBugfix;
  int mOffsetX, mOffsetY;  // of the bugfix digit from the minor one
};
