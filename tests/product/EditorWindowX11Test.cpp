// The editor window of the built module, as a Linux host sees it: opened with effEditOpen
// inside a top-level window of ours on our own X connection, driven by effEditIdle and by X
// events sent to it, read back from the server with XGetImage and compared with the golden
// images and with the model's own off-screen drawing of the same state.
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "graphics/IGraphics.h"
#include "graphics/x11/IGraphicsX11.h"
#include "product/KorvaneFilter.h"
#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"
#include "tests/support/Picture.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

// Last: Xlib's macros (None, Bool...) would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kW = 274, kH = 350;
constexpr int kCutoff = KorvaneFilter::kCutoff, kResonance = KorvaneFilter::kResonance;
// Centres of the knobs (their rectangles are in the panel's layout), and the emblem.
constexpr int kCutoffX = 136, kCutoffY = 251, kCutoffKnobH = 28;
constexpr int kResonanceX = 207, kResonanceY = 251;
constexpr int kEmblemX = 30, kEmblemY = 110;

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

// The host's own error handler: an error that reaches it escaped the module's.
int gHostErrors = 0;
int CountHostError(Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++n;
    closedir(dir);
  }
  return n;
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
        const Pixel32 v = p[static_cast<size_t>(y * w + x)];
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

Picture LoadGolden(const std::string& name) {
  return LoadPicture(std::string(KORVANE_GOLDEN_DIR) + "/" + name, kW, kH);
}

// The model's drawing at the parameter values of a host's instance, made by an instance of the
// plug-in linked into this program.
Picture Expected(TestHost& host) {
  TestHost reference{KorvaneMain};
  for (int i = 0; i < 5; ++i) reference.SetParameter(i, host.GetParameter(i));
  IGraphics* gui = static_cast<KorvaneFilter*>(reference.Effect()->object)->GetGUI();
  gui->Draw(IRect(0, 0, kW, kH));
  const Pixel32* bits = gui->GetDrawBits();
  Picture p(bits, bits + kW * kH);
  for (Pixel32& v : p) v &= 0x00FFFFFFu;
  return p;
}

// The host's side of the X server: its connection, its frame windows, its events.
class HostDisplay {
 public:
  HostDisplay() : mDisplay(XOpenDisplay(nullptr)) {
    if (mDisplay) mPrevious = XSetErrorHandler(CountHostError);
  }
  ~HostDisplay() {
    if (!mDisplay) return;
    XSetErrorHandler(mPrevious);
    XCloseDisplay(mDisplay);
  }
  Display* Get() const { return mDisplay; }

