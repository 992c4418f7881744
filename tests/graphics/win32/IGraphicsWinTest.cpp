// The Windows editor host through its class interface, with a recording plug-in and a probe
// control, inside a window of the test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "graphics/CreateGraphics.h"
#include "graphics/UrlScheme.h"
#include "graphics/win32/DecimalText.h"
#include "graphics/win32/IGraphicsWin.h"
#include "platform/LockGuard.h"
#include "tests/graphics/EditorTestKit.h"

namespace {

// Records the mouse events that reach it.
class ProbeControl : public IControl {
 public:
  ProbeControl(BraxBase* plug, const IRect& r) : IControl(plug, r, 0) {}
  struct Event {
    std::string kind;
    int x, y;
    IMouseState mod;
    int delta;
  };
  std::vector<Event> events;
  std::function<void()> onDown;  // runs inside the press, on the window's thread

  bool Draw(IGraphics*) override { return true; }
  void OnMouseDown(int x, int y, const IMouseState& m) override {
    events.push_back({"down", x, y, m, 0});
    if (onDown) onDown();
  }
  void OnMouseUp(int x, int y) override { events.push_back({"up", x, y, IMouseState(), 0}); }
  void OnMouseDrag(int x, int y, int, int, const IMouseState& m) override {
    events.push_back({"drag", x, y, m, 0});
  }
  void OnMouseWheel(int x, int y, const IMouseState& m, int delta) override {
    events.push_back({"wheel", x, y, m, delta});
  }
};

HWND Frame(DWORD style, HWND parent, int w, int h) {
  static const ATOM kClass = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneTestHostFrame";
    return RegisterClassA(&wc);
  }();
  if (!kClass) return nullptr;
  return CreateWindowExA(0, "KorvaneTestHostFrame", "", style | WS_VISIBLE, 20, 20, w, h, parent,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

bool ClassRegistered(WNDCLASSEXA* found = nullptr) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  const bool registered = GetClassInfoExA(GetModuleHandleA(nullptr), "BraxWndClass", &info) != 0;
  if (found) *found = info;
  return registered;
}

// Pumps this thread's messages until done is set; false if that took longer than a few seconds.
bool PumpUntil(const std::atomic<bool>& done) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done.load()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Pump();
  }
  return true;
}

// Waits without taking messages; false if done was not set within a few seconds.
bool WaitWithoutMessages(const std::atomic<bool>& done) {
  for (int i = 0; i < 2000 && !done.load(); ++i) Sleep(5);
  return done.load();
}

LPARAM At(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class WinHost : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = Frame(WS_OVERLAPPEDWINDOW, nullptr, 300, 300);
    ASSERT_NE(frame, nullptr);
    gui.reset(static_cast<IGraphicsWin*>(CreateGraphics(&plug, 100, 80, 18)));
    probe = new ProbeControl(&plug, IRect(10, 10, 60, 60));
    gui->AttachControl(probe);
    gui->CreateDrawSurface();
  }
  void TearDown() override {
    gui.reset();
    DestroyWindow(frame);
    Pump();
  }
  HWND Open() { return static_cast<HWND>(gui->OpenWindow(frame)); }

  RecordingPlug plug;
  std::unique_ptr<IGraphicsWin> gui;
  ProbeControl* probe = nullptr;
  HWND frame = nullptr;
};

TEST_F(WinHost, TickPeriodIsAThousandDividedByTheFrameRate) {
  const struct {
    int fps;
    UINT ms;
  } cases[] = {{24, 41}, {18, 55}, {30, 33}, {0, 41}};
  for (const auto& c : cases) {
    IGraphicsWin g(&plug, 50, 50, c.fps);
    g.CreateDrawSurface();
    EXPECT_EQ(g.TickPeriod(), 0u) << "no timer while closed";
    ASSERT_NE(g.OpenWindow(frame), nullptr);
    EXPECT_EQ(g.TickPeriod(), c.ms) << c.fps << " frames per second";
  }
}

