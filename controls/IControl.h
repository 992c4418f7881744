#pragma once

#include <atomic>

#include "graphics/IBlend.h"
#include "graphics/IMouseState.h"
#include "graphics/IRect.h"

class BraxBase;
class IGraphics;

/// One element of the editor: a rectangle, an optional binding to a plug-in parameter, a
/// normalised value in 0..1, redraw flags and handlers for drawing and the mouse.
///
/// Lifecycle: created on the heap by the plug-in's constructor → AttachControl hands it to the
/// graphics object, which owns it → AttachEditor pushes the bound parameter's value, which also
/// becomes the default (restored by a double click) → drawn and clicked while the editor is
/// open → deleted with the graphics object, or by its Resize.
///
/// Redraw: dirty means "draw in the next pass"; the value-changed latch keeps a control dirty
/// for one more pass after a change that came from outside the draw pass, so a change landing
/// between this control's Draw and SetClean is still shown.
///
/// Threads: SetValueFromPlugin runs on a host thread (the audio thread among them) with the
/// plug-in lock held; everything else on the editor thread without it. What both sides touch
/// is atomic (relaxed: each value stands alone, no ordering between them is relied on).
class IControl {
 public:
  // [constructor only] Target rectangle = rect; value 0; default value -1 (none yet).
  IControl(BraxBase* plug, const IRect& rect, int paramIdx = -1,
           IBlend blend = IBlend(IBlend::kBlendDefault, 1.0f));
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ===================================== virtual operations, in slot order ===================
  // [editor thread, or host thread when the graphics object is destroyed]
  virtual ~IControl();
  // [editor thread, no lock] Right button: OpenTextEntry; otherwise nothing.
  virtual void OnMouseDown(int x, int y, const IMouseState& mod);
  // [editor thread, no lock]
  virtual void OnMouseUp(int x, int y);
  // [editor thread, no lock] Only for the captured control, never with dX = dY = 0.
  virtual void OnMouseDrag(int x, int y, int dX, int dY, const IMouseState& mod);
  // [editor thread, no lock] Back to the default value, when there is one.
  virtual void OnMouseDoubleClick(int x, int y, const IMouseState& mod);
  // [editor thread, no lock] delta notches of 0.01, or 0.001 with Shift or Control.
  virtual void OnMouseWheel(int x, int y, const IMouseState& mod, int delta);
  // [editor thread, no lock: reads atomics only]
  virtual bool Draw(IGraphics* graphics) = 0;
  // [host or audio thread, plug-in lock held: stores atomics only] The first value also
  // becomes the default; an unchanged value marks nothing.
  virtual void SetValueFromPlugin(double value);
  // [editor thread, no lock]
  virtual void Hide(bool hide);
  // [editor thread, no lock] Greyed out: drawn at a quarter weight and never hit.
  virtual void GrayOut(bool gray);
  // [editor thread, no lock]
  virtual bool IsHit(int x, int y);
  // [any thread: atomics only; with pushParamToPlug the plug-in lock is taken by the base]
  // Clamps the value to 0..1 (NaN becomes 0), marks dirty and, when asked and bound, sends the
  // value to the plug-in base.
  virtual void SetDirty(bool pushParamToPlug = true);
  // [editor thread, no lock: atomics only] After each draw pass: dirty = latch, latch off.
  virtual void SetClean();
  // [editor thread, no lock: reads atomics only]
  virtual bool IsDirty();

  // ===================================== non-virtual =========================================
  // [editor thread, no lock] A typed or chosen value: sent to the plug-in when it differs.
  void SetValueFromTextEntry(double value);
  // [editor thread, no lock] Asks the graphics object for a text entry over this control.
  void OpenTextEntry();

  BraxBase* GetPlug() const { return mPlug; }
  const IRect& GetRECT() const { return mRECT; }
  const IRect& GetTargetRECT() const { return mTargetRECT; }
  // [constructor only]
  void SetTargetArea(const IRect& r) { mTargetRECT = r; }
  int ParamIdx() const { return mParamIdx; }
  double GetValue() const { return mValue.load(std::memory_order_relaxed); }
  // [editor thread] Sets the value without marking or sending anything (SetDirty does that).
  void SetValue(double value) { mValue.store(value, std::memory_order_relaxed); }
  double GetDefaultValue() const { return mDefaultValue.load(std::memory_order_relaxed); }
  bool IsHidden() const { return mHide.load(std::memory_order_relaxed); }
  bool IsGrayed() const { return mGrayed.load(std::memory_order_relaxed); }
  // [constructor only]
  void DisableTextEntry(bool disable) { mDisableTextEntry = disable; }
  bool IsTextEntryDisabled() const { return mDisableTextEntry; }
  const IBlend& GetBlend() const { return mBlend; }

 protected:
  BraxBase* mPlug;  // not owned
  IRect mRECT;
  IRect mTargetRECT;
  int mParamIdx;
  // Written by the host thread (SetValueFromPlugin) and the editor thread; read by both.
  std::atomic<double> mValue{0.0};
  // Written by the host thread (first SetValueFromPlugin); read by the editor thread.
  std::atomic<double> mDefaultValue{-1.0};
  const double mClampLo = 0.0, mClampHi = 1.0;
  // Set by both threads; read and cleared by the editor thread's draw pass.
  std::atomic<bool> mDirty{true};
  // Written and read by the editor thread; atomic because the draw pass reads it beside values
  // that host threads change.
  std::atomic<bool> mHide{false};
  // Written and read by the editor thread, as mHide.
  std::atomic<bool> mGrayed{false};
  // Set by the host thread (SetValueFromPlugin) and the editor thread; cleared by the draw
  // pass on the editor thread.
  std::atomic<bool> mValueChanged{false};
  bool mDisableTextEntry = false;
  IBlend mBlend;  // editor thread only

  static_assert(std::atomic<double>::is_always_lock_free, "control values are plain stores");
};