  Window CreateFrame(int x, int y) {
    const int screen = DefaultScreen(mDisplay);
    const Window w =
        XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), x, y, kW + 60, kH + 80, 0,
                            BlackPixel(mDisplay, screen), BlackPixel(mDisplay, screen));
    XMapWindow(mDisplay, w);
    XSync(mDisplay, False);
    return w;
  }

  void Destroy(Window w) {
    XDestroyWindow(mDisplay, w);
    XSync(mDisplay, False);
  }

  std::vector<Window> Children(Window parent) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned n = 0;
    std::vector<Window> result;
    XSync(mDisplay, False);
    if (XQueryTree(mDisplay, parent, &root, &up, &children, &n)) {
      result.assign(children, children + n);
      if (children) XFree(children);
    }
    return result;
  }

  // What the window shows, read back from the server.
  Picture Read(Window w) {
    XSync(mDisplay, False);
    Picture p;
    XImage* image = XGetImage(mDisplay, w, 0, 0, kW, kH, AllPlanes, ZPixmap);
    if (!image) return p;
    p.resize(static_cast<size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        p[static_cast<size_t>(y * kW + x)] =
            static_cast<Pixel32>(XGetPixel(image, x, y)) & 0x00FFFFFFu;
      }
    }
    XDestroyImage(image);
    return p;
  }

  // A button event as the server would deliver it to the window.
  void Button(Window w, int type, unsigned button, int x, int y, unsigned state, Time time) {
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.display = mDisplay;
    e.xbutton.window = w;
    e.xbutton.root = DefaultRootWindow(mDisplay);
    e.xbutton.time = time;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.state = state;
    e.xbutton.button = button;
    e.xbutton.same_screen = True;
    XSendEvent(mDisplay, w, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    XSync(mDisplay, False);
  }

  void Motion(Window w, int x, int y, unsigned state, Time time) {
    XEvent e{};
    e.xmotion.type = MotionNotify;
    e.xmotion.display = mDisplay;
    e.xmotion.window = w;
    e.xmotion.root = DefaultRootWindow(mDisplay);
    e.xmotion.time = time;
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.state = state;
    e.xmotion.same_screen = True;
    XSendEvent(mDisplay, w, False, PointerMotionMask, &e);
    XSync(mDisplay, False);
  }

  // A key pressed and released on the window, as the server sends it to the focus.
  void Key(Window w, KeySym sym, Time time) {
    for (const int type : {KeyPress, KeyRelease}) {
      XEvent e{};
      e.xkey.type = type;
      e.xkey.display = mDisplay;
      e.xkey.window = w;
      e.xkey.root = DefaultRootWindow(mDisplay);
      e.xkey.time = time;
      e.xkey.keycode = XKeysymToKeycode(mDisplay, sym);
      e.xkey.same_screen = True;
      XSendEvent(mDisplay, w, False, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
    }
    XSync(mDisplay, False);
  }

  // The pointer leaving because another client grabbed it.
  void LeaveForGrab(Window w, Time time) {
    XEvent e{};
    e.xcrossing.type = LeaveNotify;
    e.xcrossing.display = mDisplay;
    e.xcrossing.window = w;
    e.xcrossing.root = DefaultRootWindow(mDisplay);
    e.xcrossing.time = time;
    e.xcrossing.mode = NotifyGrab;
    e.xcrossing.detail = NotifyAncestor;
    e.xcrossing.same_screen = True;
    XSendEvent(mDisplay, w, False, LeaveWindowMask, &e);
    XSync(mDisplay, False);
  }

 private:
  Display* mDisplay;
  XErrorHandler mPrevious = nullptr;
};

// Idle calls a tick period apart, so each may tick.
void Idle(TestHost& host, int times = 3) {
  for (int i = 0; i < times; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    host.Dispatch(effEditIdle);
  }
}

class EditorWindowX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(x.Get(), nullptr) << "no X display";
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    gHostErrors = 0;
    parent = x.CreateFrame(40, 40);
    Open(0);
  }

  void TearDown() override {
    if (host.Effect()) host.Dispatch(effEditClose);
    if (parent) x.Destroy(parent);
    EXPECT_EQ(gHostErrors, 0) << "an X error reached the host's handler";
  }

  // effEditOpen with the parent's XID, and value the host's display or 0.
  void Open(VstIntPtr value) {
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, value, reinterpret_cast<void*>(parent)), 1);
    const std::vector<Window> children = x.Children(parent);
    ASSERT_EQ(children.size(), 1u) << "exactly one editor window inside the host's";
    editor = children[0];
  }

  // A left click a second after the last event, so it never joins a double click.
  void Click(int px, int py, unsigned button = Button1) {
    time += 1000;
    x.Button(editor, ButtonPress, button, px, py, 0, time);
    x.Button(editor, ButtonRelease, button, px, py, button == Button1 ? Button1Mask : Button3Mask,
             time + 50);
    host.Dispatch(effEditIdle);
  }

  Picture Screen() { return x.Read(editor); }

  HostDisplay x;
  TestHost host;  // the built module, loaded as a host loads it
  Window parent = 0;
  Window editor = 0;
  Time time = 1000;
};

