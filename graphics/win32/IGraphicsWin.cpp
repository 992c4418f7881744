// The editor window: class registration, creation and destruction, the window procedure, the
// redraw tick and the text entry.
#include "graphics/win32/IGraphicsWin.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "controls/IControl.h"
#include "core/BraxBase.h"
#include "core/IParam.h"
#include "graphics/CreateGraphics.h"
#include "graphics/win32/DecimalText.h"
#include "platform/LockGuard.h"
#include "platform/ModulePath.h"
#include "raster/RasterBitmap.h"

namespace {

// Windows of "BraxWndClass" alive in this module: the class is registered while it is above 0.
// Editors of several plug-in instances share it; the mutex covers hosts that open editors of
// different instances from different threads.
std::mutex gClassMutex;
int gWindowCount = 0;
// The last window went while it still existed (its own destruction message), so the class
// could not be unregistered then; done at the next chance.
bool gClassLingers = false;

// Hands a window's destruction from another thread to the window's own: guards every editor's
// procedure depth and close request, and tells the waiting thread when they change.
std::mutex gHandoffMutex;
std::condition_variable gHandoffChanged;

// Posted to wake a window thread for a close requested from elsewhere; means nothing itself.
constexpr UINT kCloseRequest = WM_APP + 1;
// How long a close from another thread waits for a window thread that takes no messages
// before it cuts the window loose instead.
constexpr auto kClosePatience = std::chrono::seconds(2);

constexpr int kTextEntryFontHeight = 14;
constexpr int kEditWidth = 36, kEditHeight = 16;
constexpr int kListItemHeight = 36;
constexpr int kWheelNotch = WHEEL_DELTA;  // 120

int LowSigned(LPARAM lParam) {
  return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam)));
}

int HighSigned(LPARAM lParam) {
  return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)));
}

// Buttons, Shift and Control from the message's key-state word; Alt as it is at this moment.
IMouseState MouseState(WPARAM keys) {
  return IMouseState((keys & MK_LBUTTON) != 0, (keys & MK_RBUTTON) != 0, (keys & MK_SHIFT) != 0,
                     (keys & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
}

// A child that is not an MDI child: resizing the editor resizes such a parent with it.
bool IsPlainChild(HWND window) {
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
  return (style & WS_CHILD) && !(exStyle & WS_EX_MDICHILD);
}

void GrowWindow(HWND window, int dw, int dh) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return;
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool RegisterEditorClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = IGraphicsWin::kWindowClass;
  return RegisterClassA(&wc) != 0;
}

// One more editor window is about to be made.
void RetainClass(HINSTANCE instance, WNDPROC proc) {
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (gWindowCount == 0) {
    if (gClassLingers) UnregisterClassA(IGraphicsWin::kWindowClass, instance);
    gClassLingers = false;
    // A failed registration shows as a failed creation, which undoes the count.
    RegisterEditorClass(instance, proc);
  }
  ++gWindowCount;
}

// One editor window fewer: gone, never made, or cut loose.
void ReleaseClass(HINSTANCE instance) {
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (--gWindowCount == 0 && !UnregisterClassA(IGraphicsWin::kWindowClass, instance)) {
    gClassLingers = true;
  }
}

}  // namespace

IGraphicsRaster* CreateGraphics(BraxBase* plug, int width, int height, int fps) {
  return new IGraphicsWin(plug, width, height, fps);
}

// The window class, the windows and the images belong to the plug-in module, not to the host
// executable that GetModuleHandle(nullptr) would name: ThisModuleHandle asks Windows for the
// module that contains its own code (by address, without taking a reference), which is the
// plug-in DLL, or the program itself when the code is linked into one.
IGraphicsWin::IGraphicsWin(BraxBase* plug, int width, int height, int fps)
    : IGraphicsRaster(plug, width, height, fps),
      mInstance(static_cast<HINSTANCE>(ThisModuleHandle())) {}

