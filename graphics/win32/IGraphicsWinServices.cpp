// What the editor offers its controls on Windows: GDI text, directories, the file and colour
// dialogs, opening URLs, and the module's images.
// shellapi.h and wininet.h need windows.h before them.
// clang-format off
#include "graphics/win32/IGraphicsWin.h"
#include <commdlg.h>
#include <shellapi.h>
#include <wininet.h>
// clang-format on

#include <cstring>

#include "graphics/UrlScheme.h"
#include "platform/ModulePath.h"
#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"

namespace {

constexpr int kMaxFilePath = 256;  // 255 characters and the terminator

// Sets the colour dialog's title to the caption handed through lCustData.
UINT_PTR CALLBACK ColorDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    const auto* chooser = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    const char* caption = reinterpret_cast<const char*>(chooser->lCustData);
    if (caption) SetWindowTextA(dialog, caption);
  }
  return 0;  // the dialog's own processing goes on
}

bool Given(const char* text) {
  return text && text[0];
}

}  // namespace

// =============================================================================== text ===

bool IGraphicsWin::DrawTextBox(const IText& text, const char* str, const IRect& r) {
  if (!str) return true;
  RasterBitmap* bitmap = DrawingBitmap();
  HDC dc = bitmap ? static_cast<HDC>(bitmap->getDC()) : nullptr;
  if (!dc) return false;

  const bool first = !mFontMade;
  if (first) {
    // The first style's font stays for the life of the object, whatever later styles ask.
    char face[LF_FACESIZE] = {};
    std::memcpy(face, text.font, sizeof face - 1);
    const int angle = text.orientation * 10;  // tenths of a degree
    mFont = CreateFontA(text.size, 0, angle, angle, text.style == IText::kStyleBold ? FW_BOLD : 0,
                        text.style == IText::kStyleItalic, FALSE, FALSE, 0, 0, 0, 0, 0, face);
    if (mFont) mPreviousFont = SelectObject(dc, mFont);
    SetBkMode(dc, TRANSPARENT);
    mFontMade = true;
  }
  if (first || text.color != mTextColor) {
    SetTextColor(dc, RGB(text.color.R, text.color.G, text.color.B));
    mTextColor = text.color;
  }

  UINT format = DT_NOCLIP | DT_LEFT;
  if (text.align == IText::kAlignCenter) format = DT_NOCLIP | DT_CENTER;
  if (text.align == IText::kAlignFar) format = DT_NOCLIP | DT_RIGHT;
  RECT box{r.L, r.T, r.R, r.B};
  return DrawTextA(dc, str, -1, &box, format) != 0;
}

// ======================================================================== directories ===

void IGraphicsWin::GetHostDirectory(std::string& dir) {
  dir = DirectoryOf(HostExecutablePath());
}

void IGraphicsWin::GetPluginDirectory(std::string& dir) {
  dir = DirectoryOf(ThisModulePath());
}

// ============================================================================ dialogs ===

void IGraphicsWin::PromptForFile(std::string& path, int action, const char* dir, const char*) {
  path.clear();
  if (!mWindow) return;
  char file[kMaxFilePath] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = mWindow;
  ofn.lpstrFile = file;
  ofn.nMaxFile = kMaxFilePath;
  ofn.lpstrInitialDir = Given(dir) ? dir : nullptr;
  bool chosen = false;
  if (action == 1) {
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    chosen = GetSaveFileNameA(&ofn) != 0;
  } else {
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameA(&ofn) != 0;
  }
  if (chosen) path = file;
}

bool IGraphicsWin::PromptForColor(IColor& color, const char* caption) {
  if (!mWindow) return false;
  CHOOSECOLORA chooser{};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = mWindow;
  chooser.rgbResult = RGB(color.R, color.G, color.B);
  chooser.lpCustColors = mCustomColors.data();
  chooser.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR | CC_ENABLEHOOK;
  chooser.lCustData = reinterpret_cast<LPARAM>(caption);
  chooser.lpfnHook = ColorDialogHook;
  if (!ChooseColorA(&chooser)) return false;
  color.R = GetRValue(chooser.rgbResult);
  color.G = GetGValue(chooser.rgbResult);
  color.B = GetBValue(chooser.rgbResult);
  return true;
}

bool IGraphicsWin::OpenURL(const char* url, const char* caption, const char* confirm,
                           const char* errMsg) {
  if (Given(confirm) && MessageBoxA(mWindow, confirm, caption, MB_YESNO) != IDYES) return false;
  // A file beside the module (the manual) opens without a network; a web address needs one.
  if (Given(url) && (!UrlHasScheme(url) || NetworkConnected())) {
    const HINSTANCE result = ShellExecuteA(mWindow, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32) return true;  // the shell's mark of success
  }
  if (Given(errMsg)) MessageBoxA(mWindow, errMsg, caption, MB_OK);
  return false;
}

bool IGraphicsWin::NetworkConnected() const {
  DWORD connection = 0;
  return InternetGetConnectedState(&connection, 0) != FALSE;
}

// ============================================================================= images ===

RasterBitmap* IGraphicsWin::LoadPlatformBitmap(int id, const char*) {
  return loadPngResource(mInstance, id, nullptr);
}
