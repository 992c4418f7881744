#include "tools/korvane-validate/EditorWindow.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#if defined(_WIN32)
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

constexpr const char* kClassName = "korvane-validate-editor-parent";

}  // namespace

bool EditorWindow::Create(std::string& why) {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    return RegisterClassA(&windowClass) != 0;
  }();
  if (!registered) {
    why = "the window class could not be registered";
    return false;
  }
  HWND window = CreateWindowExA(0, kClassName, "korvane-validate", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (!window) {
    why = "CreateWindowEx failed with error " + std::to_string(GetLastError());
    return false;
  }
  mParent = window;
  Pump();
  return true;
}

EditorWindow::~EditorWindow() {
  if (mParent) DestroyWindow(static_cast<HWND>(mParent));
  Pump();
}

void EditorWindow::Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string EditorWindow::FirstError() {
  return {};
}

void EditorWindow::Resize(int width, int height) {
  if (!mParent) return;
  RECT rect{0, 0, width, height};
  AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
  SetWindowPos(static_cast<HWND>(mParent), nullptr, 0, 0, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

#elif defined(KORVANE_VALIDATE_X11)
#include <X11/Xlib.h>

namespace {

std::mutex gErrorLock;  // guards gFirstError
char gFirstError[256];  // NUL-terminated; empty until the first error

// Notes the first error of any connection (the handler is the process's) and carries on.
int NoteXError(Display* display, XErrorEvent* event) {
  char text[160] = {};
  XGetErrorText(display, event->error_code, text, sizeof text);
  std::lock_guard<std::mutex> hold(gErrorLock);
  if (gFirstError[0] == '\0')
    std::snprintf(gFirstError, sizeof gFirstError, "%s from request %d.%d", text,
                  event->request_code, event->minor_code);
  return 0;
}

}  // namespace

std::string EditorWindow::FirstError() {
  std::lock_guard<std::mutex> hold(gErrorLock);
  return gFirstError;
}

bool EditorWindow::Create(std::string& why) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    why = "no X display (DISPLAY is unset)";
    return false;
  }
  XSetErrorHandler(NoteXError);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    why = std::string("the X display ") + name + " could not be opened";
    return false;
  }
  const int screen = DefaultScreen(display);
  const Window window =
      XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 800, 600, 0,
                          BlackPixel(display, screen), BlackPixel(display, screen));
  XStoreName(display, window, "korvane-validate");
  XMapWindow(display, window);
  XSync(display, False);
  mDisplay = display;
  mParent = reinterpret_cast<void*>(static_cast<uintptr_t>(window));
  return true;
}

EditorWindow::~EditorWindow() {
  Display* display = static_cast<Display*>(mDisplay);
  if (!display) return;
  XDestroyWindow(display, static_cast<Window>(reinterpret_cast<uintptr_t>(mParent)));
  XCloseDisplay(display);
}

void EditorWindow::Pump() {
  Display* display = static_cast<Display*>(mDisplay);
  if (!display) return;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
  }
}

void EditorWindow::Resize(int width, int height) {
  Display* display = static_cast<Display*>(mDisplay);
  if (!display || width <= 0 || height <= 0) return;
  XResizeWindow(display, static_cast<Window>(reinterpret_cast<uintptr_t>(mParent)),
                static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(display, False);
}

#else

bool EditorWindow::Create(std::string& why) {
  why = "this build of the validator has no X11 support";
  return false;
}

std::string EditorWindow::FirstError() {
  return {};
}

EditorWindow::~EditorWindow() = default;
void EditorWindow::Pump() {}
void EditorWindow::Resize(int, int) {}

#endif