IGraphicsWin::~IGraphicsWin() {
  // The plug-in is being destroyed around us: a gesture cut short tells it nothing more.
  mDying.store(true);
  CloseWindow();
  {
    // Before the module can be unloaded, which would leave the class calling freed code.
    std::lock_guard<std::mutex> lock(gClassMutex);
    if (gWindowCount == 0 && gClassLingers && UnregisterClassA(kWindowClass, mInstance)) {
      gClassLingers = false;
    }
  }
  if (mFont) {
    // A font must not be deleted while a DC still has it selected.
    RasterBitmap* bitmap = DrawingBitmap();
    if (bitmap && bitmap->getDC()) SelectObject(static_cast<HDC>(bitmap->getDC()), mPreviousFont);
    DeleteObject(mFont);
  }
}

// ============================================================================= window ===

void* IGraphicsWin::OpenWindow(void* parent) {
  mParent = static_cast<HWND>(parent);
  int x = 0, y = 0, w = Width(), h = Height();

  if (HWND open = mWindow.load()) {
    // Re-created in place: the old window's position within the parent's client area and its
    // size. (The parent's window rectangle would count its frame and move a framed parent's
    // editor down by the caption on every re-open.)
    RECT old{};
    GetWindowRect(open, &old);
    POINT topLeft{old.left, old.top};
    ScreenToClient(mParent, &topLeft);
    CloseWindow();
    // Still there: its own thread will close it, and one editor has one window.
    if (mWindow.load()) return nullptr;
    x = topLeft.x;
    y = topLeft.y;
    w = old.right - old.left;
    h = old.bottom - old.top;
  }

  RetainClass(mInstance, EditorProc);
  mWindowThread.store(GetCurrentThreadId());
  HWND window = CreateWindowExA(0, kWindowClass, "Brax", WS_CHILD | WS_VISIBLE, x, y, w, h, mParent,
                                nullptr, mInstance, this);
  if (!window) {
    mWindow.store(nullptr);
    ReleaseClass(mInstance);
    return nullptr;
  }
  SetAllControlsDirty();
  return window;
}

void IGraphicsWin::CloseWindow() {
  HWND window = mWindow.load();
  if (!window) return;
  // A window can only be destroyed by the thread that made it.
  if (mWindowThread.load() == GetCurrentThreadId()) {
    CloseOnWindowThread();
  } else {
    CloseFromOtherThread(window);
  }
}

// [window thread]
void IGraphicsWin::CloseOnWindowThread() {
  {
    std::lock_guard<std::mutex> lock(gHandoffMutex);
    mCloseRequested = false;
  }
  HWND window = mWindow.load();
  if (window) {
    // The entry is a child of the window: it goes with it, and so must what we know of it, or
    // the next window could never open one.
    CloseTextEntry();
    EndGesture();
    // Forgotten first, so nothing sent during the destruction reaches the model.
    mWindow.store(nullptr);
    DestroyWindow(window);
    ReleaseClass(mInstance);
  }
  std::lock_guard<std::mutex> lock(gHandoffMutex);
  gHandoffChanged.notify_all();
}

// [not the window thread; the plug-in lock may be held]
void IGraphicsWin::CloseFromOtherThread(HWND window) {
  std::unique_lock<std::mutex> lock(gHandoffMutex);
  mCloseRequested = true;
  // The window thread is inside our procedures, perhaps waiting for the plug-in lock that our
  // caller holds: waiting for it could wait for ever. It closes the window on its way out,
  // before it handles another message. The destructor must wait: the object is going.
  if (mProcDepth > 0 && !mDying.load()) return;
  // From here on the window thread's next message for the window closes it instead.
  PostMessageA(window, kCloseRequest, 0, 0);
  auto deadline = std::chrono::steady_clock::now() + kClosePatience;
  for (;;) {
    if (mWindow.load() != window) {
      if (mProcDepth == 0) return;
    } else if (!IsWindow(window)) {
      // Its thread ended, and the system destroyed the window without a message.
      if (mProcDepth == 0) break;
    } else if (mProcDepth > 0) {
      deadline = std::chrono::steady_clock::now() + kClosePatience;  // busy, not stuck
    } else if (std::chrono::steady_clock::now() >= deadline) {
      // A window thread that takes no messages (it may be waiting for us): the window stays
      // in its parent but no longer calls into this module or this object.
      Detach(window);
      break;
    }
    gHandoffChanged.wait_for(lock, std::chrono::milliseconds(10));
  }
  lock.unlock();
  ForgetWindow();
}