TEST_F(EditorWindowX11, OpensAsAChildOfTheHostWindowShowingThePanel) {
  XWindowAttributes a{};
  ASSERT_NE(XGetWindowAttributes(x.Get(), editor, &a), 0);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, 0);
  EXPECT_EQ(a.width, kW);
  EXPECT_EQ(a.height, kH);
  EXPECT_TRUE(a.depth == 24 || a.depth == 32) << "depth " << a.depth;
  EXPECT_EQ(a.map_state, IsViewable) << "mapped inside the mapped frame";
  const long wanted = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                      KeyPressMask | FocusChangeMask | StructureNotifyMask;
  EXPECT_EQ(a.all_event_masks & wanted, wanted) << "the editor listens to what it needs";
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, kW);
  EXPECT_EQ(rect->bottom - rect->top, kH);
  EXPECT_TRUE(host.Effect()->flags & effFlagsHasEditor);

  Idle(host);
  const Picture shown = Screen();
  EXPECT_TRUE(WritePng(KORVANE_SCREENSHOT, shown, kW, kH)) << KORVANE_SCREENSHOT;
  EXPECT_EQ(Difference(shown, LoadGolden("editor-default.png")), "")
      << "the window shows the default panel's golden image";

  host.SetParameter(kCutoff, 0.25f);
  host.SetParameter(kResonance, 0.8f);
  Idle(host);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "") << "the host's change shows after idles";

  // Something else drew over the window: its exposure redraws what was lost.
  GC gc = XCreateGC(x.Get(), editor, 0, nullptr);
  XSetForeground(x.Get(), gc, 0x00FF00FF);
  XFillRectangle(x.Get(), editor, gc, 10, 10, 100, 100);
  XFreeGC(x.Get(), gc);
  XClearArea(x.Get(), editor, 10, 10, 100, 100, True);  // no background: only the exposure
  XSync(x.Get(), False);
  Idle(host, 1);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "") << "an exposure redraws its rectangle";
}

TEST_F(EditorWindowX11, OpenedWithTheHostsDisplayInValueAndTwiceLeavesOneWindow) {
  host.Dispatch(effEditClose);
  EXPECT_TRUE(x.Children(parent).empty()) << "effEditClose destroys the window";
  Open(reinterpret_cast<VstIntPtr>(x.Get()));
  Idle(host);
  EXPECT_EQ(Difference(Screen(), LoadGolden("editor-default.png")), "");
  const Window first = editor;
  Open(0);  // again, without a close: the first window goes
  EXPECT_NE(editor, first);
  Idle(host);
  EXPECT_EQ(Difference(Screen(), LoadGolden("editor-default.png")), "");
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0) << "no parent: no window";
  EXPECT_TRUE(x.Children(parent).empty()) << "and the one before it closed";
  Open(0);
}

TEST_F(EditorWindowX11, CutoffKnobDraggedUpByItsHeightAutomatesAndTurnsOnScreen) {
  host.SetParameter(kCutoff, 0.5f);
  Idle(host);
  const Picture before = Screen();
  host.calls.clear();

  x.Button(editor, ButtonPress, Button1, kCutoffX, kCutoffY, 0, time);
  x.Motion(editor, kCutoffX, kCutoffY - kCutoffKnobH / 2, Button1Mask, time + 10);
  x.Motion(editor, kCutoffX, kCutoffY - kCutoffKnobH, Button1Mask, time + 20);
  x.Button(editor, ButtonRelease, Button1, kCutoffX, kCutoffY - kCutoffKnobH, Button1Mask,
           time + 30);
  x.Motion(editor, kCutoffX, kCutoffY - 2 * kCutoffKnobH, 0, time + 40);  // no button: no drag
  host.Dispatch(effEditIdle);

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
    EXPECT_LE(c.opt, 1.0f) << "automation stays within 0..1";
    last = c.opt;
    ++automated;
  }
  EXPECT_EQ(automated, 2);
  EXPECT_NEAR(host.GetParameter(kCutoff), 0.5 + 1.0 / 6.0, 1e-6) << "a knob's height is 1/6";

  Idle(host);
  const Picture after = Screen();
  EXPECT_NE(Difference(after, before), "") << "the knob turned on screen";
  EXPECT_EQ(Difference(after, Expected(host)), "") << "the screen shows the model's drawing";
}

TEST_F(EditorWindowX11, EmblemClickSwitchesTheCaptionsOnScreen) {
  Idle(host);
  const Picture first = Screen();
  Click(kEmblemX, kEmblemY);
  EXPECT_EQ(host.GetParameter(0), 1.0f);
  Idle(host);
  const Picture second = Screen();
  EXPECT_NE(Difference(second, first), "");
  EXPECT_EQ(Difference(second, Expected(host)), "") << "the second captioning";
  Click(kEmblemX, kEmblemY);
  EXPECT_EQ(host.GetParameter(0), 0.0f);
  Idle(host);
  EXPECT_EQ(Difference(Screen(), first), "") << "back to the first";
}