TEST_F(WinHost, ClassLivesWhileAnyEditorWindowDoes) {
  EXPECT_FALSE(ClassRegistered());
  IGraphicsWin other(&plug, 50, 50, 18);
  other.CreateDrawSurface();
  ASSERT_NE(Open(), nullptr);
  WNDCLASSEXA info{};
  ASSERT_TRUE(ClassRegistered(&info));
  EXPECT_TRUE(info.style & CS_DBLCLKS) << "the class asks for double-click messages";
  EXPECT_EQ(info.hbrBackground, nullptr) << "no background brush: the editor paints it all";
  EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  ASSERT_NE(other.OpenWindow(frame), nullptr);
  gui->CloseWindow();
  EXPECT_EQ(gui->GetWindow(), nullptr);
  EXPECT_TRUE(ClassRegistered());
  // The window's close message goes the same way as CloseWindow, even while an entry is typed.
  HWND window = static_cast<HWND>(other.GetWindow());
  other.CreateTextEntry(probe, plug.GetParam(0));
  SetFocus(other.TextEntryWindow());
  ASSERT_EQ(other.TextEntryState(), 1);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(other.GetWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(ClassRegistered());
  EXPECT_EQ(gui->OpenWindow(nullptr), nullptr) << "a child needs a parent";
  EXPECT_FALSE(ClassRegistered()) << "the failed open undid the registration";
}

TEST_F(WinHost, MouseMessagesCarryPositionAndModifiers) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(20, 30));
  SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, At(-5, 25));
  SendMessageA(w, WM_LBUTTONUP, 0, At(-5, 25));
  SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, At(30, 30));  // no capture: no drag
  ASSERT_EQ(probe->events.size(), 3u);
  const auto& down = probe->events[0];
  EXPECT_EQ(down.kind, "down");
  EXPECT_EQ(down.x, 20);
  EXPECT_EQ(down.y, 30);
  EXPECT_TRUE(down.mod.L && down.mod.S && !down.mod.R && !down.mod.C && !down.mod.A);
  EXPECT_EQ(probe->events[1].kind, "drag");
  EXPECT_EQ(probe->events[1].x, -5) << "positions are signed";
  EXPECT_TRUE(probe->events[1].mod.C && !probe->events[1].mod.S);
  EXPECT_EQ(probe->events[2].kind, "up");

  // Alt is read from the keyboard at that moment.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
  SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, At(20, 30));
  SendMessageA(w, WM_RBUTTONUP, 0, At(20, 30));
  keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  ASSERT_EQ(probe->events.size(), 5u);
  EXPECT_TRUE(probe->events[3].mod.R && probe->events[3].mod.A && !probe->events[3].mod.L);
}

TEST_F(WinHost, WheelCountsWholeNotchesAtTheWindowPosition) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  RECT r{};
  GetWindowRect(w, &r);
  const struct { int raw, notches; } cases[] = {{120, 1}, {-240, -2}, {60, 0}, {-119, 0}, {359, 2}};
  for (const auto& c : cases) {
    probe->events.clear();
    SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(c.raw)),
                 At(r.left + 15, r.top + 25));
    ASSERT_EQ(probe->events.size(), 1u) << c.raw;
    EXPECT_EQ(probe->events[0].delta, c.notches) << c.raw << " units of wheel";
    EXPECT_EQ(probe->events[0].x, 15) << "screen position made window-relative";
    EXPECT_EQ(probe->events[0].y, 25);
    EXPECT_TRUE(probe->events[0].mod.S);
  }
}

TEST_F(WinHost, FocusedEntryHoldsTheEditorStillAndARightClickCancels) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  gui->CreateTextEntry(probe, plug.GetParam(0));
  HWND entry = gui->TextEntryWindow();
  ASSERT_NE(entry, nullptr);
  gui->CreateTextEntry(probe, plug.GetParam(1));
  EXPECT_EQ(gui->TextEntryWindow(), entry) << "one entry at a time";
  EXPECT_EQ(gui->TextEntryState(), 0);
  SetFocus(entry);
  EXPECT_EQ(gui->TextEntryState(), 1);

  probe->events.clear();
  probe->SetDirty(false);
  const size_t logged = plug.log.size();
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
  SendMessageA(w, WM_TIMER, IGraphicsWin::kTickTimer, 0);
  EXPECT_TRUE(probe->events.empty()) << "no clicks while typing";
  EXPECT_TRUE(probe->IsDirty()) << "no redraw while typing";
  // Typed but cancelled: committing this would change the value and tell the plug-in.
  SetWindowTextA(entry, "0.5");
  SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, At(20, 30));
  EXPECT_EQ(gui->TextEntryState(), 3);
  EXPECT_TRUE(probe->events.empty()) << "the cancelling click is consumed";
  SendMessageA(w, WM_TIMER, IGraphicsWin::kTickTimer, 0);
  EXPECT_EQ(gui->TextEntryWindow(), nullptr);
  EXPECT_FALSE(IsWindow(entry));
  EXPECT_EQ(plug.log.size(), logged) << "nothing was committed";
  EXPECT_EQ(probe->GetValue(), 0.0) << "the typed 0.5 was dropped";
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
}