// [not the window thread, handoff mutex held, the window thread outside our procedures]
void IGraphicsWin::Detach(HWND window) {
  if (mTextEntry && IsWindow(mTextEntry)) {
    SetWindowLongPtrA(mTextEntry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPreviousProc));
    SetWindowLongPtrA(mTextEntry, GWLP_USERDATA, 0);
  }
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

// The window is gone or cut loose, its thread out of our procedures: what we knew of it goes.
void IGraphicsWin::ForgetWindow() {
  if (!mWindow.load()) return;
  ForgetTextEntry();
  EndGesture();
  mWindow.store(nullptr);
  ReleaseClass(mInstance);
  std::lock_guard<std::mutex> lock(gHandoffMutex);
  mCloseRequested = false;
  gHandoffChanged.notify_all();
}

bool IGraphicsWin::BlitToScreen(const IRect& r) {
  RasterBitmap* bitmap = DrawingBitmap();
  HWND window = mWindow.load();
  if (!window || !bitmap) return true;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc) {
    BitBlt(dc, r.L, r.T, r.W(), r.H(), static_cast<HDC>(bitmap->getDC()), r.L, r.T, SRCCOPY);
    EndPaint(window, &ps);
  }
  return true;
}

void IGraphicsWin::Resize(int width, int height) {
  const int oldWidth = Width(), oldHeight = Height();
  // The core Resize deletes the controls, the entry's among them.
  CloseTextEntry();
  IGraphics::Resize(width, height);
  if (RasterBitmap* bitmap = DrawingBitmap()) bitmap->resize(width, height);
  HWND window = mWindow.load();
  if (!window) return;

  const int dw = width - oldWidth, dh = height - oldHeight;
  RECT old{};
  GetWindowRect(window, &old);
  GrowWindow(window, dw, dh);
  // A host frames the editor in child windows of its own; they grow with it, two levels up.
  if (IsPlainChild(window)) {
    HWND parent = GetParent(window);
    GrowWindow(parent, dw, dh);
    if (IsPlainChild(parent)) GrowWindow(GetParent(parent), dw, dh);
  }
  RECT invalid{0, 0, old.right - old.left, old.bottom - old.top};
  InvalidateRect(window, &invalid, FALSE);
}

// ===================================================================== window procedure ===

IGraphicsWin* IGraphicsWin::EnterProcedure(HWND hWnd, bool* closeFirst) {
  std::lock_guard<std::mutex> lock(gHandoffMutex);
  // Read under the mutex: a thread that cuts the window loose clears it under the same one.
  auto* g = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  if (g) {
    *closeFirst = g->mCloseRequested && g->mProcDepth == 0;
    ++g->mProcDepth;
  }
  return g;
}

void IGraphicsWin::LeaveProcedure() {
  std::unique_lock<std::mutex> lock(gHandoffMutex);
  if (mProcDepth == 1 && mCloseRequested) {
    // Still counted as inside, so a waiting destructor cannot free us during the close.
    lock.unlock();
    CloseOnWindowThread();
    lock.lock();
  }
  --mProcDepth;
  gHandoffChanged.notify_all();
}

LRESULT CALLBACK IGraphicsWin::EditorProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* g = static_cast<IGraphicsWin*>(create->lpCreateParams);
    {
      std::lock_guard<std::mutex> lock(gHandoffMutex);
      SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g));
    }
    // Known before CreateWindowExA returns, so the rest of the creation's messages reach it.
    g->mWindow.store(hWnd);
    // The frame rate is the graphics object's own (never below 1): 55 ms at 18 per second.
    g->mTickPeriod = static_cast<UINT>(1000 / g->FPS());
    SetTimer(hWnd, kTickTimer, g->mTickPeriod, nullptr);
    return 0;
  }
  bool closeFirst = false;
  IGraphicsWin* g = EnterProcedure(hWnd, &closeFirst);
  if (!g) return DefWindowProcA(hWnd, msg, wParam, lParam);
  LRESULT result = 0;
  if (g->mWindow.load() != hWnd) {
    result = DefWindowProcA(hWnd, msg, wParam, lParam);
  } else if (msg == WM_NCDESTROY) {
    // Destroyed without CloseWindow, with the host's parent window: the handles are dead.
    g->ForgetWindow();
    result = DefWindowProcA(hWnd, msg, wParam, lParam);
  } else if (!closeFirst) {
    result = g->OnEditorMessage(hWnd, msg, wParam, lParam);
  }
  g->LeaveProcedure();
  return result;
}

