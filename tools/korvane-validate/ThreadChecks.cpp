// Thread safety: audio on one thread while others automate, read displays and set state.
#include <atomic>
#include <thread>

#include "tools/korvane-validate/BackgroundAudio.h"
#include "tools/korvane-validate/Catalogue.h"

namespace {

constexpr long kBlocks = 500;

// 500 blocks on the audio thread while a second thread automates every parameter and a third
// reads their displays.
void ThreadSafety(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  if (plugin->AnnouncedCallbacks().empty())
    throw CheckSkipped("the flags announce no replacing callback");
  plugin->Start(44100.0, 512);
  const int params = plugin->Params();
  std::atomic<bool> stop{false};  // written by the host thread, read by the helpers
  const uint32_t seed = context.random.Bits();
  context.report.Step("500 blocks while one thread automates and another reads displays");
  BackgroundAudio audio(*plugin, context.random.Bits(), 512, kBlocks);
  std::thread automation([&] {
    Random random(seed);
    while (!stop.load() && params > 0) {
      plugin->SetParameter(static_cast<int>(random.Index(static_cast<uint32_t>(params))),
                           static_cast<float>(random.Unit()));
      std::this_thread::yield();
    }
  });
  std::thread displays([&] {
    while (!stop.load() && params > 0) {
      for (int i = 0; i < params && !stop.load(); ++i) {
        char text[256] = {};
        plugin->Dispatch(effGetParamDisplay, i, 0, text);
        plugin->GetParameter(i);
      }
      std::this_thread::yield();
    }
  });
  audio.WaitFor(kBlocks);
  stop.store(true);
  automation.join();
  displays.join();
  audio.Stop();
  plugin->ExpectParametersInRange("after automation from another thread");
  ExpectHostRulesKept(*plugin);
}

// State read and set on another thread while audio runs.
void StateWhileAudio(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  if (plugin->AnnouncedCallbacks().empty())
    throw CheckSkipped("the flags announce no replacing callback");
  const bool chunks = plugin->HasFlag(effFlagsProgramChunks);
  if (!chunks && plugin->Params() == 0)
    throw CheckSkipped("the module has no parameters and no chunks");
  plugin->Start(44100.0, 512);
  context.report.Step(chunks ? "effGetChunk and effSetChunk while audio runs"
                             : "the parameter list saved and restored while audio runs");
  BackgroundAudio audio(*plugin, context.random.Bits(), 512, 200);
  while (audio.Blocks() < 200 && !audio.Done()) {
    for (bool program : {false, true}) {
      if (chunks) {
        const std::vector<unsigned char> chunk = plugin->GetChunk(program);
        plugin->SetChunk(program, chunk);
      } else {
        std::vector<float> saved;
        for (int i = 0; i < plugin->Params(); ++i) saved.push_back(plugin->GetParameter(i));
        for (int i = 0; i < plugin->Params(); ++i)
          plugin->SetParameter(i, saved[static_cast<size_t>(i)]);
      }
    }
    std::this_thread::yield();
    audio.WaitFor(audio.Blocks() + 1);
  }
  audio.Stop();
  plugin->ExpectParametersInRange("after state set while audio ran");
}

}  // namespace

void AddThreadTests(std::vector<ValidationTest>& tests) {
  tests.push_back({"thread-safety", 7,
                   "500 blocks while one thread automates and another reads "
                   "displays",
                   ThreadSafety});
  tests.push_back({"state-while-audio", 7, "state read and set while audio runs", StateWhileAudio});
}