TEST_F(EditorWindowX11, WheelStepsWithModifiersAndDoubleClickRestoresTheDefault) {
  const float start = host.GetParameter(kResonance);
  auto wheel = [&](unsigned button, unsigned state) {
    time += 1000;
    x.Button(editor, ButtonPress, button, kResonanceX, kResonanceY, state, time);
    x.Button(editor, ButtonRelease, button, kResonanceX, kResonanceY, state, time + 1);
    host.Dispatch(effEditIdle);
  };
  wheel(4, 0);
  wheel(4, 0);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.02, 1e-6) << "two notches up";
  wheel(5, ShiftMask);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.019, 1e-6) << "Shift: a fine step down";
  wheel(5, 0);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.009, 1e-6);

  // Two presses further apart than the double-click time are two clicks.
  Click(kResonanceX, kResonanceY);
  Click(kResonanceX, kResonanceY);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.009, 1e-6) << "no double click";
  // Two presses far apart on the panel are no double click either.
  time += 1000;
  x.Button(editor, ButtonPress, Button1, kResonanceX, kResonanceY, 0, time);
  x.Button(editor, ButtonRelease, Button1, kResonanceX, kResonanceY, Button1Mask, time + 20);
  x.Button(editor, ButtonPress, Button1, kResonanceX + 6, kResonanceY, 0, time + 100);
  x.Button(editor, ButtonRelease, Button1, kResonanceX + 6, kResonanceY, Button1Mask, time + 120);
  host.Dispatch(effEditIdle);
  EXPECT_NEAR(host.GetParameter(kResonance), start + 0.009, 1e-6) << "moved too far";

  host.calls.clear();
  time += 1000;
  x.Button(editor, ButtonPress, Button1, kResonanceX, kResonanceY, 0, time);
  x.Button(editor, ButtonRelease, Button1, kResonanceX, kResonanceY, Button1Mask, time + 50);
  x.Button(editor, ButtonPress, Button1, kResonanceX + 1, kResonanceY, 0, time + 200);
  x.Button(editor, ButtonRelease, Button1, kResonanceX + 1, kResonanceY, Button1Mask, time + 250);
  host.Dispatch(effEditIdle);
  EXPECT_FLOAT_EQ(host.GetParameter(kResonance), start) << "a double click restores the default";
  EXPECT_EQ(host.CountCalls(audioMasterBeginEdit), host.CountCalls(audioMasterEndEdit))
      << "every begin-edit has its end-edit";
  Idle(host);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "");
}

