// The editor window on X11: creation and destruction in the host's parent, the events taken
// on the host's idle calls, the redraw tick and the copy of the drawing bitmap to the window.
#include "graphics/x11/IGraphicsX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>

#include "controls/IControl.h"
#include "core/BraxBase.h"
#include "core/IParam.h"
#include "graphics/CreateGraphics.h"
#include "graphics/win32/DecimalText.h"
#include "graphics/x11/X11Connection.h"
#include "platform/LockGuard.h"
#include "raster/PixelFont.h"

namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask |
                            LeaveWindowMask;

// Wheel buttons as X numbers them.
constexpr unsigned kWheelUp = 4, kWheelDown = 5;

// The host's virtual key numbers (VST 2's VKEY_ codes) that the entry knows.
constexpr int kVirtualBack = 1, kVirtualReturn = 4, kVirtualEscape = 6, kVirtualUp = 12,
              kVirtualDown = 14, kVirtualEnter = 19, kVirtualNumpad0 = 24, kVirtualNumpad9 = 33,
              kVirtualSubtract = 37, kVirtualDecimal = 38;

// The entry in the panel's colours: dark grey face, light grey rule and text, the orange of
// the panel's buttons for the chosen row and the selected text.
const IColor kEntryFace(255, 34, 34, 36);
const IColor kEntryRule(255, 150, 150, 150);
const IColor kEntryInk(255, 232, 232, 232);
const IColor kEntryMark(255, 214, 84, 40);
const IColor kEntryMarkInk(255, 255, 255, 255);

bool IsFieldChar(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// r moved, not shrunk, to lie inside w x h where it fits.
IRect MovedInside(IRect r, int w, int h) {
  const int dx = r.R > w ? w - r.R : 0, dy = r.B > h ? h - r.B : 0;
  r = IRect(r.L + dx, r.T + dy, r.R + dx, r.B + dy);
  const int ex = r.L < 0 ? -r.L : 0, ey = r.T < 0 ? -r.T : 0;
  return IRect(r.L + ex, r.T + ey, r.R + ex, r.B + ey);
}

unsigned ButtonBit(unsigned button) {
  return button < 32 ? 1u << button : 0u;
}

IMouseState MouseState(unsigned state, unsigned pressed) {
  const bool left = (state & Button1Mask) || pressed == Button1;
  const bool right = (state & Button3Mask) || pressed == Button3;
  return IMouseState(left, right, (state & ShiftMask) != 0, (state & ControlMask) != 0,
                     (state & Mod1Mask) != 0);
}

Bool IsForWindow(Display*, XEvent* event, XPointer window) {
  return event->xany.window == *reinterpret_cast<Window*>(window);
}

// Whether the visual's pixels are the drawing bitmap's words: 8 bits each of red, green and
// blue at 16, 8 and 0, in 32-bit pixels.
bool TakesOurPixels(Display* display, const XVisualInfo& info) {
  if (info.red_mask != 0xFF0000 || info.green_mask != 0xFF00 || info.blue_mask != 0xFF) {
    return false;
  }
  int n = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &n);
  bool found = false;
  for (int i = 0; i < n; ++i) {
    if (formats[i].depth == info.depth && formats[i].bits_per_pixel == 32) found = true;
  }
  if (formats) XFree(formats);
  return found;
}

}  // namespace

IGraphicsRaster* CreateGraphics(BraxBase* plug, int width, int height, int fps) {
  return new IGraphicsX11(plug, width, height, fps);
}

IGraphicsX11::IGraphicsX11(BraxBase* plug, int width, int height, int fps)
    : IGraphicsOffscreen(plug, width, height, fps) {}

IGraphicsX11::~IGraphicsX11() {
  mDying = true;
  CloseWindow();
}

// ============================================================================= window ===