TEST_F(WinHost, EntryTextIsReadAsALeadingDecimalNumber) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  const struct {
    const char* typed;
    double value;
  } cases[] = {{"0.25", 0.25}, {" 0.5 V", 0.5}, {"abc", 0.0}, {"2", 1.0}, {"-3", 0.0}};
  for (const auto& c : cases) {
    plug.GetParam(1)->SetValue(0.75);
    gui->CreateTextEntry(probe, plug.GetParam(1));
    HWND entry = gui->TextEntryWindow();
    ASSERT_NE(entry, nullptr);
    SetWindowTextA(entry, c.typed);
    SendMessageA(entry, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(gui->TextEntryState(), 4);
    SendMessageA(w, WM_TIMER, IGraphicsWin::kTickTimer, 0);
    EXPECT_EQ(gui->TextEntryWindow(), nullptr);
    EXPECT_DOUBLE_EQ(probe->GetValue(), c.value) << "typed \"" << c.typed << "\"";
  }

  const struct {
    const char* text;
    double value;
  } numbers[] = {{"1000", 1000.0},
                 {"  -2.5e3x", -2500.0},
                 {"+.5", 0.5},
                 {"7.", 7.0},
                 {"inf", 0.0},
                 {"nan", 0.0},
                 {"0x1A", 0.0},
                 {"", 0.0},
                 {"-", 0.0},
                 {".", 0.0},
                 {"3e", 3.0},
                 {"1e999", INFINITY},
                 {"-1e999", -INFINITY},
                 {"1e-999", 0.0},
                 {"12,5", 12.0}};
  for (const auto& n : numbers) {
    EXPECT_EQ(LeadingDecimal(n.text), n.value) << "\"" << n.text << "\"";
  }
  EXPECT_EQ(LeadingDecimal(nullptr), 0.0);
}

TEST_F(WinHost, TextKeepsTheFirstFontAndFollowsTheColour) {
  auto footprint = [&](const IText& style) {
    gui->FillRect(IColor(255, 255, 255, 255), IRect(0, 0, 100, 80), nullptr);
    EXPECT_TRUE(gui->DrawTextBox(style, "W8", IRect(0, 0, 100, 80)));
    GdiFlush();  // GDI may batch its drawing
    std::set<int> marked;
    int reddish = 0, bluish = 0;
    const Pixel32* bits = gui->GetDrawBits();
    for (int i = 0; i < 100 * 80; ++i) {
      const Pixel32 p = bits[i] & 0x00FFFFFFu;
      if (p == 0x00FFFFFFu) continue;
      marked.insert(i);
      reddish += ((p >> 16) & 0xFF) > (p & 0xFF);
      bluish += (p & 0xFF) > ((p >> 16) & 0xFF);
    }
    return std::make_tuple(marked, reddish, bluish);
  };
  IText small;
  small.size = 14;
  small.color = IColor(255, 255, 0, 0);
  IText large;
  large.size = 40;
  large.style = IText::kStyleBold;
  large.color = IColor(255, 0, 0, 255);

  const auto [first, red1, blue1] = footprint(small);
  const auto [second, red2, blue2] = footprint(large);
  ASSERT_FALSE(first.empty()) << "the text was drawn";
  EXPECT_EQ(second, first) << "the second style draws with the first style's font";
  EXPECT_GT(red1, 0);
  EXPECT_EQ(blue1, 0);
  EXPECT_GT(blue2, 0) << "the colour follows the second style";
  EXPECT_EQ(red2, 0);
  EXPECT_TRUE(gui->DrawTextBox(small, nullptr, IRect(0, 0, 10, 10))) << "no text: true";
}

