// The editor window of the built module, as a Windows host sees it: opened with effEditOpen
// inside a window of ours, driven by real window messages, read back from the screen with GDI
// and compared with the model's own off-screen drawing of the same state.
#include <gtest/gtest.h>
#include <png.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "graphics/IGraphics.h"
#include "product/KorvaneFilter.h"
#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"
#include "tests/support/Picture.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

namespace {

constexpr int kW = 274, kH = 350;
constexpr int kShape = KorvaneFilter::kShape, kCutoff = KorvaneFilter::kCutoff,
              kResonance = KorvaneFilter::kResonance;
// Centres of the knobs (their rectangles are in the panel's layout).
constexpr int kShapeX = 65, kShapeY = 251;
constexpr int kCutoffX = 136, kCutoffY = 251, kCutoffKnobH = 28;
constexpr int kResonanceX = 207, kResonanceY = 251;

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

// A plain top-level window standing in for the host's editor frame.
HWND CreateParentWindow(int x, int y) {
  static const ATOM kClass = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneTestFrame";
    return RegisterClassA(&wc);
  }();
  if (!kClass) return nullptr;
  HWND w = CreateWindowExA(0, "KorvaneTestFrame", "Korvane test host", WS_OVERLAPPEDWINDOW, x, y,
                           kW + 60, kH + 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  return w;
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

std::string TextOf(HWND w) {
  char text[64] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// What a window shows, read from the screen through its device context.
Picture ReadScreen(HWND window, int w, int h) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down rows, as the drawing bitmap
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  Picture p;
  if (section && bits) {
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const Pixel32*>(bits);
    p.assign(px, px + static_cast<size_t>(w) * static_cast<size_t>(h));
    for (Pixel32& v : p) v &= 0x00FFFFFFu;
    SelectObject(memory, old);
    DeleteObject(section);
  }
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return p;
}

bool WritePng(const std::string& path, const Picture& p, int w, int h) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Pixel32 v =
            p[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
        row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(v >> 16);
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(v >> 8);
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(v);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
  } else {
    ok = false;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && ok;
}

// Where the pictures differ: a count and the first place, for the failure message.
std::string Difference(const Picture& got, const Picture& want) {
  return PictureDifference(got, want, kW);
}

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    parent = CreateParentWindow(40, 40);
    ASSERT_NE(parent, nullptr);
    ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
    editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
    ASSERT_NE(editor, nullptr) << "no editor window inside the host's";
  }

  void TearDown() override {
    if (host.Effect()) host.Dispatch(effEditClose);
    if (parent) DestroyWindow(parent);
    Pump();
  }

  // One tick of the editor's timer, then whatever it posted.
  void Tick() {
    SendMessageA(editor, WM_TIMER, 2, 0);
    Pump();
  }

  void Send(UINT msg, WPARAM keys, int x, int y) { SendMessageA(editor, msg, keys, At(x, y)); }

  void RightClick(int x, int y) {
    Send(WM_RBUTTONDOWN, MK_RBUTTON, x, y);
    Send(WM_RBUTTONUP, 0, x, y);
  }

  HWND Entry(const char* cls) { return FindWindowExA(editor, nullptr, cls, nullptr); }

  // The model's drawing of the module's current parameter values, made by an instance of the
  // plug-in linked into this program.
  Picture Expected() {
    TestHost reference{KorvaneMain};
    for (int i = 0; i < 5; ++i) reference.SetParameter(i, host.GetParameter(i));
    IGraphics* gui = static_cast<KorvaneFilter*>(reference.Effect()->object)->GetGUI();
    gui->Draw(IRect(0, 0, kW, kH));
    const Pixel32* bits = gui->GetDrawBits();
    Picture p(bits, bits + kW * kH);
    for (Pixel32& v : p) v &= 0x00FFFFFFu;
    return p;
  }

  Picture Screen() { return ReadScreen(editor, kW, kH); }