void* IGraphicsX11::OpenWindow(void* parent) {
  // Held before the first window goes, so replacing it keeps the connection open.
  Display* display = X11Connection::Acquire();
  // One editor, one window: a second open without a close replaces the first.
  CloseWindow();
  const Window parentId = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
  if (!display) return nullptr;
  if (!parentId || !GetDrawBits()) {
    X11Connection::Release();
    return nullptr;
  }

  XVisualInfo info{};
  const int screen = DefaultScreen(display);
  const bool visual = (XMatchVisualInfo(display, screen, 24, TrueColor, &info) ||
                       XMatchVisualInfo(display, screen, 32, TrueColor, &info)) &&
                      TakesOurPixels(display, info);
  if (!visual) {
    X11Connection::Release();
    return nullptr;
  }

  // The visual may differ from the parent's: then the window needs its own colour map and
  // border. No background: every pixel is ours, and the server clearing it would flicker.
  XSetWindowAttributes attributes{};
  mColormap = XCreateColormap(display, parentId, info.visual, AllocNone);
  attributes.colormap = mColormap;
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;
  attributes.event_mask = kEventMask;
  const Window window =
      XCreateWindow(display, parentId, 0, 0, static_cast<unsigned>(Width()),
                    static_cast<unsigned>(Height()), 0, info.depth, InputOutput, info.visual,
                    CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
  // A parent that does not exist fails asynchronously: ask now, while nothing depends on it.
  XSync(display, False);
  if (!window || X11Connection::TakeWindowError(parentId) ||
      X11Connection::TakeWindowError(window)) {
    if (window) XDestroyWindow(display, window);
    XFreeColormap(display, mColormap);
    mColormap = 0;
    X11Connection::Release();
    return nullptr;
  }

  mDisplay = display;
  mGC = XCreateGC(display, window, 0, nullptr);
  // The drawing bitmap's words, least significant byte first: a 32-bit ZPixmap of the visual.
  mImage = XCreateImage(display, info.visual, static_cast<unsigned>(info.depth), ZPixmap, 0,
                        reinterpret_cast<char*>(GetDrawBits()), static_cast<unsigned>(Width()),
                        static_cast<unsigned>(Height()), 32, Width() * 4);
  if (mImage) {
    mImage->byte_order = LSBFirst;
    mImage->bitmap_bit_order = LSBFirst;
  }
  mWindowId.store(window);
  mTickScheduled = false;
  mExposed = IRect();
  mGestureButton = mIgnoredButtons = 0;
  mLastPressValid = false;
  XStoreName(display, window, "Brax");
  SetAllControlsDirty();
  XMapWindow(display, window);
  XFlush(display);
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window));
}

void IGraphicsX11::CloseWindow() {
  const Window window = mWindowId.load();
  if (!window) return;
  EndGesture();
  ForgetTextEntry();
  // A window already gone with its parent answers with an error, which the handler ignores.
  XDestroyWindow(mDisplay, window);
  ForgetWindow();
}

void IGraphicsX11::ForgetWindow() {
  const Window window = mWindowId.load();
  if (!window) return;
  EndGesture();
  ForgetTextEntry();
  mWindowId.store(0);
  if (mImage) {
    mImage->data = nullptr;  // the drawing bitmap's, not the image's to free
    XDestroyImage(mImage);
    mImage = nullptr;
  }
  if (mGC) XFreeGC(mDisplay, mGC);
  mGC = nullptr;
  if (mColormap) XFreeColormap(mDisplay, mColormap);
  mColormap = 0;
  // Events still queued for it would reach nobody, or another editor's window of the same id.
  XSync(mDisplay, False);
  Window id = window;
  XEvent event;
  while (XCheckIfEvent(mDisplay, &event, IsForWindow, reinterpret_cast<XPointer>(&id))) {
  }
  X11Connection::TakeWindowError(window);
  mDisplay = nullptr;
  X11Connection::Release();
}

void* IGraphicsX11::GetWindow() {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(mWindowId.load()));
}

bool IGraphicsX11::BlitToScreen(const IRect& r) {
  const Window window = mWindowId.load();
  if (!window || !mImage) return true;
  IRect wanted = r;
  if (mEntryState != kEntryNone && r.Intersects(mEntryRect)) {
    // The pass drew the panel over the entry: the entry goes back on top.
    PaintEntry();
    wanted = r.Union(mEntryRect);
  }
  // The image describes the drawing bitmap as the window was opened with; a later Resize of
  // the model does not grow what may be read from it.
  const IRect clipped = wanted.Intersect(
      IRect(0, 0, std::min(Width(), mImage->width), std::min(Height(), mImage->height)));
  if (clipped.W() <= 0 || clipped.H() <= 0) return true;
  XPutImage(mDisplay, window, mGC, mImage, clipped.L, clipped.T, clipped.L, clipped.T,
            static_cast<unsigned>(clipped.W()), static_cast<unsigned>(clipped.H()));
  XFlush(mDisplay);
  return true;
}

