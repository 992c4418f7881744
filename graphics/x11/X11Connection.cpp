#include "graphics/x11/X11Connection.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex gMutex;                  // guards everything below
Display* gDisplay = nullptr;        // open while gHolders > 0
int gHolders = 0;
XErrorHandler gPrevious = nullptr;  // the handler in place before ours
std::vector<XID> gFailed;           // resources of our connection that errors named

int OnXError(Display* display, XErrorEvent* error) {
  XErrorHandler previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (display == gDisplay && gDisplay) {
      // Ours: a window that died with the host's parent. Noted for its editor, which forgets it.
      if (std::find(gFailed.begin(), gFailed.end(), error->resourceid) == gFailed.end()) {
        gFailed.push_back(error->resourceid);
      }
      return 0;
    }
    previous = gPrevious;
  }
  return previous ? previous(display, error) : 0;
}

}  // namespace

Display* X11Connection::Acquire() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gHolders == 0) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    gDisplay = display;
    gPrevious = XSetErrorHandler(OnXError);
    gFailed.clear();
  }
  ++gHolders;
  return gDisplay;
}

void X11Connection::Release() {
  Display* closing = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (gHolders == 0 || --gHolders > 0) return;
    closing = gDisplay;
  }
  // Errors of requests still in flight arrive while our handler is in place; the handler takes
  // the mutex, so it is not held here.
  XSync(closing, False);
  std::lock_guard<std::mutex> lock(gMutex);
  if (gHolders > 0) return;  // taken again meanwhile: stays open
  // A handler installed after ours stays; ours goes, so it never runs from an unloaded module.
  XErrorHandler current = XSetErrorHandler(gPrevious);
  if (current != OnXError) XSetErrorHandler(current);
  XCloseDisplay(closing);
  gDisplay = nullptr;
  gPrevious = nullptr;
  gFailed.clear();
}

bool X11Connection::TakeWindowError(Window window) {
  std::lock_guard<std::mutex> lock(gMutex);
  const auto it = std::find(gFailed.begin(), gFailed.end(), window);
  if (it == gFailed.end()) return false;
  gFailed.erase(it);
  return true;
}

int X11Connection::Holders() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gHolders;
}
