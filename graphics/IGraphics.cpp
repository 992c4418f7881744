#include "graphics/IGraphics.h"

#include "controls/IBitmapControl.h"
#include "controls/IControl.h"
#include "core/BraxBase.h"
#include "platform/Numeric.h"

IGraphics::IGraphics(BraxBase* plug, int width, int height, int fps)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 24) {}

IGraphics::~IGraphics() {
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it) delete *it;
  mControls.clear();
}

// ============================================================================ controls ===

int IGraphics::AttachControl(IControl* control) {
  mControls.push_back(control);
  return NControls() - 1;
}

IControl* IGraphics::GetControl(int index) const {
  return index >= 0 && index < NControls() ? mControls[static_cast<size_t>(index)] : nullptr;
}

void IGraphics::AttachBackground(int id, const char* name) {
  const IBitmap bitmap = LoadBitmapResource(id, name, 1);
  IControl* background = new IBitmapControl(mPlug, 0, 0, -1, bitmap, IBlend::kBlendOpaque);
  mControls.insert(mControls.begin(), background);
}

void IGraphics::Resize(int width, int height) {
  mWidth = width;
  mHeight = height;
  mCapturedIdx = -1;
  mEditOpen = false;
  mMouseX = mMouseY = -1;
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it) delete *it;
  mControls.clear();
  if (mPlug) mPlug->OnEditorResize(width, height);
}

bool IGraphics::WindowIsOpen() {
  return GetWindow() != nullptr;
}

bool IGraphics::OnHostKey(int, int, bool) {
  return false;
}

// ============================================================================ values ===

void IGraphics::SetParameterFromPlugin(int paramIdx, double value, bool normalized) {
  if (!normalized) {
    const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    value = param->GetNormalized(value);
  }
  for (IControl* control : mControls) {
    if (control->ParamIdx() == paramIdx) control->SetValueFromPlugin(value);
  }
}

void IGraphics::SetControlFromPlugin(int controlIdx, double normalizedValue) {
  if (IControl* control = GetControl(controlIdx)) control->SetValueFromPlugin(normalizedValue);
}

// ============================================================================ redraw ===

void IGraphics::SetAllControlsDirty() {
  for (IControl* control : mControls) control->SetDirty(false);
}

bool IGraphics::IsDirty(IRect& rect) {
  bool dirty = false;
  for (IControl* control : mControls) {
    if (control->IsDirty()) {
      rect = rect.Union(control->GetRECT());
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::Draw(const IRect& r) {
  if (mControls.empty()) return true;
  mDrawRect = r;
  for (IControl* control : mControls) {
    if (!control->IsHidden() && r.Intersects(control->GetRECT())) control->Draw(this);
    // Every control is cleaned, drawn or not; a change from the plug-in during the pass
    // survives through the control's latch and is drawn by the next pass.
    control->SetClean();
  }
  return BlitToScreen(r);
}

bool IGraphics::DrawBitmapFrame(const IBitmap& bitmap, const IRect& dest, int frame,
                                const IBlend* blend) {
  int srcY = 0;
  if (bitmap.N > 1 && frame > 1) {
    // Rounded to a double so the 32-bit x87 build rounds like the others before truncating.
    srcY = TruncToInt(RoundToDouble(static_cast<double>(bitmap.H) * (frame - 1) / bitmap.N + 0.5));
  }
  return DrawBitmap(bitmap, dest, 0, srcY, blend);
}

bool IGraphics::DrawVerticalLine(const IColor& color, int x, int y1, int y2) {
  const IBlend opaque(IBlend::kBlendOpaque, 1.0f);
  return DrawLine(color, static_cast<float>(x), static_cast<float>(y1), static_cast<float>(x),
                  static_cast<float>(y2), &opaque, false);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, int y, int x1, int x2) {
  const IBlend opaque(IBlend::kBlendOpaque, 1.0f);
  return DrawLine(color, static_cast<float>(x1), static_cast<float>(y), static_cast<float>(x2),
                  static_cast<float>(y), &opaque, false);
}

// ============================================================================ mouse ===

int IGraphics::FindControlAt(int x, int y) const {
  if (mCapturedIdx >= 0) return mCapturedIdx;
  for (int i = NControls() - 1; i >= 0; --i) {
    IControl* control = mControls[static_cast<size_t>(i)];
    if (control->IsHidden() || control->IsGrayed()) continue;
    if (control->IsHit(x, y)) return i;
  }
  return -1;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseState& mod) {
  mCapturedIdx = -1;
  mEditOpen = false;
  mMouseX = mMouseY = -1;
  const int i = FindControlAt(x, y);
  if (i < 0) return;
  mCapturedIdx = i;
  mMouseX = x;
  mMouseY = y;
  IControl* control = mControls[static_cast<size_t>(i)];
  control->OnMouseDown(x, y, mod);
  const int param = control->ParamIdx();
  if (param >= 0 && mPlug) {
    mPlug->HostBeginEdit(param);
    mEditOpen = true;
  }
}

void IGraphics::OnMouseDrag(int x, int y, const IMouseState& mod) {
  if (mCapturedIdx < 0) return;
  const int dX = x - mMouseX, dY = y - mMouseY;
  if (dX == 0 && dY == 0) return;
  mMouseX = x;
  mMouseY = y;
  mControls[static_cast<size_t>(mCapturedIdx)]->OnMouseDrag(x, y, dX, dY, mod);
}

void IGraphics::OnMouseUp(int x, int y) {
  const int i = FindControlAt(x, y);
  // The end of an edit goes only with a begin: a release after a double click, or one that
  // arrives without a press on this control, would otherwise tell the host of an edit it never
  // saw begin.
  const bool endEdit = mEditOpen;
  mCapturedIdx = -1;
  mEditOpen = false;
  mMouseX = mMouseY = -1;
  if (i < 0) return;
  IControl* control = mControls[static_cast<size_t>(i)];
  control->OnMouseUp(x, y);
  if (endEdit && control->ParamIdx() >= 0 && mPlug) mPlug->HostEndEdit(control->ParamIdx());
}

bool IGraphics::OnMouseDoubleClick(int x, int y, const IMouseState& mod) {
  mCapturedIdx = -1;
  mEditOpen = false;
  mMouseX = mMouseY = -1;
  const int i = FindControlAt(x, y);
  if (i >= 0) mControls[static_cast<size_t>(i)]->OnMouseDoubleClick(x, y, mod);
  return false;
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseState& mod, int delta) {
  const int i = FindControlAt(x, y);
  if (i >= 0) mControls[static_cast<size_t>(i)]->OnMouseWheel(x, y, mod, delta);
}