LRESULT IGraphicsWin::OnEditorMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Windows tells a drop-down list's parent, not the list, that the user chose an item: hand
  // that to the entry, which commits on it, whatever the focus.
  if (msg == WM_COMMAND && mTextEntry && reinterpret_cast<HWND>(lParam) == mTextEntry &&
      HIWORD(wParam) == CBN_SELCHANGE) {
    SendMessageA(mTextEntry, WM_COMMAND, wParam, lParam);
    return 0;
  }

  // The close message always goes through CloseWindow: left to default processing while the
  // user types, it would destroy the window behind the class count's back.
  if (msg == WM_CLOSE) {
    CloseWindow();
    return 0;
  }

  // While the user types, the editor stays still; a right click cancels the entry. A gesture
  // still running ends as usual, or the host would wait for its end-edit for ever.
  if (mTextEntry && mTextEntryState == kEntryFocused) {
    if (msg == WM_RBUTTONDOWN) {
      mTextEntryState = kEntryCancel;
      if (mGestureButton) mIgnoredButtons |= MK_RBUTTON;
      return 0;
    }
    const bool endsGesture = msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_CAPTURECHANGED;
    if (!(mGestureButton && endsGesture)) return DefWindowProcA(hWnd, msg, wParam, lParam);
  }

  const int x = LowSigned(lParam), y = HighSigned(lParam);
  switch (msg) {
    case WM_PAINT: {
      RECT r{};
      if (GetUpdateRect(hWnd, &r, FALSE)) {
        Draw(IRect(r.left, r.top, r.right, r.bottom));
        // The pass validates through BlitToScreen; an editor without controls never gets
        // there, and an update region left behind would bring this message back forever.
        ValidateRect(hWnd, &r);
      }
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTickTimer) Tick();
      return 0;
    case WM_MOUSEMOVE:
      if ((wParam & (MK_LBUTTON | MK_RBUTTON)) && GetCapture() == hWnd) {
        if (mGestureButton) {
          mGestureX = x;
          mGestureY = y;
        }
        OnMouseDrag(x, y, MouseState(wParam));
      }
      return 0;
    case WM_RBUTTONDOWN:
      if (mTextEntry) {
        mTextEntryState = kEntryCancel;
        if (mGestureButton) mIgnoredButtons |= MK_RBUTTON;
        return 0;
      }
      return OnButtonDown(hWnd, MK_RBUTTON, x, y, wParam);
    case WM_LBUTTONDOWN:
      return OnButtonDown(hWnd, MK_LBUTTON, x, y, wParam);
    case WM_LBUTTONUP:
      return OnButtonUp(hWnd, MK_LBUTTON, x, y);
    case WM_RBUTTONUP:
      return OnButtonUp(hWnd, MK_RBUTTON, x, y);
    case WM_LBUTTONDBLCLK:
      // The model's double click forgets a running press without ending its edit.
      if (mGestureButton) {
        mIgnoredButtons |= MK_LBUTTON;
        return 0;
      }
      mIgnoredButtons &= ~static_cast<WPARAM>(MK_LBUTTON);
      if (OnMouseDoubleClick(x, y, MouseState(wParam))) SetCapture(hWnd);
      return 0;
    case WM_CAPTURECHANGED:
      // A release elsewhere, Alt-Tab, a dialog: the release will not come here.
      if (mGestureButton && reinterpret_cast<HWND>(lParam) != hWnd) {
        mIgnoredButtons |= mGestureButton;
        EndGesture();
      }
      return 0;
    case WM_MOUSEWHEEL: {
      const int delta = static_cast<short>(HIWORD(wParam)) / kWheelNotch;
      RECT r{};
      GetWindowRect(hWnd, &r);
      OnMouseWheel(x - r.left, y - r.top, MouseState(wParam), delta);
      return 0;
    }
    default:
      return DefWindowProcA(hWnd, msg, wParam, lParam);
  }
}