void IGraphicsX11::SyncWithServer() {
  if (mWindowId.load()) XSync(mDisplay, False);
}

// ============================================================================= events ===

void IGraphicsX11::Idle() {
  Window window = mWindowId.load();
  if (!window) return;
  XEvent event;
  while (mWindowId.load() == window &&
         XCheckIfEvent(mDisplay, &event, IsForWindow, reinterpret_cast<XPointer>(&window))) {
    HandleEvent(event);
  }
  if (mWindowId.load() != window) return;
  if (X11Connection::TakeWindowError(window)) {
    // Destroyed behind our back, and its destruction not seen yet.
    ForgetWindow();
    return;
  }
  // Ticks keep to a schedule of the frame period, so a host idling a little faster than the
  // frame rate still gets it; a host idling slower gets one tick per idle, never more.
  const Clock::time_point now = Clock::now();
  const Clock::duration period = std::chrono::milliseconds(TickPeriodMs());
  if (!mTickScheduled || now >= mNextTick) {
    mNextTick = (!mTickScheduled || now - mNextTick >= period) ? now + period : mNextTick + period;
    mTickScheduled = true;
    Tick();
  }
}

void IGraphicsX11::HandleEvent(const XEvent& event) {
  switch (event.type) {
    case Expose: {
      const XExposeEvent& e = event.xexpose;
      mExposed = mExposed.Union(IRect(e.x, e.y, e.x + e.width, e.y + e.height));
      if (e.count == 0) {
        const IRect r = mExposed;
        mExposed = IRect();
        Draw(r);
      }
      break;
    }
    case ButtonPress: {
      const XButtonEvent& e = event.xbutton;
      if (!mGestureButton && OnEntryPress(e.button, e.x, e.y)) {
        mIgnoredButtons |= ButtonBit(e.button);
        break;
      }
      OnButtonPress(e.button, e.x, e.y, e.state, e.time);
      break;
    }
    case KeyPress: {
      if (mEntryState != kEntryOpen) break;
      char text[8] = {};
      KeySym sym = 0;
      XKeyEvent key = event.xkey;
      const int n = XLookupString(&key, text, sizeof text, &sym, nullptr);
      if (sym == XK_Return || sym == XK_KP_Enter) {
        OnEntryKey(kKeyEnter, 0);
      } else if (sym == XK_Escape) {
        OnEntryKey(kKeyEscape, 0);
      } else if (sym == XK_BackSpace) {
        OnEntryKey(kKeyBackspace, 0);
      } else if (sym == XK_Up || sym == XK_KP_Up) {
        OnEntryKey(kKeyUp, 0);
      } else if (sym == XK_Down || sym == XK_KP_Down) {
        OnEntryKey(kKeyDown, 0);
      } else if (n == 1) {
        OnEntryKey(kKeyChar, text[0]);
      }
      break;
    }
    case ButtonRelease:
      OnButtonRelease(event.xbutton.button, event.xbutton.x, event.xbutton.y);
      break;
    case MotionNotify: {
      const XMotionEvent& e = event.xmotion;
      if (mGestureButton && (e.state & (Button1Mask | Button3Mask))) {
        mGestureX = e.x;
        mGestureY = e.y;
        OnMouseDrag(e.x, e.y, MouseState(e.state, 0));
      }
      break;
    }
    case LeaveNotify:
      // Another client grabbed the pointer: the release will not come here.
      if (event.xcrossing.mode == NotifyGrab && mGestureButton) {
        mIgnoredButtons |= ButtonBit(mGestureButton);
        EndGesture();
      }
      break;
    case UnmapNotify:
      EndGesture();
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == mWindowId.load()) ForgetWindow();
      break;
    default:
      break;
  }
}

