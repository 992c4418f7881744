#include "controls/IControl.h"

#include "core/BraxBase.h"
#include "graphics/IGraphics.h"

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
}  // namespace

IControl::IControl(BraxBase* plug, const IRect& rect, int paramIdx, IBlend blend)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blend) {}

IControl::~IControl() = default;

void IControl::OnMouseDown(int, int, const IMouseState& mod) {
  if (mod.R) OpenTextEntry();
}

void IControl::OnMouseUp(int, int) {}

void IControl::OnMouseDrag(int, int, int, int, const IMouseState&) {}

void IControl::OnMouseDoubleClick(int, int, const IMouseState&) {
  const double def = mDefaultValue.load(kRelaxed);
  if (def < 0.0) return;
  mValue.store(def, kRelaxed);
  SetDirty(true);
}

void IControl::OnMouseWheel(int, int, const IMouseState& mod, int delta) {
  const double step = (mod.C || mod.S) ? 0.001 : 0.01;
  mValue.store(mValue.load(kRelaxed) + delta * step, kRelaxed);
  SetDirty(true);
}

void IControl::SetValueFromPlugin(double value) {
  if (mDefaultValue.load(kRelaxed) < 0.0) {
    mDefaultValue.store(value, kRelaxed);
  } else if (value == mValue.load(kRelaxed)) {
    return;
  }
  mValue.store(value, kRelaxed);
  SetDirty(false);
  mValueChanged.store(true, kRelaxed);
}

void IControl::Hide(bool hide) {
  mHide.store(hide, kRelaxed);
  mValueChanged.store(true, kRelaxed);
  SetDirty(false);
}

void IControl::GrayOut(bool gray) {
  mGrayed.store(gray, kRelaxed);
  mBlend.weight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

bool IControl::IsHit(int x, int y) {
  return mTargetRECT.Contains(x, y);
}

void IControl::SetDirty(bool pushParamToPlug) {
  double v = mValue.load(kRelaxed);
  if (!(v >= mClampLo)) v = mClampLo;  // NaN fails every comparison and lands here
  if (v > mClampHi) v = mClampHi;
  mValue.store(v, kRelaxed);
  mDirty.store(true, kRelaxed);
  if (pushParamToPlug && mParamIdx >= 0 && mPlug) mPlug->SetParameterFromGUI(mParamIdx, v);
}

void IControl::SetClean() {
  mDirty.store(mValueChanged.load(kRelaxed), kRelaxed);
  mValueChanged.store(false, kRelaxed);
}

bool IControl::IsDirty() {
  return mDirty.load(kRelaxed);
}

void IControl::SetValueFromTextEntry(double value) {
  if (value == mValue.load(kRelaxed)) return;
  mValue.store(value, kRelaxed);
  SetDirty(true);
  mValueChanged.store(true, kRelaxed);
}

void IControl::OpenTextEntry() {
  if (mParamIdx < 0 || mDisableTextEntry || !mPlug) return;
  IGraphics* graphics = mPlug->GetGUI();
  if (!graphics) return;
  graphics->CreateTextEntry(this, mPlug->GetParam(mParamIdx));
  mValueChanged.store(true, kRelaxed);
}