TEST_F(EditorWindowX11, LostGrabSecondButtonAndCloseMidDragEachEndTheEditOnce) {
  auto edits = [&] {
    return std::make_pair(host.CountCalls(audioMasterBeginEdit),
                          host.CountCalls(audioMasterEndEdit));
  };
  const auto once = std::make_pair(1, 1);

  host.calls.clear();
  x.Button(editor, ButtonPress, Button1, kCutoffX, kCutoffY, 0, time += 1000);
  x.Motion(editor, kCutoffX, kCutoffY - 5, Button1Mask, time += 10);
  x.LeaveForGrab(editor, time += 10);  // another client takes the pointer mid-drag
  host.Dispatch(effEditIdle);
  EXPECT_EQ(edits(), once) << "the drag ended when the grab went";
  x.Motion(editor, kCutoffX, kCutoffY - 10, Button1Mask, time += 10);
  x.Button(editor, ButtonRelease, Button1, kCutoffX, kCutoffY - 10, Button1Mask, time += 10);
  host.Dispatch(effEditIdle);
  EXPECT_EQ(edits(), once) << "a late release ends nothing more";
  EXPECT_EQ(host.CountCalls(audioMasterAutomate), 1) << "no drag after the grab went";

  host.calls.clear();
  x.Button(editor, ButtonPress, Button1, kCutoffX, kCutoffY, 0, time += 1000);
  x.Motion(editor, kCutoffX, kCutoffY - 5, Button1Mask, time += 10);
  x.Button(editor, ButtonPress, Button3, kCutoffX, kCutoffY - 5, Button1Mask, time += 10);
  x.Button(editor, ButtonRelease, Button3, kCutoffX, kCutoffY - 5, Button1Mask | Button3Mask,
           time += 10);
  x.Motion(editor, kCutoffX, kCutoffY - 10, Button1Mask, time += 10);
  x.Button(editor, ButtonRelease, Button1, kCutoffX, kCutoffY - 10, Button1Mask, time += 10);
  host.Dispatch(effEditIdle);
  EXPECT_EQ(edits(), once) << "a right press during a left drag";
  EXPECT_EQ(host.CountCalls(audioMasterAutomate), 2) << "the drag went on through it";

  host.calls.clear();
  x.Button(editor, ButtonPress, Button1, kCutoffX, kCutoffY, 0, time += 1000);
  x.Motion(editor, kCutoffX, kCutoffY - 5, Button1Mask, time += 10);
  host.Dispatch(effEditIdle);
  host.Dispatch(effEditClose);
  EXPECT_EQ(edits(), once) << "the editor closed mid-drag";
  ASSERT_FALSE(host.calls.empty());
  EXPECT_EQ(host.calls.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(host.calls.back().index, kCutoff);
  Open(0);
}

// The normalised value of a cutoff in Hz, from the plug-in's own parameter.
double CutoffNormalized(double hz) {
  TestHost reference{KorvaneMain};
  return static_cast<KorvaneFilter*>(reference.Effect()->object)
      ->GetParam(kCutoff)
      ->GetNormalized(hz);
}

Pixel32 At(const Picture& p, int px, int py) {
  return p[static_cast<size_t>(py * kW + px)];
}

TEST_F(EditorWindowX11, ShapeListDrawnInThePanelsStyleChosenWithTheMouseOrKeys) {
  constexpr int kShapeX = 65, kShapeY = 251;
  constexpr int kRow = IGraphicsX11::kListRowHeight;
  // As wide as "band pass narrow" (16 glyphs on a 6-pixel advance) and its padding.
  constexpr int kListW = 16 * 6 - 1 + 2 * IGraphicsX11::kListPadding;
  constexpr int kListL = kShapeX - kListW / 2;
  Idle(host);
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 0, 12), 0) << "no entry: the host keeps its keys";
  Click(kShapeX, kShapeY, Button3);
  Idle(host, 1);
  Picture shown = Screen();
  EXPECT_EQ(At(shown, kListL, kShapeY), 0x969696u) << "the list's rule at its corner";
  EXPECT_EQ(At(shown, kListL + kListW - 1, kShapeY + 3 * kRow - 1), 0x969696u) << "and across";
  EXPECT_EQ(At(shown, kListL + 2, kShapeY + 2), 0xD65428u) << "the current shape marked";
  EXPECT_EQ(At(shown, kListL + 2, kShapeY + kRow + 2), 0x222224u) << "the next one not";
  bool ink = false;
  for (int px = kListL + 4; px < kListL + 4 + 8 * 6; ++px) {
    ink = ink || At(shown, px, kShapeY + kRow + 7) == 0xE8E8E8u;
  }
  EXPECT_TRUE(ink) << "the second row's text is drawn";
  EXPECT_EQ(Difference(Screen(), Expected(host)) == "", false);

  Idle(host, 1);  // a tick just ran: the next one is a frame period away
  Click(kShapeX, kShapeY + 2 * kRow + kRow / 2);  // "band pass narrow"
  EXPECT_EQ(host.ParamDisplay(KorvaneFilter::kShape), "low pass") << "nothing before the tick";
  Idle(host, 1);
  EXPECT_EQ(host.ParamDisplay(KorvaneFilter::kShape), "band pass narrow");
  Idle(host);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "") << "the list closed, the knob turned";

  // Keys from X: Up then Escape changes nothing.
  Click(kShapeX, kShapeY, Button3);
  x.Key(editor, XK_Up, time += 10);
  x.Key(editor, XK_Escape, time += 10);
  Idle(host);
  EXPECT_EQ(host.ParamDisplay(KorvaneFilter::kShape), "band pass narrow") << "cancelled";
  EXPECT_EQ(Difference(Screen(), Expected(host)), "");
  // Keys from the host: Up from "band pass narrow", then Enter.
  Click(kShapeX, kShapeY, Button3);
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 0, 12), 1) << "the open list takes Up";
  EXPECT_EQ(host.Dispatch(effEditKeyUp, 0, 12), 1);
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 13, 19), 1);
  Idle(host);
  EXPECT_EQ(host.ParamDisplay(KorvaneFilter::kShape), "band pass wide");
  // A right click anywhere cancels.
  Click(kShapeX, kShapeY, Button3);
  Click(200, 40, Button3);
  Idle(host);
  EXPECT_EQ(host.ParamDisplay(KorvaneFilter::kShape), "band pass wide");
  EXPECT_EQ(Difference(Screen(), Expected(host)), "");
}

