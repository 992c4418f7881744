#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "graphics/offscreen/IGraphicsOffscreen.h"

// Xlib's types by their tags: its header's macros (None, Bool, Status...) stay out of ours.
struct _XDisplay;
struct _XGC;
struct _XImage;
union _XEvent;

/// The editor as an X11 child window inside the window the host gives (its XID). The host's
/// idle calls drive everything: each one takes the window's pending events (exposure, mouse,
/// structure) and runs the redraw tick when it is due. No thread is started. Pixels go to the
/// window with XPutImage straight from the drawing bitmap, whose words are a 32-bit ZPixmap's.
///
/// Without a display (no DISPLAY, a headless render) OpenWindow answers null and the editor
/// stays what the off-screen host is; bitmaps, directories and the manual link are its too.
///
/// Lifecycle: created by CreateGraphics in the plug-in's constructor → OpenWindow(parent) makes
/// the window at (0, 0) with every control dirty; opening while open closes the first window →
/// CloseWindow destroys it; a window that the host destroys with its parent is forgotten when
/// its destruction (or an error about it) arrives, so the next open starts afresh → destroyed
/// with the plug-in, closing a window still open. Each open window holds the module's shared
/// display connection (X11Connection), which closes with the last one.
///
/// Mouse gestures: a press starts one and its release ends it; a press of another button
/// during it is ignored with its release, and a grab taken by another client or the window
/// going away ends it as a release at the last position would, so every begin-edit the host
/// receives is followed by one end-edit.
///
/// Text entry, for hosts that forward no keys as well as those that do: a right click on a
/// control opens, over it, a list of its parameter's display texts (chosen with the mouse, or
/// Up, Down and Enter) or a small field with the current display text, selected, that takes
/// digits, '.', '-' and Backspace from X (the field takes the input focus) or from the host's
/// effEditKeyDown. Enter, or a click outside the field after typing, commits; Escape, a right
/// click, or a click outside without typing cancels. Both take effect on the next tick, which
/// hands the value to the control with SetValueFromTextEntry. Drawn into the drawing bitmap
/// above the panel in the panel's colours and PixelFont.
///
/// Threads: OpenWindow, CloseWindow and Idle run on the host's user-interface thread, the one
/// that opened the editor; control values are atomics, parameters change through the
/// controls, which take the plug-in lock themselves.
class IGraphicsX11 : public IGraphicsOffscreen {
 public:
  /// Presses closer than this in time and space make a double click.
  static constexpr long kDoubleClickMs = 400;
  static constexpr int kDoubleClickSlop = 4;

  // [constructor only]
  IGraphicsX11(BraxBase* plug, int width, int height, int fps);
  // [host thread, plug-in lock released] Closes a window still open.
  ~IGraphicsX11() override;

  // [editor thread] Copies r of the drawing bitmap to the window; true.
  bool BlitToScreen(const IRect& r) override;
  // [host's user-interface thread] A child window of parent (an XID), or null when there is no
  // parent, no display or no 24-bit true-colour visual.
  void* OpenWindow(void* parent) override;
  // [host's user-interface thread] Destroys the window, if open, and flushes.
  void CloseWindow() override;
  // [any thread] The window's XID as a pointer, or null while closed.
  void* GetWindow() override;
  // [host's user-interface thread, no lock] Takes the window's events, then ticks when due.
  void Idle() override;
  // [editor thread] A list or a field over control; nothing while one is open or no window.
  void CreateTextEntry(IControl* control, IParam* param) override;
  // [host's user-interface thread, no lock] A key the host forwards: true when the open entry
  // took it (key-ups included), false when no entry is open.
  bool OnHostKey(int character, int virtualKey, bool down) override;

