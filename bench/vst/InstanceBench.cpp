// What a host pays to create, open and close an instance of the module.
#include <benchmark/benchmark.h>

#include "platform/DynamicLibrary.h"
#include "vst/VstAbi.h"

namespace {

VstIntPtr VSTCALLBACK QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

void BM_CreateOpenClose(benchmark::State& state) {
  DynamicLibrary lib;
  if (!lib.Open(KORVANE_MODULE_PATH)) {
    state.SkipWithError(lib.Error().c_str());
    return;
  }
  auto entry = reinterpret_cast<VstEntryProc>(lib.Symbol("VSTPluginMain"));
  for (auto _ : state) {
    AEffect* e = entry(QuietHost);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    benchmark::DoNotOptimize(e);
  }
}
BENCHMARK(BM_CreateOpenClose);

}  // namespace
