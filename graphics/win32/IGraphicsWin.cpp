// The editor window: class registration, creation and destruction, the window procedure, the
// redraw tick and the text entry.
#include "graphics/win32/IGraphicsWin.h"

#include <algorithm>
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
  CloseWindow();
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

  if (mWindow) {
    // Re-created in place: the old window's position within the parent's client area and its
    // size. (The parent's window rectangle would count its frame and move a framed parent's
    // editor down by the caption on every re-open.)
    RECT old{};
    GetWindowRect(mWindow, &old);
    POINT topLeft{old.left, old.top};
    ScreenToClient(mParent, &topLeft);
    CloseWindow();
    x = topLeft.x;
    y = topLeft.y;
    w = old.right - old.left;
    h = old.bottom - old.top;
  }

  {
    std::lock_guard<std::mutex> lock(gClassMutex);
    // A failed registration shows as a failed creation below, which undoes the count.
    if (gWindowCount == 0) RegisterEditorClass(mInstance, EditorProc);
    ++gWindowCount;
  }

  mWindow = CreateWindowExA(0, kWindowClass, "Brax", WS_CHILD | WS_VISIBLE, x, y, w, h, mParent,
                            nullptr, mInstance, this);
  if (!mWindow) {
    std::lock_guard<std::mutex> lock(gClassMutex);
    if (--gWindowCount == 0) UnregisterClassA(kWindowClass, mInstance);
    return nullptr;
  }
  SetAllControlsDirty();
  return mWindow;
}

void IGraphicsWin::CloseWindow() {
  if (!mWindow) return;
  // The entry is a child of the window: it goes with it, and so must what we know of it, or
  // the next window could never open one.
  CloseTextEntry();
  // Forgotten first, so nothing sent during the destruction reaches the model.
  HWND window = mWindow;
  mWindow = nullptr;
  DestroyWindow(window);
  std::lock_guard<std::mutex> lock(gClassMutex);
  if (--gWindowCount == 0) UnregisterClassA(kWindowClass, mInstance);
}

bool IGraphicsWin::BlitToScreen(const IRect& r) {
  RasterBitmap* bitmap = DrawingBitmap();
  if (!mWindow || !bitmap) return true;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(mWindow, &ps);
  if (dc) {
    BitBlt(dc, r.L, r.T, r.W(), r.H(), static_cast<HDC>(bitmap->getDC()), r.L, r.T, SRCCOPY);
    EndPaint(mWindow, &ps);
  }
  return true;
}

void IGraphicsWin::Resize(int width, int height) {
  const int oldWidth = Width(), oldHeight = Height();
  // The core Resize deletes the controls, the entry's among them.
  CloseTextEntry();
  IGraphics::Resize(width, height);
  if (RasterBitmap* bitmap = DrawingBitmap()) bitmap->resize(width, height);
  if (!mWindow) return;

  const int dw = width - oldWidth, dh = height - oldHeight;
  RECT old{};
  GetWindowRect(mWindow, &old);
  GrowWindow(mWindow, dw, dh);
  // A host frames the editor in child windows of its own; they grow with it, two levels up.
  if (IsPlainChild(mWindow)) {
    HWND parent = GetParent(mWindow);
    GrowWindow(parent, dw, dh);
    if (IsPlainChild(parent)) GrowWindow(GetParent(parent), dw, dh);
  }
  RECT invalid{0, 0, old.right - old.left, old.bottom - old.top};
  InvalidateRect(mWindow, &invalid, FALSE);
}

// ===================================================================== window procedure ===

LRESULT CALLBACK IGraphicsWin::EditorProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* g = static_cast<IGraphicsWin*>(create->lpCreateParams);
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g));
    // Known before CreateWindowExA returns, so the rest of the creation's messages reach it.
    g->mWindow = hWnd;
    // The frame rate is the graphics object's own (never below 1): 55 ms at 18 per second.
    g->mTickPeriod = static_cast<UINT>(1000 / g->FPS());
    SetTimer(hWnd, kTickTimer, g->mTickPeriod, nullptr);
    return 0;
  }
  auto* g = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  if (!g || g->mWindow != hWnd) return DefWindowProcA(hWnd, msg, wParam, lParam);
  return g->OnEditorMessage(hWnd, msg, wParam, lParam);
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

  // While the user types, the editor stays still; a right click cancels the entry.
  if (mTextEntry && mTextEntryState == 1) {
    if (msg == WM_RBUTTONDOWN) {
      mTextEntryState = 3;
      return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
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
        OnMouseDrag(x, y, MouseState(wParam));
      }
      return 0;
    case WM_RBUTTONDOWN:
      if (mTextEntry) {
        mTextEntryState = 3;
        return 0;
      }
      [[fallthrough]];  // a right press reaches the control with R set
    case WM_LBUTTONDOWN:
      SetCapture(hWnd);
      OnMouseDown(x, y, MouseState(wParam));
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      ReleaseCapture();
      OnMouseUp(x, y);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (OnMouseDoubleClick(x, y, MouseState(wParam))) SetCapture(hWnd);
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

void IGraphicsWin::Tick() {
  if (mTextEntry && mTextEntryState != 0) {
    switch (mTextEntryState) {
      case 2: {
        char text[IParam::kTextSize] = {};
        {
          LockGuard lock(GetPlug()->PluginLock());  // parameters are read under it
          mEntryParam->FormatDisplay(text);
        }
        SendMessageA(mTextEntry, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        mTextEntryState = 0;
        return;
      }
      case 3:
        CloseTextEntry();
        return;
      case 4:
        CommitTextEntry();
        return;
      default:
        break;  // 1 never gets here: the window procedure keeps the timer from the tick
    }
  }

  IRect dirty;
  if (IsDirty(dirty)) {
    RECT r{dirty.L, dirty.T, dirty.R, dirty.B};
    InvalidateRect(mWindow, &r, FALSE);
    UpdateWindow(mWindow);
    if (mTextEntry) mTextEntryState = 2;
  }
}

// ========================================================================== text entry ===

void IGraphicsWin::CreateTextEntry(IControl* control, IParam* param) {
  if (!control || !param || mTextEntry || !mWindow || !GetPlug()) return;

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
                            cy, w, h, mWindow, id, mInstance, nullptr);
    if (!entry) return;
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
                            kEditWidth, kEditHeight, mWindow, id, mInstance, nullptr);
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
  if (mTextEntry) {
    SetWindowLongPtrA(mTextEntry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPreviousProc));
    DestroyWindow(mTextEntry);
  }
  if (mEntryFont) DeleteObject(mEntryFont);
  mTextEntry = nullptr;
  mEntryFont = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryPreviousProc = nullptr;
  mTextEntryState = 0;
}

LRESULT CALLBACK IGraphicsWin::TextEntryProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* g = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  if (!g || g->mTextEntry != hWnd) return DefWindowProcA(hWnd, msg, wParam, lParam);
  return g->OnTextEntryMessage(hWnd, msg, wParam, lParam);
}

LRESULT IGraphicsWin::OnTextEntryMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETFOCUS:
      mTextEntryState = 1;
      break;
    case WM_KILLFOCUS:
      mTextEntryState = 0;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        mTextEntryState = 4;
        return 0;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == CBN_SELCHANGE) {
        mTextEntryState = 4;
        return 0;
      }
      break;
    default:
      break;
  }
  return CallWindowProcA(mEntryPreviousProc, hWnd, msg, wParam, lParam);
}