  TestHost host;  // the built module, loaded as a host loads it
  HWND parent = nullptr;
  HWND editor = nullptr;
};

Picture LoadGolden(const std::string& name) {
  return LoadPicture(std::string(KORVANE_GOLDEN_DIR) + "/" + name, kW, kH);
}

TEST_F(EditorWindow, OpensAsAChildOfTheHostWindowShowingThePanel) {
  char cls[32] = {};
  GetClassNameA(editor, cls, sizeof cls);
  EXPECT_STREQ(cls, "BraxWndClass");
  EXPECT_EQ(GetParent(editor), parent);
  EXPECT_TRUE(GetWindowLongPtrA(editor, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(editor));
  RECT r{};
  GetClientRect(editor, &r);
  EXPECT_EQ(r.right - r.left, kW);
  EXPECT_EQ(r.bottom - r.top, kH);
  EXPECT_EQ(TextOf(editor), "Brax");
  const ULONG_PTR classStyle = GetClassLongPtrA(editor, GCL_STYLE);
  EXPECT_TRUE(classStyle & CS_DBLCLKS) << "the class asks for double-click messages";
  EXPECT_EQ(GetClassLongPtrA(editor, GCLP_HBRBACKGROUND), 0u) << "no background brush";

  for (int i = 0; i < 3; ++i) Tick();
  const Picture shown = Screen();
  EXPECT_TRUE(WritePng(KORVANE_SCREENSHOT, shown, kW, kH)) << KORVANE_SCREENSHOT;
  EXPECT_EQ(Difference(shown, LoadGolden("editor-default.png")), "")
      << "the window shows the default panel's golden image";
}

TEST_F(EditorWindow, CutoffKnobDraggedUpByItsHeightAutomatesAndTurnsOnScreen) {
  host.SetParameter(kCutoff, 0.5f);
  Tick();
  const Picture before = Screen();
  host.calls.clear();

  Send(WM_LBUTTONDOWN, MK_LBUTTON, kCutoffX, kCutoffY);
  EXPECT_EQ(GetCapture(), editor) << "the press takes the mouse";
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - kCutoffKnobH / 2);
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - kCutoffKnobH);
  Send(WM_LBUTTONUP, 0, kCutoffX, kCutoffY - kCutoffKnobH);
  EXPECT_EQ(GetCapture(), nullptr) << "the release gives it back";
  Send(WM_MOUSEMOVE, 0, kCutoffX, kCutoffY - 2 * kCutoffKnobH);  // no button: no drag

  ASSERT_GE(host.calls.size(), 3u);
  EXPECT_EQ(host.calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(host.calls.front().index, kCutoff);
  EXPECT_EQ(host.calls.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(host.calls.back().index, kCutoff);
  float last = 0.5f;
  int automated = 0;
  for (const TestHost::Call& c : host.calls) {
    if (c.opcode != audioMasterAutomate) continue;
    EXPECT_EQ(c.index, kCutoff);
    EXPECT_GT(c.opt, last) << "each step of the drag raises the cutoff";
    last = c.opt;
    ++automated;
  }
  EXPECT_EQ(automated, 2);
  EXPECT_NEAR(host.GetParameter(kCutoff), 0.5 + 1.0 / 6.0, 1e-6) << "a knob's height is 1/6";

  Tick();
  const Picture after = Screen();
  EXPECT_NE(Difference(after, before), "") << "the knob turned on screen";
  EXPECT_EQ(Difference(after, Expected()), "") << "the screen shows the model's drawing";
}

TEST_F(EditorWindow, EmblemClickSwitchesTheCaptionsOnScreen) {
  Tick();
  const Picture first = Screen();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 110);
  Send(WM_LBUTTONUP, 0, 30, 110);
  EXPECT_EQ(host.GetParameter(0), 1.0f);
  Tick();
  const Picture second = Screen();
  EXPECT_NE(Difference(second, first), "");
  EXPECT_EQ(Difference(second, Expected()), "") << "the second captioning";
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 110);
  Send(WM_LBUTTONUP, 0, 30, 110);
  EXPECT_EQ(host.GetParameter(0), 0.0f);
  Tick();
  EXPECT_EQ(Difference(Screen(), first), "") << "back to the first";
}

