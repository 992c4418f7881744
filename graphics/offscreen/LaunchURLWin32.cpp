// Opens a URL with the Windows shell's "open" verb.
// shellapi.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "graphics/offscreen/IGraphicsOffscreen.h"

bool LaunchURL(const char* url) {
  if (!url || !url[0]) return false;
  const HINSTANCE result = ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;  // the shell's convention for success
}