TEST_F(WinHost, DirectoriesEndInABackslash) {
  std::string plugin, host;
  gui->GetPluginDirectory(plugin);
  gui->GetHostDirectory(host);
  ASSERT_FALSE(plugin.empty());
  EXPECT_EQ(plugin.back(), '\\');
  EXPECT_EQ(host, plugin) << "this program is both the host and the module";
}

// Answers the dialog the code under test shows from inside its modal loop, then ends the
// timer; the dialog's text and title are kept for the test.
struct DialogAnswer {
  static inline int button = IDCANCEL;
  static inline int shown = 0;
  static inline std::string title, text;
  static BOOL CALLBACK Find(HWND w, LPARAM) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(w)) return TRUE;
    char buffer[256] = {};
    GetWindowTextA(w, buffer, sizeof buffer);
    title = buffer;
    buffer[0] = 0;
    GetDlgItemTextA(w, 0xFFFF, buffer, sizeof buffer);  // a message box's text
    text = buffer;
    ++shown;
    PostMessageA(w, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    const int before = shown;
    EnumThreadWindows(GetCurrentThreadId(), Find, 0);
    if (shown != before) KillTimer(nullptr, id);
  }
  static void Arm(int answer) {
    button = answer;
    title.clear();
    text.clear();
    SetTimer(nullptr, 0, 50, Tick);
  }
};

TEST_F(WinHost, DialogsAnsweredNoOrCancelChangeNothing) {
  IColor color(17, 10, 20, 30);
  std::string path = "stale";
  EXPECT_FALSE(gui->PromptForColor(color, "Lamp")) << "no window, no dialog";
  gui->PromptForFile(path, 0, nullptr, nullptr);
  EXPECT_EQ(path, "");
  ASSERT_NE(Open(), nullptr);

  DialogAnswer::shown = 0;
  DialogAnswer::Arm(IDCANCEL);
  EXPECT_FALSE(gui->PromptForColor(color, "Lamp colour"));
  EXPECT_EQ(DialogAnswer::title, "Lamp colour") << "the hook titles the dialog";
  EXPECT_EQ(color, IColor(17, 10, 20, 30)) << "cancelled: unchanged";
  DialogAnswer::Arm(IDOK);
  EXPECT_TRUE(gui->PromptForColor(color, nullptr));
  EXPECT_EQ(color, IColor(17, 10, 20, 30)) << "confirmed as it started, alpha kept";

  DialogAnswer::Arm(IDNO);
  EXPECT_FALSE(gui->OpenURL("http://example.invalid/", "Manual", "Open the manual?", "Failed"));
  EXPECT_EQ(DialogAnswer::text, "Open the manual?");
  EXPECT_EQ(DialogAnswer::title, "Manual");
  Pump();
  EXPECT_EQ(DialogAnswer::shown, 3) << "after no, neither the URL nor the error text";
}

TEST_F(WinHost, ResizeGrowsTheWindowAndTheHostsChildFrames) {
  HWND inner = Frame(WS_CHILD, frame, 200, 150);
  ASSERT_NE(inner, nullptr);
  HWND w = static_cast<HWND>(gui->OpenWindow(inner));
  ASSERT_NE(w, nullptr);
  auto size = [](HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return std::make_pair(static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
  };
  const auto outer0 = size(frame), inner0 = size(inner);
  gui->CreateTextEntry(probe, plug.GetParam(0));
  HWND entry = gui->TextEntryWindow();
  ASSERT_NE(entry, nullptr);
  gui->Resize(130, 70);
  EXPECT_EQ(gui->TextEntryWindow(), nullptr) << "the entry's control is gone with the others";
  EXPECT_FALSE(IsWindow(entry));
  EXPECT_EQ(size(w), std::make_pair(130, 70));
  EXPECT_EQ(size(inner), std::make_pair(inner0.first + 30, inner0.second - 10));
  EXPECT_EQ(size(frame), std::make_pair(outer0.first + 30, outer0.second - 10))
      << "the child frame's parent grows too";
  EXPECT_EQ(gui->Width(), 130);
  EXPECT_EQ(plug.Count("resize"), 1);
  ASSERT_NE(gui->GetDrawBits(), nullptr);
  gui->SetPixelDirect(IColor(255, 1, 2, 3), 129, 69);
  EXPECT_EQ(gui->GetPoint(129, 69), IColor(255, 1, 2, 3)) << "the drawing bitmap grew";
}

TEST_F(WinHost, TheWindowsOwnTimerTicksAndRedraws) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  probe->SetDirty(false);
  ASSERT_TRUE(probe->IsDirty());
  // Only the timer that SetTimer started puts WM_TIMER in this window's queue.
  bool ticked = false;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!ticked && std::chrono::steady_clock::now() < give_up) {
    MSG m{};
    if (!PeekMessageA(&m, w, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_TIMER);
      continue;
    }
    ticked = m.wParam == IGraphicsWin::kTickTimer;
    DispatchMessageA(&m);
  }
  EXPECT_TRUE(ticked) << "the open window's timer ticked with identifier 2";
  EXPECT_FALSE(probe->IsDirty()) << "the tick redrew the dirty control";
}

