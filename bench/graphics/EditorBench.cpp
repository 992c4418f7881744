// What the editor costs: a full redraw of the panel, a timer tick after one knob moved, and
// creating an instance with its editor, with the images decoded (cold) or from the caches (warm).
#include <benchmark/benchmark.h>

#include "graphics/IGraphics.h"
#include "host/QuietHost.h"
#include "product/KorvaneFilter.h"
#include "resources/KorvaneFilterResources.h"
#include "vst/VSTEntry.h"

namespace {

// What VSTPluginMain does: the entry lock, construction with the editor, one preset.
AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

QuietHost gHost;  // outlives every instance

AEffect* CreateInstance() {
  return VstInstance::Create(KorvaneMain, &gHost);
}

void CloseInstance(AEffect* e) {
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

IGraphics* Gui(AEffect* e) {
  return static_cast<KorvaneFilter*>(e->object)->GetGUI();
}

void BM_FullRedraw(benchmark::State& state) {
  AEffect* e = CreateInstance();
  IGraphics* gui = Gui(e);
  const IRect all(0, 0, gui->Width(), gui->Height());
  gui->SetControlFromPlugin(5, 0.5);
  gui->SetControlFromPlugin(6, 0.5);
  for (auto _ : state) {
    gui->Draw(all);
    benchmark::DoNotOptimize(gui->GetDrawBits());
  }
  CloseInstance(e);
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

// The host moves the cutoff; the tick collects the dirty rectangle and redraws it.
void BM_TickWithOneKnobChanged(benchmark::State& state) {
  AEffect* e = CreateInstance();
  IGraphics* gui = Gui(e);
  gui->Draw(IRect(0, 0, gui->Width(), gui->Height()));
  float v = 0.0f;
  for (auto _ : state) {
    v = v > 0.9f ? 0.0f : v + 0.01f;
    e->setParameter(e, KorvaneFilter::kCutoff, v);
    IRect dirty;
    if (gui->IsDirty(dirty)) gui->Draw(dirty);
    benchmark::DoNotOptimize(dirty);
  }
  CloseInstance(e);
}
BENCHMARK(BM_TickWithOneKnobChanged)->Unit(benchmark::kMicrosecond);

// Every instance after the first finds its images in the module-wide caches.
void BM_CreateInstanceWarm(benchmark::State& state) {
  CloseInstance(CreateInstance());
  for (auto _ : state) {
    AEffect* e = CreateInstance();
    state.PauseTiming();
    CloseInstance(e);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CreateInstanceWarm)->Unit(benchmark::kMicrosecond);

// As the first instance in the process: the eight images are released first, so they are
// decoded again (on as many threads as the creation uses: wall-clock time).
void BM_CreateInstanceCold(benchmark::State& state) {
  const int ids[] = {BG_ID,     KNOB_3WAY_ID, KNOB_CAP_ID, BIG_KNOB_ID,
                     TOGGLE_ID, GLOW_ID,      VU_ID,       NUMBERS_ID};
  for (auto _ : state) {
    state.PauseTiming();
    AEffect* old = CreateInstance();
    IGraphics* gui = Gui(old);
    for (int id : ids) gui->ReleaseBitmap(gui->LoadBitmapResource(id, "", 1));
    CloseInstance(old);
    state.ResumeTiming();
    AEffect* e = CreateInstance();
    state.PauseTiming();
    CloseInstance(e);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CreateInstanceCold)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