LRESULT IGraphicsWin::OnButtonDown(HWND hWnd, WPARAM button, int x, int y, WPARAM keys) {
  // The model's press forgets a running one without ending its edit: one gesture at a time.
  if (mGestureButton) {
    mIgnoredButtons |= button;
    return 0;
  }
  mIgnoredButtons &= ~button;
  mGestureButton = button;
  mGestureX = x;
  mGestureY = y;
  SetCapture(hWnd);
  OnMouseDown(x, y, MouseState(keys));
  return 0;
}

LRESULT IGraphicsWin::OnButtonUp(HWND hWnd, WPARAM button, int x, int y) {
  if (mIgnoredButtons & button) {
    mIgnoredButtons &= ~button;
    return 0;
  }
  // Ended before the capture goes, so its change message finds no gesture to end again.
  mGestureButton = 0;
  if (GetCapture() == hWnd) ReleaseCapture();
  OnMouseUp(x, y);
  return 0;
}

// [window thread] A gesture cut short ends as its release would, where the mouse last was.
void IGraphicsWin::EndGesture() {
  if (!mGestureButton) return;
  mGestureButton = 0;
  if (!mDying.load()) OnMouseUp(mGestureX, mGestureY);
}

void IGraphicsWin::Tick() {
  if (mTextEntry && mTextEntryState != kEntryIdle) {
    switch (mTextEntryState) {
      case kEntryRefresh: {
        char text[IParam::kTextSize] = {};
        int chosen = -1;
        {
          LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
          mEntryParam->FormatDisplay(text);
          for (int i = 0; mEntryIsList && i < mEntryParam->CountValueTexts(); ++i) {
            if (std::strcmp(mEntryParam->GetValueText(i), text) == 0) {
              chosen = i;
              break;
            }
          }
        }
        // A drop-down list has no text of its own to set: its selection is the text.
        if (mEntryIsList) {
          SendMessageA(mTextEntry, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
        } else {
          SendMessageA(mTextEntry, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        }
        mTextEntryState = kEntryIdle;
        return;
      }
      case kEntryCancel:
        CloseTextEntry();
        return;
      case kEntryCommit:
        CommitTextEntry();
        return;
      default:
        break;  // 1 never gets here: the window procedure keeps the timer from the tick
    }
  }

  IRect dirty;
  HWND window = mWindow.load();
  if (window && IsDirty(dirty)) {
    RECT r{dirty.L, dirty.T, dirty.R, dirty.B};
    InvalidateRect(window, &r, FALSE);
    UpdateWindow(window);
    if (mTextEntry) mTextEntryState = kEntryRefresh;
  }
}

// ========================================================================== text entry ===

void IGraphicsWin::CreateTextEntry(IControl* control, IParam* param) {
  HWND window = mWindow.load();
  if (!control || !param || mTextEntry || !window || !GetPlug()) return;

  const IRect& rect = control->GetRECT();
  const int cx = static_cast<int>((rect.L + rect.R) * 0.5);
  const int cy = static_cast<int>((rect.T + rect.B) * 0.5);

  // Read under the plug-in lock, then released before any window is made.
  char current[IParam::kTextSize] = {};
  std::vector<std::string> choices;
  {
    LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
    param->FormatDisplay(current);
    const int n = param->CountValueTexts();
    for (int i = 0; i < n; ++i) choices.emplace_back(param->GetValueText(i));
  }

  const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextEntryId));
  HWND entry = nullptr;
  if (!choices.empty()) {
    int w = 24;
    for (const std::string& c : choices) w = std::max(w, 8 * static_cast<int>(c.size()) + 24);
    const int h = kListItemHeight * (static_cast<int>(choices.size()) + 1);
    entry = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, cx - w / 2,
                            cy, w, h, window, id, mInstance, nullptr);
    if (!entry) return;
    mEntryIsList = true;
    for (const std::string& c : choices) {
      SendMessageA(entry, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.c_str()));
    }
    const auto match = std::find(choices.begin(), choices.end(), std::string(current));
    if (match != choices.end()) {
      SendMessageA(entry, CB_SETCURSEL, static_cast<WPARAM>(match - choices.begin()), 0);
    }
  } else {
    // A centred multi-line box wraps what does not fit its width; without scrolling to the
    // wrapped line it refuses those characters, and a five-digit cutoff could not be typed.
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_CENTER | ES_MULTILINE | ES_AUTOVSCROLL;
    entry = CreateWindowExA(0, "EDIT", current, style, cx - kEditWidth / 2, cy - kEditHeight / 2,
                            kEditWidth, kEditHeight, window, id, mInstance, nullptr);
    if (!entry) return;
  }

  // User data before the procedure, so the new procedure never runs without it.
  SetWindowLongPtrA(entry, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  mEntryPreviousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextEntryProc)));
  mTextEntry = entry;

  mEntryFont =
      CreateFontA(kTextEntryFontHeight, 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, "Arial");
  SendMessageA(entry, WM_SETFONT, reinterpret_cast<WPARAM>(mEntryFont), 0);

  mEntryControl = control;
  mEntryParam = param;
}