TEST_F(WinHost, EveryBeginEditEndsOnceWhateverEndsTheGesture) {
  HWND other = Frame(WS_CHILD, frame, 10, 10);
  ASSERT_NE(other, nullptr);
  HWND w = nullptr;
  auto send = [&](UINT msg, WPARAM keys, int x, int y) { SendMessageA(w, msg, keys, At(x, y)); };
  const struct {
    const char* name;
    std::function<void()> gesture;
    int lastX, lastY;  // where the release reaches the control
  } cases[] = {
      {"a release outside after another window took the capture",
       [&] {
         send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 30);
         send(WM_MOUSEMOVE, MK_LBUTTON, 22, 25);
         SetCapture(other);
         send(WM_LBUTTONUP, 0, 40, 40);  // a late release is no second end
       },
       22, 25},
      {"the capture released by someone else",
       [&] {
         send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 30);
         send(WM_MOUSEMOVE, MK_LBUTTON, 24, 26);
         ReleaseCapture();
         send(WM_MOUSEMOVE, MK_LBUTTON, 30, 20);  // no capture: no drag
       },
       24, 26},
      {"a right press and release during a left drag",
       [&] {
         send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 30);
         send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 21, 30);
         send(WM_RBUTTONUP, MK_LBUTTON, 21, 30);
         send(WM_MOUSEMOVE, MK_LBUTTON, 21, 28);  // still dragging
         send(WM_LBUTTONUP, 0, 21, 28);
       },
       21, 28},
      {"a right press during a left drag, the left released first",
       [&] {
         send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 30);
         send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 20, 30);
         send(WM_LBUTTONUP, MK_RBUTTON, 23, 31);
         send(WM_RBUTTONUP, 0, 23, 31);
       },
       23, 31},
      {"a left double click during a right drag",
       [&] {
         send(WM_RBUTTONDOWN, MK_RBUTTON, 20, 30);
         send(WM_LBUTTONDBLCLK, MK_LBUTTON | MK_RBUTTON, 20, 30);
         send(WM_LBUTTONUP, MK_RBUTTON, 20, 30);
         send(WM_RBUTTONUP, 0, 25, 35);
       },
       25, 35},
      {"the window closed during the drag",
       [&] {
         send(WM_LBUTTONDOWN, MK_LBUTTON, 20, 30);
         send(WM_MOUSEMOVE, MK_LBUTTON, 26, 33);
         gui->CloseWindow();
       },
       26, 33},
  };
  for (const auto& c : cases) {
    w = Open();
    ASSERT_NE(w, nullptr) << c.name;
    plug.log.clear();
    probe->events.clear();
    c.gesture();
    const std::vector<std::string> want = {"begin 0", "end 0"};
    EXPECT_EQ(plug.log, want) << c.name;
    int downs = 0, ups = 0;
    for (const auto& e : probe->events) {
      downs += e.kind == "down";
      ups += e.kind == "up";
    }
    EXPECT_EQ(downs, 1) << c.name;
    EXPECT_EQ(ups, 1) << c.name;
    if (ups == 0) continue;
    EXPECT_EQ(probe->events.back().kind, "up") << c.name;
    EXPECT_EQ(probe->events.back().x, c.lastX) << c.name;
    EXPECT_EQ(probe->events.back().y, c.lastY) << c.name;
    EXPECT_NE(GetCapture(), w) << c.name;
  }
}