TEST_F(EditorWindowX11, CutoffTypedThroughXKeysOrHostKeysTakesEffectOnTheNextTick) {
  Click(kCutoffX, kCutoffY, Button3);
  Idle(host, 1);
  Picture shown = Screen();
  const int fieldL = kCutoffX - IGraphicsX11::kFieldWidth / 2;
  const int fieldT = kCutoffY - IGraphicsX11::kFieldHeight / 2;
  EXPECT_EQ(At(shown, fieldL, fieldT), 0x969696u) << "the field's rule";
  EXPECT_EQ(At(shown, fieldL + 1, fieldT + 1), 0x222224u) << "its face";
  // "18000": five glyphs, 29 pixels wide, centred; the mark reaches one pixel beyond them.
  const int textL = fieldL + (IGraphicsX11::kFieldWidth - 29) / 2;
  EXPECT_EQ(At(shown, textL - 1, fieldT + 3), 0xD65428u) << "the current text, selected";
  int inked = 0;
  for (int px = textL; px < textL + 29; ++px) {
    for (int py = fieldT + 1; py < fieldT + IGraphicsX11::kFieldHeight - 1; ++py) {
      inked += At(shown, px, py) == 0xFFFFFFu;
    }
  }
  EXPECT_GT(inked, 5 * 8) << "its glyphs in white on the mark";

  for (KeySym k : {XK_1, XK_0, XK_0, XK_0}) x.Key(editor, k, time += 10);
  x.Key(editor, XK_Return, time += 10);
  host.Dispatch(effEditIdle);
  Idle(host, 1);
  EXPECT_NEAR(host.GetParameter(kCutoff), CutoffNormalized(1000.0), 1e-6)
      << "1000 Hz typed over the selected text";
  Idle(host);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "") << "the field closed, the knob shows it";

  // From the host: index = character, value = virtual key.
  Click(kCutoffX, kCutoffY, Button3);
  for (char c : std::string("25x0")) {
    EXPECT_EQ(host.Dispatch(effEditKeyDown, c, 0), 1) << "the field takes " << c;
  }
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 0, 1), 1);   // Backspace
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 0, 24), 1);  // numeric pad 0
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 0, 24), 1);
  EXPECT_EQ(host.Dispatch(effEditKeyDown, 0, 4), 1);  // Return
  Idle(host);
  EXPECT_NEAR(host.GetParameter(kCutoff), CutoffNormalized(2500.0), 1e-6)
      << "'x' ignored, the last 0 taken back: 2500 Hz";

  // Typed, then cancelled by Escape or by a right click; typed, then a click outside commits.
  Click(kCutoffX, kCutoffY, Button3);
  x.Key(editor, XK_5, time += 10);
  x.Key(editor, XK_Escape, time += 10);
  Idle(host);
  Click(kCutoffX, kCutoffY, Button3);
  host.Dispatch(effEditKeyDown, '5', 0);
  Click(100, 40, Button3);
  Idle(host);
  EXPECT_NEAR(host.GetParameter(kCutoff), CutoffNormalized(2500.0), 1e-6) << "both cancelled";
  Click(kCutoffX, kCutoffY, Button3);
  Click(kEmblemX, kEmblemY);  // nothing typed: closes
  Idle(host);
  EXPECT_NEAR(host.GetParameter(kCutoff), CutoffNormalized(2500.0), 1e-6);
  EXPECT_EQ(host.GetParameter(0), 0.0f) << "a click that closes the entry goes no further";
  Click(kCutoffX, kCutoffY, Button3);
  for (char c : std::string("800")) host.Dispatch(effEditKeyDown, c, 0);
  Click(100, 40);
  Idle(host);
  EXPECT_NEAR(host.GetParameter(kCutoff), CutoffNormalized(800.0), 1e-6) << "committed outside";
  Idle(host);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "");

  // Closed with the entry open: the next window opens a fresh one.
  Click(kCutoffX, kCutoffY, Button3);
  host.Dispatch(effEditClose);
  EXPECT_EQ(host.Dispatch(effEditKeyDown, '1', 0), 0) << "no window, no entry";
  Open(0);
  Click(kCutoffX, kCutoffY, Button3);
  EXPECT_EQ(host.Dispatch(effEditKeyDown, '1', 0), 1) << "an entry opens in the new window";
}

