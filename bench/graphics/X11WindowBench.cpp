// What the X11 editor window costs on top of the drawing: a tick after one knob moved with the
// copy of its rectangle to the server, and a full-window exposure as the server reports it.
// Needs an X display (DISPLAY); without one the benchmarks say so and measure nothing.
#include <benchmark/benchmark.h>

#include "graphics/x11/IGraphicsX11.h"
#include "host/QuietHost.h"
#include "product/KorvaneFilter.h"
#include "vst/VSTEntry.h"

// Last: Xlib's macros (None, Bool...) would clash with names in the headers above.
#include <X11/Xlib.h>

namespace {

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

QuietHost gHost;  // outlives every instance

// An instance with its editor open in a top-level window of the benchmark's own connection.
class OpenEditor {
 public:
  OpenEditor() : mDisplay(XOpenDisplay(nullptr)) {
    if (!mDisplay) return;
    const int screen = DefaultScreen(mDisplay);
    mParent = XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), 0, 0, 300, 400, 0,
                                  BlackPixel(mDisplay, screen), BlackPixel(mDisplay, screen));
    XMapWindow(mDisplay, mParent);
    XSync(mDisplay, False);
    mEffect = VstInstance::Create(KorvaneMain, &gHost);
    if (!mEffect) return;
    mGui = dynamic_cast<IGraphicsX11*>(static_cast<KorvaneFilter*>(mEffect->object)->GetGUI());
    if (!mGui ||
        !mEffect->dispatcher(mEffect, effEditOpen, 0, 0, reinterpret_cast<void*>(mParent), 0.0f)) {
      mGui = nullptr;
      return;
    }
    mEffect->dispatcher(mEffect, effEditIdle, 0, 0, nullptr, 0.0f);  // the first full drawing
    mGui->SyncWithServer();
  }
  ~OpenEditor() {
    if (mEffect) mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.0f);
    if (mDisplay) {
      XDestroyWindow(mDisplay, mParent);
      XCloseDisplay(mDisplay);
    }
  }
  OpenEditor(const OpenEditor&) = delete;
  OpenEditor& operator=(const OpenEditor&) = delete;

  bool Ready() const { return mGui != nullptr; }
  AEffect* Effect() const { return mEffect; }
  IGraphicsX11* Gui() const { return mGui; }
  Display* HostDisplay() const { return mDisplay; }
  Window Editor() const { return mGui->WindowId(); }

 private:
  Display* mDisplay;
  Window mParent = 0;
  AEffect* mEffect = nullptr;
  IGraphicsX11* mGui = nullptr;
};

// The host moves the cutoff; the tick redraws the knob's rectangle and puts it to the window,
// and the server has copied it when the iteration ends.
void BM_X11TickWithOneKnobChanged(benchmark::State& state) {
  OpenEditor editor;
  if (!editor.Ready()) {
    state.SkipWithError("no X display or no editor window");
    return;
  }
  AEffect* e = editor.Effect();
  IGraphicsX11* gui = editor.Gui();
  float v = 0.0f;
  for (auto _ : state) {
    v = v > 0.9f ? 0.0f : v + 0.01f;
    e->setParameter(e, KorvaneFilter::kCutoff, v);
    IRect dirty;
    if (gui->IsDirty(dirty)) gui->Draw(dirty);
    gui->SyncWithServer();
    benchmark::DoNotOptimize(dirty);
  }
}
BENCHMARK(BM_X11TickWithOneKnobChanged)->Unit(benchmark::kMicrosecond);

// The server reports the whole window exposed; the next idle redraws and puts all of it.
void BM_X11FullExposure(benchmark::State& state) {
  OpenEditor editor;
  if (!editor.Ready()) {
    state.SkipWithError("no X display or no editor window");
    return;
  }
  Display* host = editor.HostDisplay();
  const Window window = editor.Editor();
  const int before = editor.Gui()->TickCount();
  for (auto _ : state) {
    XClearArea(host, window, 0, 0, 0, 0, True);  // no background: only the exposure
    XSync(host, False);
    editor.Effect()->dispatcher(editor.Effect(), effEditIdle, 0, 0, nullptr, 0.0f);
    editor.Gui()->SyncWithServer();
  }
  state.counters["ticks"] = editor.Gui()->TickCount() - before;  // cheap: nothing dirty
}
BENCHMARK(BM_X11FullExposure)->Unit(benchmark::kMicrosecond);

}  // namespace