TEST_F(WinHost, ParentDestroyedWithoutCloseIsForgottenAndTheNextOpenWorks) {
  HWND inner = Frame(WS_CHILD, frame, 200, 150);
  ASSERT_NE(inner, nullptr);
  HWND w = static_cast<HWND>(gui->OpenWindow(inner));
  ASSERT_NE(w, nullptr);
  gui->CreateTextEntry(probe, plug.GetParam(0));
  ASSERT_NE(gui->TextEntryWindow(), nullptr);
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
  plug.log.clear();
  DestroyWindow(inner);  // as a host closing its frame without effEditClose
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(gui->GetWindow(), nullptr) << "the dead window is forgotten";
  EXPECT_EQ(gui->TextEntryWindow(), nullptr) << "and its entry";
  EXPECT_EQ(gui->TickPeriod(), 0u);
  EXPECT_EQ(plug.log, std::vector<std::string>{"end 0"}) << "the press ended with the window";

  HWND again = Open();
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(IsWindowVisible(again));
  RECT r{};
  GetWindowRect(again, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0) << "at the new parent's corner, not where the dead window was";
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, 100);
  EXPECT_EQ(r.bottom - r.top, 80);
  probe->events.clear();
  SendMessageA(again, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
  SendMessageA(again, WM_LBUTTONUP, 0, At(20, 30));
  EXPECT_EQ(probe->events.size(), 2u) << "the new window reaches the controls";
  gui->CreateTextEntry(probe, plug.GetParam(0));
  EXPECT_NE(gui->TextEntryWindow(), nullptr) << "a new entry opens";
  gui->CloseWindow();
  EXPECT_FALSE(ClassRegistered()) << "the count stayed right: unregistered with the last window";

  // The last window gone with its parent, then the plug-in closed: the class goes before the
  // module could be unloaded.
  auto other = std::make_unique<IGraphicsWin>(&plug, 50, 50, 18);
  other->CreateDrawSurface();
  inner = Frame(WS_CHILD, frame, 200, 150);
  ASSERT_NE(other->OpenWindow(inner), nullptr);
  DestroyWindow(inner);
  other.reset();
  EXPECT_FALSE(ClassRegistered()) << "unregistered by the destructor at the latest";
}

TEST_F(WinHost, ClosedFromAnotherThreadTheWindowGoesOnItsOwnThread) {
  // The window thread takes messages: the close waits for it and the window is gone at once.
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  gui->CreateTextEntry(probe, plug.GetParam(0));
  HWND entry = gui->TextEntryWindow();
  // Nothing but the close may reach the window meanwhile: a close that finds the window thread
  // inside the editor (a tick, a paint) rightly returns before the window has gone.
  KillTimer(w, IGraphicsWin::kTickTimer);
  Pump();
  std::atomic<bool> done{false};
  bool goneOnReturn = false;
  std::thread closer([&] {
    LockGuard lock(plug.PluginLock());  // as the dispatcher holds it during effEditClose
    gui->CloseWindow();
    goneOnReturn = gui->GetWindow() == nullptr;
    done = true;
  });
  EXPECT_TRUE(PumpUntil(done)) << "the close finished";
  closer.join();
  EXPECT_TRUE(goneOnReturn) << "the close waited for the window thread";
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(IsWindow(entry));
  EXPECT_FALSE(ClassRegistered());

  // The window thread is inside the editor, waiting for the plug-in lock that the closing
  // thread holds: the close does not wait for it, and the window goes on the way out.
  w = Open();
  ASSERT_NE(w, nullptr);
  done = false;
  bool closerFinished = false;
  std::thread second;
  probe->onDown = [&] {
    second = std::thread([&] {
      LockGuard lock(plug.PluginLock());
      gui->CloseWindow();
      done = true;
    });
    closerFinished = WaitWithoutMessages(done);
    if (closerFinished) {
      LockGuard lock(plug.PluginLock());  // blocked here without the close from there
    }
  };
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
  second.join();
  probe->onDown = nullptr;
  EXPECT_TRUE(closerFinished) << "the closing thread did not wait for the busy window thread";
  EXPECT_FALSE(IsWindow(w)) << "closed as the press was left";
  EXPECT_EQ(gui->GetWindow(), nullptr);
  EXPECT_EQ(plug.Count("end 0"), 1) << "the press that was running ended with the window";
  EXPECT_FALSE(ClassRegistered());

  // Destroyed from another thread: the window goes before the object does.
  w = Open();
  ASSERT_NE(w, nullptr);
  done = false;
  std::thread destroyer([&] {
    gui.reset();
    done = true;
  });
  EXPECT_TRUE(PumpUntil(done));
  destroyer.join();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(ClassRegistered());
}

