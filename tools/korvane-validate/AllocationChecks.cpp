// No heap allocation on the audio thread once the module is warmed up.
#include "tools/korvane-validate/AllocationCounter.h"
#include "tools/korvane-validate/Catalogue.h"

namespace {

constexpr int kWarmUpBlocks = 16;
constexpr int kCountedBlocks = 400;

void AudioAllocation(CheckContext& context) {
  if (!AllocationCounter::Available())
    throw CheckSkipped(
#if defined(_WIN32)
        "allocations are counted on Linux only"
#else
        "this build's sanitizer replaces malloc, so allocations cannot be counted"
#endif
    );
  auto plugin = context.OpenPlugin();
  const auto callbacks = plugin->AnnouncedCallbacks();
  if (callbacks.empty()) throw CheckSkipped("the flags announce no replacing callback");
  plugin->Host().SetAudioThread();
  plugin->Start(44100.0, 512);
  AudioBuffers buffers = plugin->Buffers(512);
  const int params = plugin->Params();
  for (PluginUnderTest::Callback callback : callbacks) {
    const std::string name = PluginUnderTest::Name(callback);
    context.report.Step("warming up " + name);
    RunBlocks(context, *plugin, callback, buffers, kWarmUpBlocks, 0.5f);
    context.report.Step("counting allocations in " + name + " and setParameter");
    long calls = 0;
    for (int block = 0; block < kCountedBlocks; ++block) {
      buffers.FillInputs(context.random, 0.5f);
      const int index =
          params > 0 ? static_cast<int>(context.random.Index(static_cast<uint32_t>(params))) : -1;
      const float value = static_cast<float>(context.random.Unit());
      AllocationCounter::Begin();
      if (index >= 0) plugin->SetParameter(index, value);
      plugin->Process(callback, buffers, 512);
      calls += AllocationCounter::End();
    }
    Expect(calls == 0, "expected no heap allocation on the audio thread after " +
                           std::to_string(kWarmUpBlocks) + " blocks of warm-up, counted " +
                           std::to_string(calls) + " malloc/calloc/realloc/free calls in " +
                           std::to_string(kCountedBlocks) + " blocks of " + name +
                           " with setParameter");
  }
}

}  // namespace

void AddAllocationTests(std::vector<ValidationTest>& tests) {
  tests.push_back({"audio-allocation", 9,
                   "no malloc or free on the audio thread after warm-up "
                   "(Linux)",
                   AudioAllocation});
}
