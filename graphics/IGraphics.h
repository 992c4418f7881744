#pragma once

#include <string>
#include <vector>

#include "core/IEditor.h"
#include "graphics/IBitmap.h"
#include "graphics/IBlend.h"
#include "graphics/IColor.h"
#include "graphics/IMouseState.h"
#include "graphics/IRect.h"
#include "graphics/IText.h"
#include "raster/Pixel32.h"

class BraxBase;
class IControl;
class IParam;
class RasterBitmap;

/// The editor's model: the ordered control list, value propagation from the plug-in to the
/// controls, dirty collection, the draw pass and mouse dispatch. It knows no pixels and no
/// windows: IGraphicsRaster implements the drawing operations, a platform host the window.
///
/// Lifecycle: created by the plug-in's constructor (CreateGraphics) → controls attached (a
/// full-size background first: index 0 is drawn first and hit last) → handed to the plug-in
/// base with AttachEditor, which pushes every parameter value and calls CreateDrawSurface, and
/// owns the object from then on → windows opened and closed any number of times → deleted with
/// the plug-in, which deletes the controls, last attached first.
///
/// Threads: host threads (the audio thread among them) call SetParameterFromPlugin and
/// SetControlFromPlugin with the plug-in lock held; the editor thread runs the draw pass, the
/// dirty collection and the mouse dispatch without it. What crosses between them lives in the
/// controls as atomics. The control list itself is built before the window opens and changes
/// only in Resize. The object takes no lock of its own.
class IGraphics : public IEditor {
 public:
  // [constructor only] A frame rate of 0 or less becomes 24.
  IGraphics(BraxBase* plug, int width, int height, int fps);
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  BraxBase* GetPlug() const { return mPlug; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }

  // ===================================== controls ============================================
  // [constructor only] Appends the control, taking ownership; returns its index.
  int AttachControl(IControl* control);
  // [any thread] The control at index, or null outside the list.
  IControl* GetControl(int index) const;
  int NControls() const { return static_cast<int>(mControls.size()); }

  // ===================================== values from the plug-in =============================
  // [any thread, plug-in lock held] Every control bound to the parameter, in list order,
  // receives its normalised value; a value in the parameter's own units is converted first.
  void SetParameterFromPlugin(int paramIdx, double value, bool normalized);
  // [audio or host thread, plug-in lock held: stores atomics only] One control by index; an
  // index outside the list does nothing.
  void SetControlFromPlugin(int controlIdx, double normalizedValue);

  // ===================================== redraw ==============================================
  // [editor thread, no lock: writes atomics only] Marks every control for drawing.
  void SetAllControlsDirty();
  // [editor thread, no lock: reads atomics only] Grows rect (pass an empty one) by every dirty
  // control's rectangle, hidden ones included; true when any was dirty.
  bool IsDirty(IRect& rect);
  // [editor thread, no lock: reads atomics only] The draw pass: draws the visible controls
  // that meet r, cleans every control, then BlitToScreen(r).
  bool Draw(const IRect& r);
  // [editor thread, no lock] Draws frame number frame (1-based) of a vertical film strip.
  bool DrawBitmapFrame(const IBitmap& bitmap, const IRect& dest, int frame, const IBlend* blend);
  // [editor thread] The rectangle of the current draw pass (empty before the first).
  const IRect& DrawRect() const { return mDrawRect; }

  // ===================================== mouse ===============================================
  // [editor thread] The control that events at (x, y) go to: the captured one while a button
  // is held, otherwise the topmost visible, active control hit; -1 for none.
  int FindControlAt(int x, int y) const;
  // [editor thread, no lock; the control's changes take the plug-in lock themselves]
  void OnMouseDown(int x, int y, const IMouseState& mod);
  void OnMouseUp(int x, int y);
  void OnMouseDrag(int x, int y, const IMouseState& mod);
  bool OnMouseDoubleClick(int x, int y, const IMouseState& mod);
  void OnMouseWheel(int x, int y, const IMouseState& mod, int delta);