TEST_F(WinHost, AWindowThreadThatTakesNoMessagesGetsAWindowThatNoLongerCallsUs) {
  HWND w = Open();
  ASSERT_NE(w, nullptr);
  gui->CreateTextEntry(probe, plug.GetParam(0));
  HWND entry = gui->TextEntryWindow();
  std::atomic<bool> done{false};
  std::thread destroyer([&] {
    gui.reset();
    done = true;
  });
  destroyer.join();  // this thread takes no messages meanwhile
  ASSERT_TRUE(done.load());
  ASSERT_TRUE(IsWindow(w)) << "only its own thread can destroy it";
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 0) << "it no longer knows the freed object";
  EXPECT_EQ(GetWindowLongPtrA(entry, GWLP_USERDATA), 0);
  // Messages for it now meet default processing; these would reach the freed object otherwise.
  SendMessageA(w, WM_TIMER, IGraphicsWin::kTickTimer, 0);
  SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
  SendMessageA(entry, WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  DestroyWindow(w);
  EXPECT_FALSE(IsWindow(entry));
}

}  // namespace

namespace {
// A host on a machine the system reports offline; counts how often it asked.
class OfflineWin : public IGraphicsWin {
 public:
  using IGraphicsWin::IGraphicsWin;
  mutable int asked = 0;

 protected:
  bool NetworkConnected() const override {
    ++asked;
    return false;
  }
};

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(10);
  }
  return false;
}
}  // namespace

TEST(UrlScheme, OnlyAddressesWithASchemeCountAsNeedingTheNetwork) {
  for (const char* url : {"http://example.invalid/", "https://x", "mailto:a@b", "file:///c/x.pdf",
                          "svn+ssh://h/r", "x-y.z:rest"})
    EXPECT_TRUE(UrlHasScheme(url)) << url;
  for (const char* url : {"C:\\Program Files\\VST\\KorvaneFilter_manual.pdf", "c:/x.pdf",
                          "\\\\server\\share\\m.pdf", "/usr/lib/vst/KorvaneFilter_manual.pdf",
                          "relative\\m.pdf", "1http://x", "ht tp://x", "", ":x"})
    EXPECT_FALSE(UrlHasScheme(url)) << url;
  EXPECT_FALSE(UrlHasScheme(nullptr));
}

TEST_F(WinHost, LocalFileOpensWhileOfflineAndAWebAddressDoesNot) {
  char dir[MAX_PATH] = {};
  ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
  const std::string base =
      std::string(dir) + "korvane-open-" + std::to_string(GetCurrentProcessId());
  const std::string script = base + ".bat", marker = base + ".opened";
  DeleteFileA(marker.c_str());
  HANDLE f = CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  const std::string body = "@echo opened> \"" + marker + "\"\r\n";
  DWORD written = 0;
  WriteFile(f, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
  CloseHandle(f);

  OfflineWin offline(&plug, 50, 50, 18);
  offline.CreateDrawSurface();
  ASSERT_NE(offline.OpenWindow(frame), nullptr);
  EXPECT_FALSE(offline.OpenURL("http://example.invalid/", nullptr, nullptr, nullptr));
  EXPECT_EQ(offline.asked, 1) << "a web address asks for the network";
  EXPECT_TRUE(offline.OpenURL(script.c_str(), nullptr, nullptr, nullptr))
      << "the shell opens a local file whatever the network";
  EXPECT_EQ(offline.asked, 1) << "a local path does not ask";
  EXPECT_TRUE(WaitForFile(marker)) << "the file was opened";
  DeleteFileA(marker.c_str());
  DeleteFileA(script.c_str());
}