void IGraphicsX11::OnButtonPress(unsigned button, int x, int y, unsigned state, XTime time) {
  if (button == kWheelUp || button == kWheelDown) {
    OnMouseWheel(x, y, MouseState(state, 0), button == kWheelUp ? 1 : -1);
    return;
  }
  if (button != Button1 && button != Button3) return;
  // One gesture at a time: the model's press would forget a running one without its end-edit.
  if (mGestureButton) {
    mIgnoredButtons |= ButtonBit(button);
    return;
  }
  mIgnoredButtons &= ~ButtonBit(button);
  if (button == Button1) {
    // Server times wrap around; the difference in unsigned arithmetic does not mind.
    const bool close =
        mLastPressValid &&
        static_cast<XTime>(time - mLastPressTime) <= static_cast<XTime>(kDoubleClickMs) &&
        std::abs(x - mLastPressX) <= kDoubleClickSlop &&
        std::abs(y - mLastPressY) <= kDoubleClickSlop;
    if (close) {
      // The release that follows reaches the model as after a double click on Windows: it
      // ends no edit, as none began.
      mLastPressValid = false;
      OnMouseDoubleClick(x, y, MouseState(state, button));
      return;
    }
    mLastPressValid = true;
    mLastPressTime = time;
    mLastPressX = x;
    mLastPressY = y;
  } else {
    mLastPressValid = false;
  }
  mGestureButton = button;
  mGestureX = x;
  mGestureY = y;
  OnMouseDown(x, y, MouseState(state, button));
}

void IGraphicsX11::OnButtonRelease(unsigned button, int x, int y) {
  if (button != Button1 && button != Button3) return;
  if (mIgnoredButtons & ButtonBit(button)) {
    mIgnoredButtons &= ~ButtonBit(button);
    return;
  }
  if (mGestureButton && mGestureButton != button) return;
  mGestureButton = 0;
  OnMouseUp(x, y);
}

// A gesture cut short ends as its release would, where the mouse last was.
void IGraphicsX11::EndGesture() {
  if (!mGestureButton) return;
  mGestureButton = 0;
  if (!mDying) OnMouseUp(mGestureX, mGestureY);
}

void IGraphicsX11::Tick() {
  mTicks.fetch_add(1);
  if (mEntryState == kEntryCommit) {
    CommitTextEntry();
    return;
  }
  if (mEntryState == kEntryCancel) {
    CloseTextEntry();
    return;
  }
  IRect dirty;
  if (IsDirty(dirty)) {
    Draw(dirty);
    // A value changed while the entry is open: it shows the new one, unless typed over.
    if (mEntryState == kEntryOpen) RefreshEntry();
  }
}

// ========================================================================= text entry ===

void IGraphicsX11::CreateTextEntry(IControl* control, IParam* param) {
  const Window window = mWindowId.load();
  if (!control || !param || !window || mEntryState != kEntryNone || !GetPlug()) return;
  char current[IParam::kTextSize] = {};
  std::vector<std::string> choices;
  {
    LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
    param->FormatDisplay(current);
    for (int i = 0; i < param->CountValueTexts(); ++i) choices.emplace_back(param->GetValueText(i));
  }
  const IRect& c = control->GetRECT();
  const int cx = (c.L + c.R) / 2, cy = (c.T + c.B) / 2;
  IRect r;
  if (!choices.empty()) {
    int w = 0;
    for (const std::string& text : choices) w = std::max(w, PixelFont::Width(text.c_str(), 1));
    w += 2 * kListPadding;
    const int h = kListRowHeight * static_cast<int>(choices.size());
    r = IRect(cx - w / 2, cy, cx - w / 2 + w, cy + h);
  } else {
    r = IRect(cx - kFieldWidth / 2, cy - kFieldHeight / 2, cx - kFieldWidth / 2 + kFieldWidth,
              cy - kFieldHeight / 2 + kFieldHeight);
  }
  mEntryRect = MovedInside(r, Width(), Height());
  mEntryControl = control;
  mEntryParam = param;
  mEntryChoices = std::move(choices);
  mEntryText = current;
  mEntryChoice = -1;
  for (size_t i = 0; i < mEntryChoices.size(); ++i) {
    if (mEntryChoices[i] == mEntryText) mEntryChoice = static_cast<int>(i);
  }
  mEntrySelected = true;
  mEntryTyped = false;
  mEntryState = kEntryOpen;
  // Keys from X come to the window with the focus: ours while the entry is open.
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(mDisplay, &focus, &revert);
  mFocusBefore = focus == window ? 0 : focus;
  XSetInputFocus(mDisplay, window, RevertToParent, CurrentTime);
  ShowEntry();
}