TEST_F(EditorWindow, WheelStepsInWholeNotchesAndDoubleClickRestoresTheDefault) {
  const float start = host.GetParameter(kResonance);
  POINT p{kResonanceX, kResonanceY};
  ClientToScreen(editor, &p);  // the wheel message carries screen coordinates
  auto wheel = [&](int delta, WPARAM keys) {
    SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(delta)), At(p.x, p.y));
  };
  wheel(2 * WHEEL_DELTA, 0);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.02, 1e-6) << "two notches up";
  wheel(WHEEL_DELTA / 2, 0);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.02, 1e-6) << "half a notch is nothing";
  wheel(-WHEEL_DELTA, MK_SHIFT);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.019, 1e-6) << "Shift: a fine step down";
  wheel(-WHEEL_DELTA, 0);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.009, 1e-6);

  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, kResonanceX, kResonanceY);
  Send(WM_LBUTTONUP, 0, kResonanceX, kResonanceY);
  EXPECT_FLOAT_EQ(host.GetParameter(kResonance), start) << "a double click restores the default";
  Tick();
  EXPECT_EQ(Difference(Screen(), Expected()), "");
}

TEST_F(EditorWindow, TypedCutoffTakesEffectOnTheNextTick) {
  RightClick(kCutoffX, kCutoffY);
  HWND edit = Entry("EDIT");
  ASSERT_NE(edit, nullptr) << "a right click on a knob opens an edit box";
  EXPECT_EQ(GetDlgCtrlID(edit), 99);
  RECT r{};
  GetWindowRect(edit, &r);
  MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, kCutoffX - 18);
  EXPECT_EQ(r.top, kCutoffY - 8);
  EXPECT_EQ(r.right - r.left, 36);
  EXPECT_EQ(r.bottom - r.top, 16);
  EXPECT_EQ(TextOf(edit), "18000");

  SetFocus(edit);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  for (char c : std::string("12345")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
  EXPECT_EQ(TextOf(edit), "12345") << "more digits than the box shows can be typed";
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  for (char c : std::string("1000")) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
  EXPECT_EQ(TextOf(edit), "1000");
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 110);
  Send(WM_LBUTTONUP, 0, 30, 110);
  EXPECT_EQ(host.GetParameter(0), 0.0f) << "while typing the editor ignores the left button";

  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(host.ParamDisplay(kCutoff), "18000") << "nothing before the tick";
  Tick();
  TestHost reference{KorvaneMain};
  const double want = static_cast<KorvaneFilter*>(reference.Effect()->object)
                          ->GetParam(kCutoff)
                          ->GetNormalized(1000.0);
  EXPECT_NEAR(host.GetParameter(kCutoff), want, 1e-6) << "1000 Hz, in the parameter's units";
  EXPECT_EQ(Entry("EDIT"), nullptr) << "the box closed";
  Tick();
  EXPECT_EQ(Difference(Screen(), Expected()), "") << "the knob shows 1000 Hz";
}

