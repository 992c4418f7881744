// The X11 host's pieces through their class interfaces: the shared display connection with its
// error handler, and the editor's text entry driven by the host's keys.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>

#include "core/IParam.h"
#include "graphics/x11/IGraphicsX11.h"
#include "graphics/x11/X11Connection.h"
#include "tests/graphics/EditorTestKit.h"

// Last: Xlib's macros (None, Bool...) would clash with names in the headers above.
#include <X11/Xlib.h>

namespace {

int gOtherErrors = 0;
int CountOtherError(Display*, XErrorEvent*) {
  ++gOtherErrors;
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

TEST(X11Connection, IsSharedNotesErrorsOnItsOwnWindowsAndClosesWithTheLastHolder) {
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr) << "no X display";
  XErrorHandler before = XSetErrorHandler(CountOtherError);
  gOtherErrors = 0;
  const int descriptors = OpenDescriptors();

  Display* first = X11Connection::Acquire();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(X11Connection::Acquire(), first) << "one connection for every holder";
  EXPECT_EQ(X11Connection::Holders(), 2);
  EXPECT_EQ(OpenDescriptors(), descriptors + 1);

  // A window of ours that is gone: its error is noted for it, once, and kept from the others.
  const Window w = XCreateSimpleWindow(first, DefaultRootWindow(first), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(first, w);
  XMapWindow(first, w);
  XSync(first, False);
  EXPECT_TRUE(X11Connection::TakeWindowError(w));
  EXPECT_FALSE(X11Connection::TakeWindowError(w)) << "taken once";
  EXPECT_EQ(gOtherErrors, 0) << "the other handler never saw it";
  XMapWindow(other, w);  // the other connection's own error
  XSync(other, False);
  EXPECT_EQ(gOtherErrors, 1) << "passed on to the handler that was there before";

  X11Connection::Release();
  EXPECT_EQ(X11Connection::Holders(), 1);
  EXPECT_EQ(OpenDescriptors(), descriptors + 1) << "still held";
  X11Connection::Release();
  EXPECT_EQ(X11Connection::Holders(), 0);
  EXPECT_EQ(OpenDescriptors(), descriptors) << "closed with the last holder";
  X11Connection::Release();  // one too many: nothing
  EXPECT_EQ(X11Connection::Holders(), 0);
  EXPECT_EQ(XSetErrorHandler(before), &CountOtherError) << "the handler before ours is back";
  XCloseDisplay(other);
}

// A plug-in with one parameter of 0..20000 and one of three texts.
class EntryPlug : public RecordingPlug {
 public:
  EntryPlug() {
    GetParam(0)->DefineDouble("cutoff", 100.0, 0.0, 20000.0, 1.0, "Hz");
    GetParam(1)->DefineEnum("shape", 0, 3);
    GetParam(1)->SetValueText(0, "one");
    GetParam(1)->SetValueText(1, "two");
    GetParam(1)->SetValueText(2, "three");
  }
};

class X11Entry : public ::testing::Test {
 protected:
  void SetUp() override {
    host = XOpenDisplay(nullptr);
    ASSERT_NE(host, nullptr) << "no X display";
    parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 120, 120, 0, 0, 0);
    XMapWindow(host, parent);
    XSync(host, False);
    g.PrepareDrawing();
    for (int i = 0; i < 2; ++i) {
      controls[i] =
          new ProbeControl(&plug, IRect(10, 10 + 50 * i, 50, 40 + 50 * i), nullptr, "control", i);
      g.AttachControl(controls[i]);
    }
    ASSERT_NE(g.OpenWindow(reinterpret_cast<void*>(parent)), nullptr);
  }
  void TearDown() override {
    g.CloseWindow();
    if (host) {
      XDestroyWindow(host, parent);
      XCloseDisplay(host);
    }
  }

  EntryPlug plug;
  IGraphicsX11 g{&plug, 100, 100, 18};
  IControl* controls[2] = {};
  Display* host = nullptr;
  Window parent = 0;
};

TEST_F(X11Entry, FieldTakesDigitsPointMinusAndBackspaceFromTheHost) {
  EXPECT_FALSE(g.OnHostKey('1', 0, true)) << "no entry: not taken";
  g.CreateTextEntry(controls[0], plug.GetParam(0));
  EXPECT_EQ(g.TextEntryState(), IGraphicsX11::kEntryOpen);
  char shown[IParam::kTextSize] = {};
  plug.GetParam(0)->FormatDisplay(shown);
  EXPECT_EQ(g.TextEntryText(), shown) << "the current display text";
  EXPECT_EQ(g.TextEntryRect(), IRect(10, 18, 50, 32)) << "40 x 14, centred on the control";
  for (char c : std::string("-1.5a ")) EXPECT_TRUE(g.OnHostKey(c, 0, true)) << c;
  EXPECT_EQ(g.TextEntryText(), "-1.5") << "typing replaced the selected text; 'a' and ' ' not";
  EXPECT_TRUE(g.OnHostKey(0, 1, true));   // Backspace
  EXPECT_TRUE(g.OnHostKey(0, 33, true));  // numeric pad 9
  EXPECT_TRUE(g.OnHostKey(0, 38, true));  // numeric pad decimal point
  EXPECT_EQ(g.TextEntryText(), "-1.9.");
  EXPECT_TRUE(g.OnHostKey('x', 0, false)) << "key-ups are taken too";
  for (int i = 0; i < 40; ++i) g.OnHostKey('7', 0, true);
  EXPECT_EQ(g.TextEntryText().size(), static_cast<size_t>(IParam::kTextSize - 1))
      << "at most a display text's length";
  EXPECT_TRUE(g.OnHostKey(0, 6, true));  // Escape
  EXPECT_EQ(g.TextEntryState(), IGraphicsX11::kEntryCancel) << "closes on the next tick";
  EXPECT_FALSE(g.OnHostKey('1', 0, true)) << "a closing entry takes no keys";
}

TEST_F(X11Entry, ListStartsAtTheCurrentTextAndMovesWithinItsRows) {
  plug.GetParam(1)->SetValue(1.0);
  g.CreateTextEntry(controls[1], plug.GetParam(1));
  EXPECT_EQ(g.TextEntryText(), "two");
  // As wide as "three" (5 glyphs, 29 pixels) and its padding, centred on the control; three
  // rows from the control's centre (75) down would end at 117: moved up to end at 100.
  EXPECT_EQ(g.TextEntryRect(), IRect(12, 58, 49, 100));
  g.OnHostKey(0, 14, true);  // Down
  g.OnHostKey(0, 14, true);
  EXPECT_EQ(g.TextEntryText(), "three") << "stops at the last row";
  g.OnHostKey(0, 12, true);  // Up
  EXPECT_EQ(g.TextEntryText(), "two");
  g.OnHostKey('5', 0, true);
  EXPECT_EQ(g.TextEntryText(), "two") << "a list takes no characters";
  g.OnHostKey(0, 19, true);  // Enter
  EXPECT_EQ(g.TextEntryState(), IGraphicsX11::kEntryCommit);
  g.CloseWindow();
  EXPECT_EQ(g.TextEntryState(), IGraphicsX11::kEntryNone) << "forgotten with the window";
  EXPECT_EQ(g.TextEntryRect(), IRect());
}

}  // namespace
