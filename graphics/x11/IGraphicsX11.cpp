// The editor window on X11: creation and destruction in the host's parent, the events taken
// on the host's idle calls, the redraw tick and the copy of the drawing bitmap to the window.
#include "graphics/x11/IGraphicsX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>

#include "graphics/CreateGraphics.h"
#include "graphics/x11/X11Connection.h"

namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask |
                            LeaveWindowMask;

// Wheel buttons as X numbers them.
constexpr unsigned kWheelUp = 4, kWheelDown = 5;

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
  // A window already gone with its parent answers with an error, which the handler ignores.
  XDestroyWindow(mDisplay, window);
  ForgetWindow();
}

void IGraphicsX11::ForgetWindow() {
  const Window window = mWindowId.load();
  if (!window) return;
  EndGesture();
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
  const IRect clipped = r.Intersect(IRect(0, 0, Width(), Height()));
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
      OnButtonPress(e.button, e.x, e.y, e.state, e.time);
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
  IRect dirty;
  if (IsDirty(dirty)) Draw(dirty);
}