// The geometry a window was asked for at creation: a drop-down list's window afterwards is only
// its closed box, and how the list below it is measured differs between Windows and Wine.
struct CreatedWindow {
  std::string cls;
  int x, y, w, h;
};
std::vector<CreatedWindow> gCreated;

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    char cls[64] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
    gCreated.push_back({cls, cs->x, cs->y, cs->cx, cs->cy});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(EditorWindow, ShapeKnobOffersTheThreeShapesAndAChoiceCommits) {
  gCreated.clear();
  HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  RightClick(kShapeX, kShapeY);
  UnhookWindowsHookEx(hook);
  HWND list = Entry("COMBOBOX");
  ASSERT_NE(list, nullptr) << "an enumerated parameter gets a drop-down list";
  EXPECT_EQ(GetDlgCtrlID(list), 99);
  EXPECT_TRUE(GetWindowLongPtrA(list, GWL_STYLE) & CBS_DROPDOWNLIST);
  ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 3);
  const char* names[] = {"low pass", "band pass wide", "band pass narrow"};
  for (int i = 0; i < 3; ++i) {
    char text[64] = {};
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, names[i]);
  }
  EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0) << "the current shape is selected";
  bool found = false;
  for (const CreatedWindow& c : gCreated) {
    if (c.cls != "ComboBox" && c.cls != "COMBOBOX") continue;
    found = true;
    EXPECT_EQ(c.w, 8 * 16 + 24) << "wide enough for the longest name";
    EXPECT_EQ(c.h, 36 * 4) << "the list with its box";
    EXPECT_EQ(c.x, kShapeX - c.w / 2);
    EXPECT_EQ(c.y, kShapeY);
  }
  EXPECT_TRUE(found) << "the list's creation was seen";

  // The user picks the last item: the list tells its parent, the editor, as Windows does.
  SetFocus(list);
  SendMessageA(list, CB_SETCURSEL, 2, 0);
  SendMessageA(editor, WM_COMMAND, MAKEWPARAM(99, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(host.ParamDisplay(kShape), "low pass") << "nothing before the tick";
  Tick();
  EXPECT_EQ(host.ParamDisplay(kShape), "band pass narrow");
  EXPECT_EQ(Entry("COMBOBOX"), nullptr);
}

TEST_F(EditorWindow, RightClickOnThePanelCancelsTheEntry) {
  RightClick(kCutoffX, kCutoffY);
  HWND edit = Entry("EDIT");
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1000"));
  RightClick(100, 50);
  Tick();
  EXPECT_EQ(Entry("EDIT"), nullptr);
  EXPECT_EQ(host.ParamDisplay(kCutoff), "18000") << "cancelled, not committed";

  RightClick(kCutoffX, kCutoffY);
  ASSERT_NE(Entry("EDIT"), nullptr) << "a new entry opens after the cancel";
  host.Dispatch(effEditClose);
  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
  RightClick(kCutoffX, kCutoffY);
  EXPECT_NE(Entry("EDIT"), nullptr) << "an entry left open by a closed window is forgotten";
}

// The class is looked up in the module that registers it, as the window manager does.
bool ClassRegistered() {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(GetModuleHandleA(TestHost::DefaultModulePath().c_str()), "BraxWndClass",
                         &info) != 0;
}

TEST_F(EditorWindow, TwoEditorsRegisterTheClassOnceAndReopenInPlace) {
  EXPECT_TRUE(ClassRegistered());
  TestHost second;
  ASSERT_NE(second.Effect(), nullptr) << second.Error();
  HWND otherParent = CreateParentWindow(400, 40);
  ASSERT_NE(second.Dispatch(effEditOpen, 0, 0, otherParent), 0);
  EXPECT_NE(FindWindowExA(otherParent, nullptr, "BraxWndClass", nullptr), nullptr);
  EXPECT_TRUE(ClassRegistered());

  // Moved by the host, then opened again: the new window takes the old one's place.
  SetWindowPos(editor, nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  HWND reopened = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(FindWindowExA(parent, reopened, "BraxWndClass", nullptr), nullptr) << "only one";
  RECT r{};
  GetWindowRect(reopened, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(r.top, 9);
  EXPECT_EQ(r.right - r.left, kW);
  EXPECT_EQ(r.bottom - r.top, kH);
  editor = reopened;

  host.Dispatch(effEditClose);
  EXPECT_TRUE(ClassRegistered()) << "the other editor still uses it";
  second.Dispatch(effEditClose);
  EXPECT_FALSE(ClassRegistered()) << "unregistered with the last window";
  DestroyWindow(otherParent);

  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
  EXPECT_TRUE(ClassRegistered()) << "registered again";
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0) << "no parent: no window";
  EXPECT_FALSE(ClassRegistered()) << "a failed open leaves nothing registered";
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND top, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(top, CountChild, count);
  return TRUE;
}

// Windows of this thread: the host's frames and everything inside them.
int CountWindows() {
  int n = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&n));
  return n;
}

