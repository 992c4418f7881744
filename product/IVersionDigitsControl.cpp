#include "product/IVersionDigitsControl.h"

#include "core/BraxBase.h"
#include "graphics/IGraphics.h"

IVersionDigitsControl::IVersionDigitsControl(BraxBase* plug, const IRect& rect,
                                             const IBitmap& digits, int offsetX, int offsetY)
    : IControl(plug, rect, -1, IBlend(IBlend::kBlendDefault, 1.0f)),
      mDigits(digits),
      mOffsetX(offsetX),
      mOffsetY(offsetY) {
  // Packed version 0xMMMMmmbb; one digit of each is shown.
  const unsigned v = plug ? static_cast<unsigned>(plug->GetVersion(false)) : 0u;
  mMajor = static_cast<int>((v >> 16) % 10);
  mMinor = static_cast<int>(((v >> 8) & 0xFF) % 10);
  mBugfix = static_cast<int>((v & 0xFF) % 10);
}

IVersionDigitsControl::~IVersionDigitsControl() = default;

bool IVersionDigitsControl::DrawDigit(IGraphics* graphics, int digit, int x, int y) {
  const IRect r(x, y, x + mDigits.W, y + mDigits.H / 10);
  return graphics->DrawBitmapFrame(mDigits, r, digit + 1, nullptr);
}

bool IVersionDigitsControl::Draw(IGraphics* graphics) {
  DrawDigit(graphics, mMinor, mRECT.L, mRECT.T);
  DrawDigit(graphics, mBugfix, mRECT.L + mOffsetX, mRECT.T + mOffsetY);
  return true;
}
