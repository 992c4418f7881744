// What a host pays to create, open and close an instance of the module.
#include <benchmark/benchmark.h>

#include "host/QuietHost.h"
#include "host/VstModule.h"

namespace {

void BM_CreateOpenClose(benchmark::State& state) {
  VstModule module;
  if (!module.Open(KORVANE_MODULE_PATH)) {
    state.SkipWithError(module.Error().c_str());
    return;
  }
  QuietHost host;
  for (auto _ : state) {
    AEffect* e = VstInstance::Create(module.Entry(), &host);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    benchmark::DoNotOptimize(e);
  }
}
BENCHMARK(BM_CreateOpenClose);

}  // namespace