// Wine reports no GUI resource counts (GetGuiResources answers 0): there the windows of the
// thread are counted, and the one GDI object the editor makes per opening, the text entry's
// font, is checked to be gone. Where the counts exist they must stay level too.
TEST_F(EditorWindow, HundredReopensLeaveNoHandlesBehind) {
  std::vector<HFONT> fonts;
  // Each round: close, open, open a text entry (a window and a font), let a tick draw.
  auto round = [&] {
    host.Dispatch(effEditClose);
    ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
    editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
    RightClick(kCutoffX, kCutoffY);
    HWND edit = Entry("EDIT");
    ASSERT_NE(edit, nullptr);
    fonts.push_back(reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    Tick();
  };
  round();
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  const int windows = CountWindows();
  for (int i = 0; i < 100; ++i) round();
  host.Dispatch(effEditClose);
  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);

  EXPECT_EQ(CountWindows(), windows - 1) << "the frame and the editor, without the entry";
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user - (user ? 1 : 0))
      << "one window fewer: the entry";
  int alive = 0;
  for (HFONT f : fonts) {
    EXPECT_NE(f, nullptr) << "each entry got its font";
    alive += GetObjectType(f) != 0;
  }
  EXPECT_EQ(alive, 0) << "every entry's font was deleted with it";
}

TEST_F(EditorWindow, ShapeListFollowsAHostChangeBySelection) {
  RightClick(kShapeX, kShapeY);
  HWND list = Entry("COMBOBOX");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
  host.SetParameter(kShape, 1.0f);  // the host moves the shape while the list is open
  Tick();                           // redraws the knob
  Tick();                           // refreshes the open list
  EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 2) << "the list shows the host's shape";
  EXPECT_EQ(TextOf(list), "band pass narrow");
  EXPECT_EQ(Entry("COMBOBOX"), list) << "refreshed, not closed";
  EXPECT_EQ(host.ParamDisplay(kShape), "band pass narrow") << "and nothing committed back";
}

// The parent destroyed by the host without effEditClose, as some hosts do.
TEST_F(EditorWindow, ParentDestroyedWithoutEditCloseThenReopenedShowsAWorkingPanel) {
  host.SetParameter(kCutoff, 0.25f);
  Tick();
  DestroyWindow(parent);
  Pump();
  EXPECT_FALSE(IsWindow(editor));
  parent = CreateParentWindow(60, 60);
  ASSERT_NE(parent, nullptr);
  host.SetParameter(kCutoff, 0.75f);  // while no window is open
  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
  ASSERT_NE(editor, nullptr) << "a new editor inside the new parent";
  EXPECT_TRUE(IsWindowVisible(editor));
  RECT r{};
  GetWindowRect(editor, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0) << "at the parent's corner, not where the dead window was";
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, kW);
  EXPECT_EQ(r.bottom - r.top, kH);

  Tick();
  EXPECT_EQ(Difference(Screen(), Expected()), "") << "the whole panel at the current values";
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 110);
  Send(WM_LBUTTONUP, 0, 30, 110);
  EXPECT_EQ(host.GetParameter(0), 1.0f) << "the new window reaches the controls";
  Tick();
  EXPECT_EQ(Difference(Screen(), Expected()), "") << "and redraws";

  host.Dispatch(effEditClose);
  EXPECT_FALSE(ClassRegistered()) << "the class count stayed right";
  // Destroyed once more and the plug-in closed: nothing of the class outlives it.
  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  DestroyWindow(parent);
  parent = nullptr;
  host.Close();
  EXPECT_FALSE(ClassRegistered()) << "unregistered before the module can be unloaded";
}