TEST_F(EditorWindowX11, HundredRoundsLeaveNoWindowAndNoConnectionBehind) {
  host.Dispatch(effEditClose);
  const int descriptors = OpenDescriptors();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1) << i;
    host.Dispatch(effEditIdle);
    if (i % 2) Click(kCutoffX, kCutoffY, Button3);  // closed with a text entry open, too
    host.Dispatch(effEditClose);
  }
  EXPECT_TRUE(x.Children(parent).empty()) << "no editor window left";
  EXPECT_EQ(OpenDescriptors(), descriptors) << "the module's connection closed with its window";
  Open(0);
  EXPECT_GT(OpenDescriptors(), descriptors) << "an open editor holds a connection";
  Idle(host);
  EXPECT_EQ(Difference(Screen(), LoadGolden("editor-default.png")), "");
}

// The parent destroyed by the host without effEditClose, as some hosts do: once with idle calls
// in between (the window's destruction arrives), once opened again straight away.
TEST_F(EditorWindowX11, ParentDestroyedWithoutEditCloseThenReopenedShowsAWorkingPanel) {
  host.Dispatch(effEditClose);
  const int descriptors = OpenDescriptors();
  Open(0);
  for (const bool idleBetween : {true, false}) {
    const char* how = idleBetween ? "idle calls in between" : "reopened straight away";
    host.SetParameter(kCutoff, idleBetween ? 0.25f : 0.75f);
    Idle(host, 1);
    host.calls.clear();
    // Pressed, not moved: nothing to redraw, so only the window's destruction tells of it.
    x.Button(editor, ButtonPress, Button1, kCutoffX, kCutoffY, 0, time += 1000);
    Idle(host, 1);
    x.Destroy(parent);  // mid-gesture
    if (idleBetween) {
      Idle(host, 2);
      EXPECT_EQ(OpenDescriptors(), descriptors) << "the dead window let go of the connection";
    }
    parent = x.CreateFrame(60, 60);
    host.SetParameter(0, idleBetween ? 1.0f : 0.0f);
    Open(0);
    EXPECT_EQ(host.CountCalls(audioMasterBeginEdit), 1) << how;
    EXPECT_EQ(host.CountCalls(audioMasterEndEdit), 1) << how << ": the drag ended with the window";
    Idle(host);
    EXPECT_EQ(Difference(Screen(), Expected(host)), "") << how;
    Click(kEmblemX, kEmblemY);
    EXPECT_EQ(host.GetParameter(0), idleBetween ? 0.0f : 1.0f) << how << ": clicks arrive";
    Idle(host);
    EXPECT_EQ(Difference(Screen(), Expected(host)), "") << how << ": and redraw";
    EXPECT_EQ(gHostErrors, 0) << how;
  }
  // Destroyed once more, then the plug-in closed with its editor thought open.
  x.Destroy(parent);
  parent = 0;
  host.Close();
}

// The module's handler stands in front of the host's only for the module's own connection.
TEST_F(EditorWindowX11, ErrorsOnTheHostsOwnConnectionStillReachItsHandler) {
  Idle(host, 1);
  const Window unused = parent + 0x7FF0;  // in our range of ids, never made
  XMapWindow(x.Get(), unused);
  XSync(x.Get(), False);
  EXPECT_EQ(gHostErrors, 1) << "the host's BadWindow went to the host's handler";
  gHostErrors = 0;
  host.Dispatch(effEditClose);
  XMapWindow(x.Get(), unused);
  XSync(x.Get(), False);
  EXPECT_EQ(gHostErrors, 1) << "and still after the module's connection closed";
  gHostErrors = 0;
  EXPECT_EQ(XSetErrorHandler(CountHostError), &CountHostError)
      << "the module put the host's handler back with its last editor";
  Open(0);
}