  // ===================================== virtual operations, in slot order ===================
  // [constructor only, plug-in lock held] Creates the drawing bitmap of Width() x Height().
  virtual void CreateDrawSurface() = 0;
  // [editor thread] Copies r of the drawing bitmap to the window.
  virtual bool BlitToScreen(const IRect& r) = 0;
  // [editor thread] Draws bitmap into dest from (srcX, srcY), clipped to the draw rectangle.
  virtual bool DrawBitmap(const IBitmap& bitmap, const IRect& dest, int srcX, int srcY,
                          const IBlend* blend) = 0;
  // [editor thread] The whole bitmap rotated by angle radians about (cx, cy + yOffset).
  virtual bool DrawRotatedBitmap(const IBitmap& bitmap, int cx, int cy, double angle, int yOffset,
                                 const IBlend* blend) = 0;
  // [editor thread] base, then mask added and top mixed, both rotated by angle degrees, at
  // (x, y).
  virtual bool DrawMaskedRotation(const IBitmap& base, const IBitmap& mask, const IBitmap& top,
                                  int x, int y, double angle, const IBlend* blend) = 0;
  // [editor thread]
  virtual bool DrawPoint(const IColor& color, float x, float y, const IBlend* blend) = 0;
  // [editor thread] Stores the pixel without blending.
  virtual bool SetPixelDirect(const IColor& color, int x, int y) = 0;
  // [editor thread]
  virtual bool DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                        const IBlend* blend, bool antiAlias) = 0;
  // [editor thread] Angles in radians, 0 pointing up, clockwise.
  virtual bool DrawArc(const IColor& color, float cx, float cy, float r, float minAngle,
                       float maxAngle, const IBlend* blend, bool antiAlias) = 0;
  // [editor thread]
  virtual bool DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend,
                          bool antiAlias) = 0;
  // [editor thread]
  virtual bool FillRect(const IColor& color, const IRect& r, const IBlend* blend) = 0;
  // [editor thread] True when the text was drawn.
  virtual bool DrawTextBox(const IText& text, const char* str, const IRect& r) = 0;
  // [editor thread] A pixel of the drawing bitmap.
  virtual IColor GetPoint(int x, int y) = 0;
  // [editor thread] The drawing bitmap's pixels (row stride = Width()), or null.
  virtual Pixel32* GetDrawBits() = 0;
  // [editor thread] New editor size: deletes every control and tells the plug-in base, which
  // must attach its controls again.
  virtual void Resize(int width, int height);
  // [editor thread] Default: GetWindow() is not null.
  virtual bool WindowIsOpen();
  // [editor thread] Opens a box for typing or choosing param's value over control.
  virtual void CreateTextEntry(IControl* control, IParam* param) = 0;
  // [any thread] Directory of the host executable, with its trailing separator; empty when
  // unknown.
  virtual void GetHostDirectory(std::string& dir) = 0;
  // [any thread] Directory of the plug-in module, with its trailing separator; empty when
  // unknown.
  virtual void GetPluginDirectory(std::string& dir) = 0;
  // [editor thread] action 1 saves, anything else opens; path empty when cancelled.
  virtual void PromptForFile(std::string& path, int action, const char* dir,
                             const char* extensions) = 0;
  // [editor thread] False when cancelled (colour unchanged).
  virtual bool PromptForColor(IColor& color, const char* caption) = 0;
  // [editor thread] Asks first when confirm is given; shows errMsg when opening failed.
  virtual bool OpenURL(const char* url, const char* caption, const char* confirm,
                       const char* errMsg) = 0;
  // [host thread, plug-in lock held] The editor window inside parent, or null.
  virtual void* OpenWindow(void* parent) = 0;
  // [host thread, plug-in lock held]
  virtual void CloseWindow() = 0;
  // [any thread] The editor window, or null while closed.
  virtual void* GetWindow() = 0;
  // [host thread, plug-in lock released] Deletes every control, last attached first.
  virtual ~IGraphics();
  // [constructor only] From the module-wide store; see IGraphicsRaster.
  virtual IBitmap LoadBitmapResource(int id, const char* name, int nFrames) = 0;
  virtual IBitmap ScaleBitmap(const IBitmap& bitmap, int width, int height) = 0;
  virtual IBitmap CropBitmap(const IBitmap& bitmap, const IRect& r) = 0;
  // [constructor only] Inserts a full-image IBitmapControl (opaque, bound to nothing) at index
  // 0, moving every control attached so far up by one.
  virtual void AttachBackground(int id, const char* name);
  // [editor thread] Default: an opaque DrawLine without anti-aliasing.
  virtual bool DrawVerticalLine(const IColor& color, int x, int y1, int y2);
  virtual bool DrawHorizontalLine(const IColor& color, int y, int x1, int x2);
  // [any thread] Adds to / removes from the store's live-bitmap list.
  virtual void RegisterBitmap(const IBitmap& bitmap) = 0;
  virtual void ReleaseBitmap(const IBitmap& bitmap) = 0;
  // [constructor only, also on the preload threads of PreloadBitmapResources] Decodes an image
  // resource; null when there is none. Must not touch state shared with the caller.
  virtual RasterBitmap* LoadPlatformBitmap(int id, const char* name) = 0;
  // [host's user-interface thread, no lock] The host's idle call: a host whose window has no
  // timer of its own takes its events and redraws here. Default: nothing.
  virtual void Idle() {}
  // [host's user-interface thread, no lock] A key the host forwards (VST 2's VKEY_ codes);
  // true when taken. Default: not taken.
  virtual bool OnHostKey(int character, int virtualKey, bool down);

  // ===================================== the plug-in's view of its editor ====================
  // What the plug-in layer calls through IEditor, in this object's own terms.
  IGraphics* Graphics() final { return this; }
  void PrepareDrawing() final { CreateDrawSurface(); }
  void ShowParameter(int paramIdx, double value, bool normalized) final {
    SetParameterFromPlugin(paramIdx, value, normalized);
  }
  int EditorWidth() const final { return Width(); }
  int EditorHeight() const final { return Height(); }
  void* OpenEditorWindow(void* parent) final { return OpenWindow(parent); }
  void CloseEditorWindow() final { CloseWindow(); }
  void IdleEditor() final { Idle(); }
  bool EditorKey(int character, int virtualKey, bool down) final {
    return OnHostKey(character, virtualKey, down);
  }

 private:
  BraxBase* mPlug;  // not owned
  int mWidth;
  int mHeight;
  int mFPS;
  std::vector<IControl*> mControls;  // owned; index = position
  IRect mDrawRect;                   // rectangle of the current draw pass
  int mCapturedIdx = -1;             // control that got the last press, or -1
  bool mEditOpen = false;            // a begin-edit was sent for the captured control
  int mMouseX = 0, mMouseY = 0;      // last press or drag position; -1 / -1 for none
};
