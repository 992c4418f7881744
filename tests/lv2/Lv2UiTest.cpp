// The LV2 editor module as an X11 host embeds it: loaded from the bundle lilv finds, given a
// parent window of ours through ui:parent, idled through its ui:idleInterface, fed port events,
// and read back from the server; the write function and ui:touch record what it sends.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lv2/Lv2Ports.h"
#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/support/Picture.h"

// Last: Xlib's macros (None, Bool...) would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kW = 274, kH = 350;
// The cutoff knob's centre and height in the panel.
constexpr int kCutoffX = 136, kCutoffY = 251, kCutoffKnobH = 28;

Picture LoadGolden(const std::string& name) {
  return LoadPicture(std::string(KORVANE_GOLDEN_DIR) + "/" + name, kW, kH);
}

std::string Difference(const Picture& got, const Picture& want) {
  return PictureDifference(got, want, kW);
}

// The editor module found through lilv, loaded as a host loads it.
class UiModule {
 public:
  UiModule() {
    LilvWorld* world = lilv_world_new();
    LilvNode* path = lilv_new_string(world, Lv2TestHost::BundleParent().c_str());
    lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(world);
    LilvNode* uri = lilv_new_uri(world, Lv2TestHost::kUri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
    if (plugin) {
      LilvUIs* uis = lilv_plugin_get_uis(plugin);
      LILV_FOREACH(uis, it, uis) {
        const LilvUI* ui = lilv_uis_get(uis, it);
        if (!lilv_ui_is_a(ui, x11)) continue;
        char* file = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        binary = file ? file : "";
        lilv_free(file);
        char* dir = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
        bundle = dir ? dir : "";
        lilv_free(dir);
        uiUri = lilv_node_as_uri(lilv_ui_get_uri(ui));
      }
      lilv_uis_free(uis);
    }
    lilv_node_free(x11);
    lilv_world_free(world);
    if (binary.empty()) return;
    mLibrary = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mLibrary) return;
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
        dlsym(mLibrary, "lv2ui_descriptor"));
    descriptor = entry ? entry(0) : nullptr;
  }
  ~UiModule() {
    if (mLibrary) dlclose(mLibrary);
  }
  std::string binary, bundle, uiUri;
  const LV2UI_Descriptor* descriptor = nullptr;

 private:
  void* mLibrary = nullptr;
};

struct Write {
  uint32_t port;
  float value;
};
struct TouchEvent {
  uint32_t port;
  bool grabbed;
};

class Lv2Ui : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(display, nullptr) << "no X display";
    ASSERT_NE(module.descriptor, nullptr) << "no X11 UI in the bundle: " << module.binary;
    EXPECT_EQ(module.uiUri, "urn:korvane:filter#ui");
    const int screen = DefaultScreen(display);
    parent = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 40, kW + 60, kH + 80, 0,
                                 BlackPixel(display, screen), BlackPixel(display, screen));
    XMapWindow(display, parent);
    XSync(display, False);

    touch = {this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
               static_cast<Lv2Ui*>(h)->touches.push_back({port, grabbed});
             }};
    resize = {this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                static_cast<Lv2Ui*>(h)->size = {w, hgt};
                return 0;
              }};
    parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
    touchFeature = {LV2_UI__touch, &touch};
    resizeFeature = {LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parentFeature, &touchFeature, &resizeFeature, nullptr};
    handle =
        module.descriptor->instantiate(module.descriptor, Lv2TestHost::kUri, module.bundle.c_str(),
                                       WriteFunction, this, &widget, features);
    ASSERT_NE(handle, nullptr);
    idle = static_cast<const LV2UI_Idle_Interface*>(
        module.descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
  }

  void TearDown() override {
    if (handle) module.descriptor->cleanup(handle);
    if (parent) XDestroyWindow(display, parent);
    if (display) XCloseDisplay(display);
  }

  static void WriteFunction(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format,
                            const void* buffer) {
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    static_cast<Lv2Ui*>(c)->writes.push_back({port, *static_cast<const float*>(buffer)});
  }

  // Idle calls a tick period apart, so each may tick.
  void Idle(int times = 3) {
    for (int i = 0; i < times; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
      EXPECT_EQ(idle->idle(handle), 0) << "the editor stays open";
    }
  }

  void Port(uint32_t port, float value) {
    module.descriptor->port_event(handle, port, sizeof value, 0, &value);
  }

  Window Editor() const { return static_cast<Window>(reinterpret_cast<uintptr_t>(widget)); }

  Picture Screen() {
    XSync(display, False);
    Picture p;
    XImage* image = XGetImage(display, Editor(), 0, 0, kW, kH, AllPlanes, ZPixmap);
    if (!image) return p;
    p.resize(static_cast<size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        p[static_cast<size_t>(y * kW + x)] =
            static_cast<Pixel32>(XGetPixel(image, x, y)) & 0x00FFFFFFu;
    XDestroyImage(image);
    return p;
  }

  void Button(int type, int x, int y, unsigned state, Time t) {
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.display = display;
    e.xbutton.window = Editor();
    e.xbutton.root = DefaultRootWindow(display);
    e.xbutton.time = t;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.state = state;
    e.xbutton.button = Button1;
    e.xbutton.same_screen = True;
    XSendEvent(display, Editor(), False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
               &e);
    XSync(display, False);
  }

  void Motion(int x, int y, Time t) {
    XEvent e{};
    e.xmotion.type = MotionNotify;
    e.xmotion.display = display;
    e.xmotion.window = Editor();
    e.xmotion.root = DefaultRootWindow(display);
    e.xmotion.time = t;
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.state = Button1Mask;
    e.xmotion.same_screen = True;
    XSendEvent(display, Editor(), False, PointerMotionMask, &e);
    XSync(display, False);
  }

  Display* display = XOpenDisplay(nullptr);
  UiModule module;
  Window parent = 0;
  LV2UI_Touch touch{};
  LV2UI_Resize resize{};
  LV2_Feature parentFeature{}, touchFeature{}, resizeFeature{};
  LV2UI_Handle handle = nullptr;
  LV2UI_Widget widget = nullptr;
  const LV2UI_Idle_Interface* idle = nullptr;
  std::vector<Write> writes;
  std::vector<TouchEvent> touches;
  std::pair<int, int> size{0, 0};
};

}  // namespace

