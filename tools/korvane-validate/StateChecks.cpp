// State: chunks or the parameter list restore what was saved, chunk round trips, hostile
// chunks; the host callbacks a module makes while it is driven.
#include <cmath>
#include <cstdio>

#include "tools/korvane-validate/Catalogue.h"

namespace {

using Callback = PluginUnderTest::Callback;

constexpr float kChunkTolerance = 0.1f;

std::vector<float> ReadParameters(PluginUnderTest& plugin) {
  std::vector<float> values;
  for (int i = 0; i < plugin.Params(); ++i) values.push_back(plugin.GetParameter(i));
  return values;
}

void Randomise(CheckContext& context, PluginUnderTest& plugin) {
  for (int i = 0; i < plugin.Params(); ++i)
    plugin.SetParameter(i, static_cast<float>(context.random.Unit()));
}

void StateRestore(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  if (plugin->Params() == 0 && !plugin->HasFlag(effFlagsProgramChunks))
    throw CheckSkipped("the module has no parameters and no chunks");
  Randomise(context, *plugin);
  const std::vector<float> saved = ReadParameters(*plugin);
  if (plugin->HasFlag(effFlagsProgramChunks)) {
    for (bool program : {false, true}) {
      const char* kind = program ? "program" : "bank";
      context.report.Step(std::string("effGetChunk of the ") + kind);
      const std::vector<unsigned char> chunk = plugin->GetChunk(program);
      Expect(!chunk.empty(), std::string("expected a ") + kind +
                                 " chunk with "
                                 "effFlagsProgramChunks set, effGetChunk gave none");
      Randomise(context, *plugin);
      context.report.Step(std::string("effSetChunk of the ") + kind);
      plugin->Dispatch(program ? effBeginLoadProgram : effBeginLoadBank);
      plugin->SetChunk(program, chunk);
      for (int i = 0; i < plugin->Params(); ++i) {
        const float value = plugin->GetParameter(i);
        Expect(std::fabs(value - saved[static_cast<size_t>(i)]) <= kChunkTolerance,
               std::string("expected the ") + kind + " chunk to restore " +
                   ParameterName(*plugin, i) + " to " + NumberText(saved[static_cast<size_t>(i)]) +
                   " within " + NumberText(kChunkTolerance) + ", got " + NumberText(value));
      }
    }
    return;
  }
  context.report.Step("setting the saved parameter list back");
  Randomise(context, *plugin);
  for (int i = 0; i < plugin->Params(); ++i) plugin->SetParameter(i, saved[static_cast<size_t>(i)]);
  for (int i = 0; i < plugin->Params(); ++i) {
    const float value = plugin->GetParameter(i);
    Expect(value == saved[static_cast<size_t>(i)],
           "expected the parameter list to restore " + ParameterName(*plugin, i) + " to " +
               NumberText(saved[static_cast<size_t>(i)]) + " exactly, got " + NumberText(value));
  }
}

void StateBytes(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  if (!plugin->HasFlag(effFlagsProgramChunks))
    throw CheckSkipped("no effFlagsProgramChunks: the parameter list is the state");
  Randomise(context, *plugin);
  for (bool program : {false, true}) {
    const char* kind = program ? "program" : "bank";
    context.report.Step(std::string("the ") + kind + " chunk through effSetChunk and back");
    const std::vector<unsigned char> first = plugin->GetChunk(program);
    Expect(!first.empty(), std::string("expected a ") + kind + " chunk, effGetChunk gave none");
    plugin->SetChunk(program, first);
    const std::vector<unsigned char> second = plugin->GetChunk(program);
    if (second == first) continue;
    size_t at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
    throw CheckFailure(
        std::string("expected the ") + kind + " chunk of " + std::to_string(first.size()) +
        " bytes back byte for byte after "
        "effSetChunk, got " +
        std::to_string(second.size()) + " bytes differing from byte " + std::to_string(at));
  }
}

void BadChunks(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  if (!plugin->HasFlag(effFlagsProgramChunks))
    throw CheckSkipped("no effFlagsProgramChunks: the module takes no chunks");
  plugin->Start(44100.0, 512);
  AudioBuffers buffers = plugin->Buffers(512);
  const auto callbacks = plugin->AnnouncedCallbacks();
  auto survive = [&](const std::string& what) {
    plugin->ExpectParametersInRange("after effSetChunk of " + what);
    for (Callback callback : callbacks) RunBlocks(context, *plugin, callback, buffers, 2, 0.5f);
  };
  for (bool program : {false, true}) {
    const char* kind = program ? "program" : "bank";
    const std::vector<unsigned char> valid = plugin->GetChunk(program);
    context.report.Step(std::string("an empty ") + kind + " chunk");
    plugin->SetChunk(program, {});
    survive(std::string("an empty ") + kind + " chunk");
    // Every short prefix, then prefixes spread over the rest.
    std::vector<size_t> sizes;
    for (size_t n = 1; n < valid.size() && n <= 64; ++n) sizes.push_back(n);
    for (int k = 1; k < 16; ++k) sizes.push_back(valid.size() * static_cast<size_t>(k) / 16);
    for (size_t n : sizes) {
      if (n == 0 || n >= valid.size()) continue;
      const std::string what = std::string("the first ") + std::to_string(n) + " of " +
                               std::to_string(valid.size()) + " bytes of a " + kind + " chunk";
      context.report.Step(what);
      plugin->SetChunk(
          program, std::vector<unsigned char>(valid.begin(), valid.begin() + static_cast<long>(n)));
      survive(what);
    }
    std::vector<unsigned char> noise(1 << 20);
    for (unsigned char& byte : noise) byte = static_cast<unsigned char>(context.random.Bits());
    const std::string what = std::string("1 MB of random bytes as a ") + kind + " chunk";
    context.report.Step(what);
    plugin->SetChunk(program, noise);
    survive(what);
    // The random bytes with the valid chunk's header: past the first checks.
    std::copy(valid.begin(), valid.begin() + static_cast<long>(std::min<size_t>(valid.size(), 64)),
              noise.begin());
    context.report.Step(std::string("a ") + kind + " chunk's header with random bytes after it");
    plugin->SetChunk(program, noise);
    survive(std::string("a ") + kind + " chunk's header with 1 MB of random bytes");
  }
}

// What the module tells its host while parameters, programs and audio are driven: the host
// judges every call (automation indices and values, begin/end edit pairing).
void HostCallbacks(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  plugin->Start(44100.0, 512);
  AudioBuffers buffers = plugin->Buffers(512);
  const auto callbacks = plugin->AnnouncedCallbacks();
  for (int round = 0; round < 4; ++round) {
    context.report.Step("parameters, programs and audio, round " + std::to_string(round + 1));
    Randomise(context, *plugin);
    if (plugin->Programs() > 0)
      plugin->Dispatch(effSetProgram, 0,
                       context.random.Index(static_cast<uint32_t>(plugin->Programs())));
    for (Callback callback : callbacks) RunBlocks(context, *plugin, callback, buffers, 10, 0.5f);
    plugin->Dispatch(effIdle);
    ExpectHostRulesKept(*plugin);
  }
  const std::string open = plugin->Host().OpenEdits();
  Expect(open.empty(), "expected every audioMasterBeginEdit ended, still open: " + open);
}

}  // namespace

void AddStateTests(std::vector<ValidationTest>& tests) {
  tests.push_back({"state-restore", 5,
                   "effGetChunk, random parameters, effSetChunk restores "
                   "each within 0.1 (or the parameter list exactly)",
                   StateRestore});
  tests.push_back({"host-callbacks", 5,
                   "automation within 0..1 for valid indices, begin/end "
                   "edits paired",
                   HostCallbacks});
  tests.push_back(
      {"bad-chunks", 6, "empty, truncated and 1 MB random chunks are survived", BadChunks});
  tests.push_back({"state-bytes", 8, "a chunk set and read back is byte-identical", StateBytes});
}