TEST_F(EditorWindowX11, TwoInstancesDrawTheirOwnPanelsAndCloseLeavesNoWindow) {
  TestHost second;
  ASSERT_NE(second.Effect(), nullptr) << second.Error();
  const Window otherParent = x.CreateFrame(400, 40);
  ASSERT_EQ(second.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(otherParent)), 1);
  const std::vector<Window> others = x.Children(otherParent);
  ASSERT_EQ(others.size(), 1u);
  host.SetParameter(kCutoff, 0.1f);
  second.SetParameter(kCutoff, 0.9f);
  second.SetParameter(0, 1.0f);
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    host.Dispatch(effEditIdle);
    second.Dispatch(effEditIdle);
  }
  EXPECT_EQ(Difference(Screen(), Expected(host)), "") << "the first instance's panel";
  EXPECT_EQ(Difference(x.Read(others[0]), Expected(second)), "") << "the second's";
  EXPECT_NE(Difference(Screen(), x.Read(others[0])), "");

  second.Close();  // effClose with the editor open
  EXPECT_TRUE(x.Children(otherParent).empty()) << "effClose destroyed the window";
  Idle(host);
  host.SetParameter(kCutoff, 0.4f);
  Idle(host);
  EXPECT_EQ(Difference(Screen(), Expected(host)), "") << "the other editor goes on";
  x.Destroy(otherParent);
}

// A headless host (no display to be opened): no window, and the rest goes on as before.
TEST(EditorWindowX11NoDisplay, EditOpenAnswersZeroAndTheEditorStillDraws) {
  HostDisplay x;
  ASSERT_NE(x.Get(), nullptr) << "no X display";
  const Window parent = x.CreateFrame(40, 40);
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", ":64999", 1);  // a display nobody serves
  TestHost host;
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  EXPECT_TRUE(host.Effect()->flags & effFlagsHasEditor);
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 0);
  host.Dispatch(effEditIdle);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_TRUE(x.Children(parent).empty()) << "no window was made";
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, kW);
  host.SetParameter(kCutoff, 0.3f);
  EXPECT_FLOAT_EQ(host.GetParameter(kCutoff), 0.3f);
  x.Destroy(parent);
}

// The redraw tick at the host's idle rates, on an instance linked into this program, whose
// graphics object counts its ticks.
TEST(EditorWindowX11Timing, TicksOncePerSlowIdleAndAtTheFrameRateForFasterOnes) {
  HostDisplay x;
  ASSERT_NE(x.Get(), nullptr) << "no X display";
  TestHost host{KorvaneMain};
  ASSERT_NE(host.Effect(), nullptr);
  auto* gui =
      dynamic_cast<IGraphicsX11*>(static_cast<KorvaneFilter*>(host.Effect()->object)->GetGUI());
  ASSERT_NE(gui, nullptr) << "the Linux editor is the X11 host";
  EXPECT_EQ(gui->TickPeriodMs(), 1000 / 18);
  const Window parent = x.CreateFrame(40, 40);
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);

  for (const int rate : {15, 25, 60}) {
    const int idles = rate;  // a second of idle calls
    const auto period = std::chrono::microseconds(1000000 / rate);
    const int before = gui->TickCount();
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    int maxPerIdle = 0;
    for (int i = 0; i < idles; ++i) {
      std::this_thread::sleep_until(next);
      next += period;
      const int t = gui->TickCount();
      host.Dispatch(effEditIdle);
      maxPerIdle = std::max(maxPerIdle, gui->TickCount() - t);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int ticks = gui->TickCount() - before;
    EXPECT_LE(maxPerIdle, 1) << rate << " Hz: at most one tick per idle";
    if (rate < 18) {
      EXPECT_EQ(ticks, idles) << rate << " Hz: every idle ticks";
    } else {
      const double perSecond = ticks / seconds;
      EXPECT_GE(perSecond, 15.0) << rate << " Hz: about 18 ticks a second";
      EXPECT_LE(perSecond, 19.5) << rate << " Hz: about 18 ticks a second";
    }
  }
  host.Dispatch(effEditClose);
  x.Destroy(parent);
}

}  // namespace