std::string IGraphicsX11::TextEntryText() const {
  if (mEntryState == kEntryNone) return std::string();
  if (mEntryChoices.empty()) return mEntryText;
  return mEntryChoice >= 0 ? mEntryChoices[static_cast<size_t>(mEntryChoice)] : std::string();
}

void IGraphicsX11::PaintEntry() {
  const IBlend opaque(IBlend::kBlendOpaque, 1.0f);
  const IRect& r = mEntryRect;
  FillRect(kEntryRule, r, &opaque);
  FillRect(kEntryFace, IRect(r.L + 1, r.T + 1, r.R - 1, r.B - 1), &opaque);
  IText text;
  text.size = PixelFont::kGlyphHeight;
  text.color = kEntryInk;
  if (mEntryChoices.empty()) {
    text.align = IText::kAlignCenter;
    const int w = PixelFont::Width(mEntryText.c_str(), 1);
    const int left = r.L + (r.W() - w) / 2;
    if (mEntrySelected && w > 0) {
      FillRect(kEntryMark, IRect(left - 1, r.T + 2, left + w + 1, r.B - 2), &opaque);
      text.color = kEntryMarkInk;
    }
    DrawTextBox(text, mEntryText.c_str(), IRect(r.L + 1, r.T + 1, r.R - 1, r.B - 1));
    if (!mEntrySelected) {
      // The caret after the last character.
      const int x = std::min(left + w + 1, r.R - 2);
      FillRect(kEntryInk, IRect(x, r.T + 3, x + 1, r.B - 3), &opaque);
    }
    return;
  }
  text.align = IText::kAlignNear;
  for (size_t i = 0; i < mEntryChoices.size(); ++i) {
    const int top = r.T + static_cast<int>(i) * kListRowHeight;
    const IRect row(r.L + 1, top + 1, r.R - 1, top + kListRowHeight - 1);
    const bool chosen = static_cast<int>(i) == mEntryChoice;
    if (chosen) FillRect(kEntryMark, row, &opaque);
    text.color = chosen ? kEntryMarkInk : kEntryInk;
    DrawTextBox(text, mEntryChoices[i].c_str(),
                IRect(row.L + kListPadding - 1, row.T, row.R, row.B));
  }
}

// Paints the entry and puts it on the window.
void IGraphicsX11::ShowEntry() {
  PaintEntry();
  BlitToScreen(mEntryRect);
}

void IGraphicsX11::RefreshEntry() {
  if (!mEntryChoices.empty() || !mEntryTyped) {
    char current[IParam::kTextSize] = {};
    {
      LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
      mEntryParam->FormatDisplay(current);
    }
    if (mEntryChoices.empty()) {
      mEntryText = current;
    } else {
      for (size_t i = 0; i < mEntryChoices.size(); ++i) {
        if (mEntryChoices[i] == current) mEntryChoice = static_cast<int>(i);
      }
    }
  }
  ShowEntry();
}

bool IGraphicsX11::OnEntryPress(unsigned button, int x, int y) {
  if (mEntryState != kEntryOpen) return false;
  if (button == Button3) {
    mEntryState = kEntryCancel;
    return true;
  }
  if (button != Button1) return true;  // the wheel and the rest: the entry keeps them
  if (mEntryRect.Contains(x, y)) {
    if (!mEntryChoices.empty()) {
      mEntryChoice = (y - mEntryRect.T) / kListRowHeight;
      mEntryState = kEntryCommit;
      ShowEntry();
    }
    return true;
  }
  // Outside: what was typed counts, a list or an untouched field just closes.
  mEntryState = mEntryChoices.empty() && mEntryTyped ? kEntryCommit : kEntryCancel;
  return true;
}

