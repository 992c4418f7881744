// The Windows module as a user installs it from the zip: copied into a folder of its own with
// the manual beside it, loaded from there, its editor's manual link opens that manual. The
// shell's "open" for .pdf files is pointed at a command that records what it was asked to
// open, and put back afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TestHost.h"

namespace {

std::string Directory(const std::string& path) {
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return Directory(path);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A registry value of HKEY_CLASSES_ROOT set for the test, restored (or removed) after it.
class ClassValue {
 public:
  ClassValue(const std::string& key, const std::string& value) : mKey(key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
      char old[1024] = {};
      DWORD size = sizeof old;
      mHad = RegQueryValueExA(k, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
             ERROR_SUCCESS;
      if (mHad) mOld = old;
      RegCloseKey(k);
    }
    mExisted = k != nullptr;
    mSet = RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
  }
  ~ClassValue() {
    if (mHad) {
      RegSetValueA(HKEY_CLASSES_ROOT, mKey.c_str(), REG_SZ, mOld.c_str(),
                   static_cast<DWORD>(mOld.size()));
    } else if (!mExisted) {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, mKey.c_str());
    }
  }
  bool Set() const { return mSet; }

 private:
  std::string mKey, mOld;
  bool mHad = false, mExisted = false, mSet = false;
};

HWND Frame() {
  static const ATOM kClass = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneInstalledHostFrame";
    return RegisterClassA(&wc);
  }();
  if (!kClass) return nullptr;
  return CreateWindowExA(0, "KorvaneInstalledHostFrame", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                         20, 320, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

TEST(InstalledWindowsModule, EditorLinkOpensTheManualCopiedBesideTheModule) {
  char temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string folder =
      std::string(temp) + "korvane-installed-" + std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string name = TestHost::DefaultModulePath();
  const std::string module = folder + name, manual = folder + "KorvaneFilter_manual.pdf";
  const std::string opened = folder + "opened.txt";
  ASSERT_TRUE(CopyFileA((ProgramDirectory() + name).c_str(), module.c_str(), TRUE));
  std::ofstream(manual, std::ios::binary) << "%PDF-1.4\n";

  {
    ClassValue extension(".pdf", "KorvaneTest.Manual");
    ClassValue command("KorvaneTest.Manual\\shell\\open\\command",
                       "cmd.exe /c echo \"%1\"> \"" + opened + "\"");
    ASSERT_TRUE(extension.Set() && command.Set()) << "cannot point .pdf files at the recorder";

    TestHost host(module);
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    host.Start();
    HWND frame = Frame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, frame), 1);
    HWND editor = GetWindow(frame, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    Pump();
    const LPARAM at = MAKELPARAM(215, 112);  // inside the link, (186, 103) to (244, 121)
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(editor, WM_LBUTTONUP, 0, at);
    for (int i = 0; i < 400 && !Exists(opened); ++i) {
      Pump();
      Sleep(25);
    }
    Sleep(200);  // the recorder finishes writing
    host.Dispatch(effEditClose);
    DestroyWindow(frame);
    Pump();
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvaneTest.Manual\\shell\\open\\command");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvaneTest.Manual\\shell\\open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvaneTest.Manual\\shell");
  }
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvaneTest.Manual");

  std::string url;
  {
    std::ifstream in(opened);
    std::stringstream text;
    text << in.rdbuf();
    url = text.str();
  }
  while (!url.empty() && (url.back() == '\n' || url.back() == '\r' || url.back() == ' '))
    url.pop_back();
  if (url.size() >= 2 && url.front() == '"' && url.back() == '"')
    url = url.substr(1, url.size() - 2);
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, url.c_str(), -1, manual.c_str(), -1),
            CSTR_EQUAL)
      << "opened '" << url << "', the manual is " << manual;
  EXPECT_TRUE(Exists(url)) << url;
  DeleteFileA(opened.c_str());
  DeleteFileA(manual.c_str());
  DeleteFileA(module.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
