#pragma once

#include <windows.h>

#include <array>
#include <atomic>

#include "graphics/IGraphicsRaster.h"

/// The editor as a Win32 child window inside the window the host gives: a redraw timer, mouse
/// messages turned into the model's dispatch, the drawing bitmap copied to the screen, a small
/// edit box or drop-down list over a control for typing or choosing a parameter value, GDI
/// text, and the colour, file and URL services controls may ask for.
///
/// Lifecycle: created by CreateGraphics in the plug-in's constructor → OpenWindow(parent) makes
/// the window (marking every control dirty; the first tick paints them) → CloseWindow, or the
/// window's close message, destroys it; opening while open re-creates it in place → any number
/// of further opens → destroyed with the plug-in, closing a window still open. A window that
/// the host destroys with its parent is forgotten as it goes, so the next open starts afresh.
///
/// The window class "BraxWndClass" is registered while at least one editor window of this
/// module exists; the count is module-wide.
///
/// Text entry states: 0 none, or open without the keyboard focus; 1 the entry has the focus
/// (the editor then neither paints nor reacts to the left button); 2 the editor was redrawn,
/// refresh the entry's text (a drop-down list's selection); 3 cancel; 4 commit. 2 to 4 take effect
/// on the next tick.
///
/// Mouse gestures: a press starts one, its release ends it; a press of the other button during
/// it is ignored together with its release, and a lost mouse capture ends it as a release at
/// the last position would, so every begin-edit the host receives is followed by one end-edit.
///
/// Threads: everything runs on the thread that owns the window (the host's user-interface
/// thread). Parameters are read under the plug-in lock; control values are atomics. Closing
/// from another thread hands the destruction to the window's own thread and waits for it,
/// unless that thread is inside the editor's code (perhaps waiting for the plug-in lock the
/// caller holds): it then closes the window itself on its way out. The destructor always
/// waits; a window thread that stops taking messages gets a window that no longer calls us.
class IGraphicsWin : public IGraphicsRaster {
 public:
  /// Timer identifier of the redraw tick.
  static constexpr UINT_PTR kTickTimer = 2;
  /// Child identifier of the text entry.
  static constexpr int kTextEntryId = 99;
  /// Name of the editor's window class.
  static constexpr const char* kWindowClass = "BraxWndClass";

  // [constructor only]
  IGraphicsWin(BraxBase* plug, int width, int height, int fps);
  // [host thread, plug-in lock released] Destroys a window still open, on its own thread.
  ~IGraphicsWin() override;

  // [editor thread] Copies r of the drawing bitmap to the window; true.
  bool BlitToScreen(const IRect& r) override;
  // [editor thread] Draws into the drawing bitmap with the font of the first call.
  bool DrawTextBox(const IText& text, const char* str, const IRect& r) override;
  // [editor thread] The core Resize, the drawing bitmap, the window and its child parents.
  void Resize(int width, int height) override;
  // [editor thread] An edit box or, for a parameter with display texts, a drop-down list.
  void CreateTextEntry(IControl* control, IParam* param) override;
  // [any thread] Directories with their trailing backslash; empty when unknown.
  void GetHostDirectory(std::string& dir) override;
  void GetPluginDirectory(std::string& dir) override;
  // [editor thread] Modal dialogs owned by the editor window.
  void PromptForFile(std::string& path, int action, const char* dir,
                     const char* extensions) override;
  bool PromptForColor(IColor& color, const char* caption) override;
  /// A local path opens whatever the network; an address with a scheme only while the
  /// system reports a connection.
  bool OpenURL(const char* url, const char* caption, const char* confirm,
               const char* errMsg) override;
  // [host's user-interface thread] The editor window inside parent (an HWND), or null; also
  // null while a window closed from another thread has not gone yet.
  void* OpenWindow(void* parent) override;
  // [any thread] The window is destroyed on the thread that made it.
  void CloseWindow() override;
  // [any thread]
  void* GetWindow() override { return mWindow.load(); }
  // [constructor only, also on its preload threads] The module's "PNG" resource id; name is
  // not used.
  RasterBitmap* LoadPlatformBitmap(int id, const char* name) override;