  /// Geometry of the entry: a field of kFieldWidth x kFieldHeight centred on the control; a
  /// list of rows kListRowHeight high, as wide as its longest text plus 2 * kListPadding,
  /// centred on the control horizontally with its top at the control's centre. Both are
  /// moved inside the editor where they would stick out.
  static constexpr int kFieldWidth = 40, kFieldHeight = 14;
  static constexpr int kListRowHeight = 14, kListPadding = 4;
  /// The entry's states, as TextEntryState reports them.
  enum EntryState {
    kEntryNone = 0,    // no entry
    kEntryOpen = 1,    // open, taking keys and clicks
    kEntryCancel = 3,  // close it on the next tick
    kEntryCommit = 4,  // commit it on the next tick
  };
  /// [editor thread]
  int TextEntryState() const { return mEntryState; }
  /// [editor thread] The field's text, or the chosen row's; empty without an entry.
  std::string TextEntryText() const;
  /// [editor thread] Where the entry is drawn; empty without one.
  IRect TextEntryRect() const { return mEntryState != kEntryNone ? mEntryRect : IRect(); }

  /// An X resource id (Window, Colormap) and an X server time, as Xlib defines them.
  using XId = unsigned long;
  using XTime = unsigned long;

  /// [any thread] The window's XID, 0 while closed.
  XId WindowId() const { return mWindowId.load(); }
  /// [any thread] Redraw ticks run since the editor was made.
  int TickCount() const { return mTicks.load(); }
  /// [editor thread] Milliseconds between ticks: trunc(1000 / FPS()).
  int TickPeriodMs() const { return 1000 / FPS(); }
  /// [host's user-interface thread] Returns once the server has carried out every request of
  /// the window sent so far (a measurement's end); nothing while closed.
  void SyncWithServer();

 private:
  using Clock = std::chrono::steady_clock;

  void HandleEvent(const _XEvent& event);
  void OnButtonPress(unsigned button, int x, int y, unsigned state, XTime time);
  void OnButtonRelease(unsigned button, int x, int y);
  void EndGesture();
  void Tick();
  // The window is gone or going: what we knew of it goes, and its hold on the connection.
  void ForgetWindow();
  // The entry's keys, from X or from the host, in one form.
  enum EntryKey { kKeyChar, kKeyEnter, kKeyEscape, kKeyBackspace, kKeyUp, kKeyDown };
  bool OnEntryKey(EntryKey key, char c);
  // True when the press was the entry's (it then also takes the release).
  bool OnEntryPress(unsigned button, int x, int y);
  void PaintEntry();
  void ShowEntry();
  void RefreshEntry();
  void CommitTextEntry();
  void CloseTextEntry();
  void ForgetTextEntry();

  _XDisplay* mDisplay = nullptr;  // the shared connection while a window is open
  std::atomic<XId> mWindowId{0};
  XId mColormap = 0;
  _XGC* mGC = nullptr;
  _XImage* mImage = nullptr;  // describes the drawing bitmap; its data is not ours
  bool mDying = false;        // the plug-in is being destroyed: tell it nothing more

  Clock::time_point mNextTick{};  // when the next tick is due
  bool mTickScheduled = false;    // false until the first idle of a window
  std::atomic<int> mTicks{0};
  IRect mExposed;  // exposure collected until the last event of a series

  unsigned mGestureButton = 0;       // 1 or 3 while a gesture runs, else 0
  unsigned mIgnoredButtons = 0;      // bit per button whose next release belongs to no gesture
  int mGestureX = 0, mGestureY = 0;  // last press or drag position of the gesture
  XTime mLastPressTime = 0;          // of the last left press that could start a double click
  int mLastPressX = 0, mLastPressY = 0;
  bool mLastPressValid = false;

  int mEntryState = kEntryNone;
  IControl* mEntryControl = nullptr;
  IParam* mEntryParam = nullptr;
  IRect mEntryRect;
  std::vector<std::string> mEntryChoices;  // a list's texts; empty for a field
  int mEntryChoice = -1;                   // the list's highlighted row
  std::string mEntryText;                  // the field's text
  bool mEntrySelected = false;             // the field's text is selected: typing replaces it
  bool mEntryTyped = false;                // the field's text was changed
  XId mFocusBefore = 0;                    // the window that had the input focus
};