bool IGraphicsX11::OnHostKey(int character, int virtualKey, bool down) {
  if (mEntryState != kEntryOpen) return false;
  if (!down) return true;
  if (virtualKey == kVirtualReturn || virtualKey == kVirtualEnter) return OnEntryKey(kKeyEnter, 0);
  if (virtualKey == kVirtualEscape) return OnEntryKey(kKeyEscape, 0);
  if (virtualKey == kVirtualBack) return OnEntryKey(kKeyBackspace, 0);
  if (virtualKey == kVirtualUp) return OnEntryKey(kKeyUp, 0);
  if (virtualKey == kVirtualDown) return OnEntryKey(kKeyDown, 0);
  if (virtualKey >= kVirtualNumpad0 && virtualKey <= kVirtualNumpad9) {
    return OnEntryKey(kKeyChar, static_cast<char>('0' + virtualKey - kVirtualNumpad0));
  }
  if (virtualKey == kVirtualSubtract) return OnEntryKey(kKeyChar, '-');
  if (virtualKey == kVirtualDecimal) return OnEntryKey(kKeyChar, '.');
  if (character > 0 && character < 128) return OnEntryKey(kKeyChar, static_cast<char>(character));
  return true;
}

bool IGraphicsX11::OnEntryKey(EntryKey key, char c) {
  if (mEntryState != kEntryOpen) return false;
  const int rows = static_cast<int>(mEntryChoices.size());
  switch (key) {
    case kKeyEnter:
      mEntryState = rows > 0 && mEntryChoice < 0 ? kEntryCancel : kEntryCommit;
      return true;
    case kKeyEscape:
      mEntryState = kEntryCancel;
      return true;
    case kKeyUp:
    case kKeyDown:
      if (rows > 0) {
        const int step = key == kKeyUp ? -1 : 1;
        mEntryChoice = mEntryChoice < 0 ? 0 : std::clamp(mEntryChoice + step, 0, rows - 1);
      }
      break;
    case kKeyBackspace:
      if (rows > 0) return true;
      if (mEntrySelected) {
        mEntryText.clear();
      } else if (!mEntryText.empty()) {
        mEntryText.pop_back();
      }
      mEntrySelected = false;
      mEntryTyped = true;
      break;
    case kKeyChar:
      if (rows > 0 || !IsFieldChar(c)) return true;
      if (mEntrySelected) mEntryText.clear();
      if (mEntryText.size() + 1 < static_cast<size_t>(IParam::kTextSize)) mEntryText += c;
      mEntrySelected = false;
      mEntryTyped = true;
      break;
  }
  ShowEntry();
  return true;
}

void IGraphicsX11::CommitTextEntry() {
  double normalized = 0.0;
  {
    LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
    double value = 0.0;
    if (!mEntryChoices.empty()) {
      int chosen = 0;
      if (mEntryParam->FindValueText(TextEntryText().c_str(), &chosen)) value = chosen;
    } else {
      value = LeadingDecimal(mEntryText.c_str());
    }
    normalized = mEntryParam->GetNormalized(value);
  }
  // Passes the change to the plug-in, which takes the plug-in lock itself.
  mEntryControl->SetValueFromTextEntry(normalized);
  CloseTextEntry();
}

// Closes the entry and draws the panel where it was.
void IGraphicsX11::CloseTextEntry() {
  if (mEntryState == kEntryNone) return;
  const IRect r = mEntryRect;
  ForgetTextEntry();
  Draw(r);
}

void IGraphicsX11::ForgetTextEntry() {
  if (mEntryState == kEntryNone) return;
  mEntryState = kEntryNone;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryChoices.clear();
  mEntryText.clear();
  mEntryChoice = -1;
  // The focus goes back where it was; a window gone meanwhile only makes an ignored error.
  if (mFocusBefore && mWindowId.load()) {
    XSetInputFocus(mDisplay, mFocusBefore, RevertToParent, CurrentTime);
  }
  mFocusBefore = 0;
}