void IGraphicsWin::CommitTextEntry() {
  char text[IParam::kTextSize] = {};
  SendMessageA(mTextEntry, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  double normalized = 0.0;
  {
    LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
    double value = 0.0;
    if (mEntryParam->CountValueTexts() > 0) {
      int chosen = 0;
      if (mEntryParam->FindValueText(text, &chosen)) value = chosen;
    } else {
      value = LeadingDecimal(text);
    }
    normalized = mEntryParam->GetNormalized(value);
  }
  // Passes the change to the plug-in, which takes the plug-in lock itself.
  mEntryControl->SetValueFromTextEntry(normalized);
  CloseTextEntry();
}

void IGraphicsWin::CloseTextEntry() {
  if (mTextEntry && IsWindow(mTextEntry)) {
    SetWindowLongPtrA(mTextEntry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPreviousProc));
    DestroyWindow(mTextEntry);
  }
  ForgetTextEntry();
}

// The entry window is gone, or not ours to destroy: what we knew of it goes.
void IGraphicsWin::ForgetTextEntry() {
  if (mEntryFont) DeleteObject(mEntryFont);
  mTextEntry = nullptr;
  mEntryFont = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryPreviousProc = nullptr;
  mEntryIsList = false;
  mTextEntryState = kEntryIdle;
}

LRESULT CALLBACK IGraphicsWin::TextEntryProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  bool closeFirst = false;  // the entry's messages run their course; the close follows them
  IGraphicsWin* g = EnterProcedure(hWnd, &closeFirst);
  if (!g) return DefWindowProcA(hWnd, msg, wParam, lParam);
  const LRESULT result = g->mTextEntry == hWnd ? g->OnTextEntryMessage(hWnd, msg, wParam, lParam)
                                               : DefWindowProcA(hWnd, msg, wParam, lParam);
  g->LeaveProcedure();
  return result;
}

LRESULT IGraphicsWin::OnTextEntryMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFOCUS:
      mTextEntryState = kEntryFocused;
      break;
    case WM_KILLFOCUS:
      mTextEntryState = kEntryIdle;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        mTextEntryState = kEntryCommit;
        return 0;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == CBN_SELCHANGE) {
        mTextEntryState = kEntryCommit;
        return 0;
      }
      break;
    case WM_NCDESTROY: {
      // Destroyed with the editor window, behind CloseTextEntry's back.
      const LRESULT result = CallWindowProcA(mEntryPreviousProc, hWnd, msg, wParam, lParam);
      ForgetTextEntry();
      return result;
    }
    default:
      break;
  }
  return CallWindowProcA(mEntryPreviousProc, hWnd, msg, wParam, lParam);
}