TEST_F(EditorWindow, LostCaptureEndsTheEditOnceAndASecondButtonStartsNone) {
  auto edits = [&] {
    return std::make_pair(host.CountCalls(audioMasterBeginEdit),
                          host.CountCalls(audioMasterEndEdit));
  };
  const auto once = std::make_pair(1, 1);

  host.calls.clear();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, kCutoffX, kCutoffY);
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - 5);
  SetCapture(parent);  // the host takes the mouse mid-drag
  EXPECT_EQ(edits(), once) << "the drag ended when the capture went";
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - 10);
  Send(WM_LBUTTONUP, 0, kCutoffX, kCutoffY - 10);
  ReleaseCapture();
  EXPECT_EQ(edits(), once) << "a late release ends nothing more";
  EXPECT_EQ(host.CountCalls(audioMasterAutomate), 1) << "no drag after the capture went";

  host.calls.clear();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, kCutoffX, kCutoffY);
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - 5);
  Send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, kCutoffX, kCutoffY - 5);
  Send(WM_RBUTTONUP, MK_LBUTTON, kCutoffX, kCutoffY - 5);
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - 10);
  Send(WM_LBUTTONUP, 0, kCutoffX, kCutoffY - 10);
  EXPECT_EQ(edits(), once) << "a right press during a left drag";
  EXPECT_EQ(host.CountCalls(audioMasterAutomate), 2) << "the drag went on through it";
  EXPECT_EQ(Entry("EDIT"), nullptr) << "the right press opened no entry";

  host.calls.clear();
  Send(WM_LBUTTONDOWN, MK_LBUTTON, kCutoffX, kCutoffY);
  Send(WM_MOUSEMOVE, MK_LBUTTON, kCutoffX, kCutoffY - 5);
  host.Dispatch(effEditClose);
  EXPECT_EQ(edits(), once) << "the editor closed mid-drag";
  EXPECT_EQ(host.calls.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(host.calls.back().index, kCutoff);
  ASSERT_NE(host.Dispatch(effEditOpen, 0, 0, parent), 0);
  editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
}

BOOL CALLBACK CountEditorChild(HWND child, LPARAM count) {
  char cls[32] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (std::string(cls) == "BraxWndClass") ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int EditorWindowsIn(HWND parent) {
  int n = 0;
  EnumChildWindows(parent, CountEditorChild, reinterpret_cast<LPARAM>(&n));
  return n;
}

// effEditClose and effClose on a thread other than the one that opened the editor, while that
// one goes on taking messages, as a host's user-interface thread does.
TEST(EditorWindowThreads, ClosedFromAnotherThreadLeavesNoWindowAfterUnload) {
  for (const bool editClose : {true, false}) {
    const char* how = editClose ? "effEditClose, then effClose" : "effClose alone";
    auto host = std::make_unique<TestHost>();
    ASSERT_NE(host->Effect(), nullptr) << host->Error();
    HWND parent = CreateParentWindow(40, 40);
    ASSERT_NE(host->Dispatch(effEditOpen, 0, 0, parent), 0);
    HWND editor = FindWindowExA(parent, nullptr, "BraxWndClass", nullptr);
    ASSERT_NE(editor, nullptr);
    Pump();

    std::atomic<bool> done{false};
    std::thread closer([&] {
      if (editClose) host->Dispatch(effEditClose);
      host->Close();
      done = true;
    });
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < give_up) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      Pump();
    }
    closer.join();
    EXPECT_FALSE(IsWindow(editor)) << how;
    EXPECT_EQ(EditorWindowsIn(parent), 0) << how;
    EXPECT_FALSE(ClassRegistered()) << how;

    host.reset();  // FreeLibrary
    // A window left behind would now run unloaded code on its next paint or timer tick.
    RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      Pump();
    }
    EXPECT_EQ(EditorWindowsIn(parent), 0) << how;
    DestroyWindow(parent);
    Pump();
  }
}

}  // namespace