TEST_F(Lv2Ui, OpensInTheHostsParentShowingTheGoldenPanel) {
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned n = 0;
  ASSERT_NE(XQueryTree(display, parent, &root, &up, &children, &n), 0);
  ASSERT_EQ(n, 1u) << "one editor window inside the parent";
  EXPECT_EQ(children[0], Editor()) << "the widget is the editor's window";
  XFree(children);
  EXPECT_EQ(size, std::make_pair(kW, kH)) << "the size told through ui:resize";

  Idle();
  EXPECT_EQ(Difference(Screen(), LoadGolden("editor-default.png")), "");
  EXPECT_TRUE(writes.empty()) << "opening writes nothing";
}

// Port events in the ports' units move every control, the lamp and the meter to the moved
// panel's golden image (its normalised values 1, 0.5, 0.3, 0.8, 0 and displays 1 and 0.6).
TEST_F(Lv2Ui, PortEventsMoveTheControlsTheLampAndTheMeter) {
  Idle();
  const Picture before = Screen();
  Port(Lv2Ports::kCutoff, 1000.0f);
  Idle();
  const Picture knob = Screen();
  EXPECT_NE(Difference(knob, before), "") << "the cutoff knob turned";

  Port(Lv2Ports::kCaptioning, 1.0f);
  Port(Lv2Ports::kShape, 1.0f);
  // The value of the host's normalised 0.3f (the knob's frame is at a rounding boundary there).
  Port(Lv2Ports::kCutoff, static_cast<float>(10.0 + 17990.0 * std::pow(double{0.3f}, 2.5)));
  Port(Lv2Ports::kResonance, 0.64f);
  Port(Lv2Ports::kBrickwall, 0.0f);
  Port(Lv2Ports::kLimiter, 1.0f);
  Port(Lv2Ports::kLevel, 0.6f);
  Port(Lv2Ports::kCutoffNow, 50.0f);  // the filter's own readings move no control
  Idle();
  EXPECT_EQ(Difference(Screen(), LoadGolden("editor-moved.png")), "");
  EXPECT_TRUE(writes.empty()) << "the host's changes are not written back";
}

TEST_F(Lv2Ui, ADragWritesRisingCutoffValuesInsideATouch) {
  Port(Lv2Ports::kCutoff, 1000.0f);
  Idle();
  const Picture before = Screen();
  Time t = 5000;
  Button(ButtonPress, kCutoffX, kCutoffY, 0, t);
  // Four steps of the drag reach the editor within one idle: each is written.
  for (int step = 1; step <= 4; ++step)
    Motion(kCutoffX, kCutoffY - step * kCutoffKnobH / 4, t + 10 * step);
  Idle(1);
  Button(ButtonRelease, kCutoffX, kCutoffY - kCutoffKnobH, Button1Mask, t + 100);
  Idle();

  ASSERT_GE(writes.size(), 4u);
  float last = 1000.0f;
  for (const Write& w : writes) {
    EXPECT_EQ(w.port, Lv2Ports::kCutoff);
    EXPECT_GT(w.value, last) << "each step raises the cutoff, in Hz";
    EXPECT_LE(w.value, 18000.0f);
    last = w.value;
  }
  ASSERT_EQ(touches.size(), 2u);
  EXPECT_EQ(touches[0].port, Lv2Ports::kCutoff);
  EXPECT_TRUE(touches[0].grabbed);
  EXPECT_EQ(touches[1].port, Lv2Ports::kCutoff);
  EXPECT_FALSE(touches[1].grabbed);
  EXPECT_NE(Difference(Screen(), before), "") << "the knob turned on screen";

  // The host echoes the written value back: the knob stays where the drag left it.
  const Picture dragged = Screen();
  Port(Lv2Ports::kCutoff, writes.back().value);
  Idle();
  EXPECT_EQ(Difference(Screen(), dragged), "");
}