  /// [editor thread] The open text entry's window, or null.
  HWND TextEntryWindow() const { return mTextEntry; }
  /// [editor thread] The text entry state, 0 to 4.
  int TextEntryState() const { return mTextEntryState; }
  /// The text entry's states, as TextEntryState reports them.
  enum EntryState {
    kEntryIdle = 0,     // none, or open without the keyboard focus
    kEntryFocused = 1,  // the entry has the focus: the editor neither paints nor takes clicks
    kEntryRefresh = 2,  // the editor was redrawn: refresh the entry's text on the next tick
    kEntryCancel = 3,   // close it on the next tick
    kEntryCommit = 4,   // commit its text on the next tick
  };
  /// [editor thread] Milliseconds between ticks of the open window's timer; 0 while closed.
  UINT TickPeriod() const { return mWindow.load() ? mTickPeriod : 0; }
  /// [any thread] The module whose window class, windows and resources these are.
  HINSTANCE ModuleInstance() const { return mInstance; }

 protected:
  /// [editor thread] Whether the system reports a network connection.
  virtual bool NetworkConnected() const;

 private:
  static LRESULT CALLBACK EditorProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TextEntryProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // [window thread] The graphics object of one of our windows, counted as inside its
  // procedures, or null; *closeFirst: a close from another thread is due instead of this
  // message. Leaving the outermost procedure carries out a close requested meanwhile.
  static IGraphicsWin* EnterProcedure(HWND hWnd, bool* closeFirst);
  void LeaveProcedure();

  // [window thread] Messages, the gesture, the tick and the entry.
  LRESULT OnEditorMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnTextEntryMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnButtonDown(HWND hWnd, WPARAM button, int x, int y, WPARAM keys);
  LRESULT OnButtonUp(HWND hWnd, WPARAM button, int x, int y);
  void EndGesture();
  void Tick();
  void CommitTextEntry();
  void CloseTextEntry();
  void ForgetTextEntry();
  void CloseOnWindowThread();
  // [any other thread, the plug-in lock perhaps held] Hands the close to the window thread.
  void CloseFromOtherThread(HWND window);
  // [window thread, or another while the window thread is outside our procedures]
  void ForgetWindow();
  void Detach(HWND window);

  HINSTANCE mInstance = nullptr;  // this module's, not the host executable's
  // Written by the window thread (creation, closing), read by any thread.
  std::atomic<HWND> mWindow{nullptr};
  // Written by OpenWindow before the creation, read by CloseWindow on any thread.
  std::atomic<DWORD> mWindowThread{0};
  // Set by the destructor, read by the window thread: the plug-in is going, tell it nothing.
  std::atomic<bool> mDying{false};
  int mProcDepth = 0;            // window thread's nesting in our procedures; module handoff mutex
  bool mCloseRequested = false;  // by another thread; module handoff mutex
  HWND mParent = nullptr;        // last given to OpenWindow
  UINT mTickPeriod = 0;          // ms, set by the window's creation

  WPARAM mGestureButton = 0;         // MK_LBUTTON or MK_RBUTTON while a gesture runs, else 0
  WPARAM mIgnoredButtons = 0;        // buttons whose next release belongs to no gesture
  int mGestureX = 0, mGestureY = 0;  // last press or drag position of the gesture

  HWND mTextEntry = nullptr;
  IControl* mEntryControl = nullptr;
  IParam* mEntryParam = nullptr;
  WNDPROC mEntryPreviousProc = nullptr;
  HFONT mEntryFont = nullptr;  // the entry's, deleted with it
  bool mEntryIsList = false;   // a drop-down list, refreshed by selection, not by its text
  int mTextEntryState = 0;

  std::array<COLORREF, 16> mCustomColors{};  // the colour dialog's, kept between calls
  bool mFontMade = false;                    // set by the first DrawTextBox
  HFONT mFont = nullptr;                     // made by the first DrawTextBox
  HGDIOBJ mPreviousFont = nullptr;           // selected in the drawing bitmap's DC before
  IColor mTextColor;                         // last text colour set
};
