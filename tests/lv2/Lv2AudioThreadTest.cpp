// Nothing in the LV2 plug-in's run allocates once the first run is over: every operator new and
// (natively, without sanitizers) every malloc of this program, the module's included, is
// counted on the thread that runs it.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "lv2/Lv2Ports.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/support/WatchedAllocations.h"

namespace {

std::map<std::string, LV2_URID> gUrids;
LV2_URID Map(LV2_URID_Map_Handle, const char* uri) {
  auto it = gUrids.find(uri);
  if (it != gUrids.end()) return it->second;
  const LV2_URID id = static_cast<LV2_URID>(gUrids.size() + 1);
  gUrids.emplace(uri, id);
  return id;
}

// An input sequence of count control changes spread over frames [0, frames) and, when there
// are any, a system exclusive message at the end. The buffer holds 16 bytes of header and 24
// per event.
void FillSequence(std::vector<uint64_t>& buffer, int count, int frames) {
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(buffer.data());
  seq->atom.type = Map(nullptr, LV2_ATOM__Sequence);
  seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
  seq->body.unit = 0;
  seq->body.pad = 0;
  auto append = [&](int64_t frame, const uint8_t* bytes, uint32_t size) {
    uint8_t* at = reinterpret_cast<uint8_t*>(buffer.data()) + sizeof(LV2_Atom) + seq->atom.size;
    LV2_Atom_Event ev{};
    ev.time.frames = frame;
    ev.body.type = Map(nullptr, LV2_MIDI__MidiEvent);
    ev.body.size = size;
    std::memcpy(at, &ev, sizeof ev);
    std::memcpy(at + sizeof ev, bytes, size);
    seq->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + size);
  };

  for (int i = 0; i < count; ++i) {
    const uint8_t cc[] = {0xB0,
                          static_cast<uint8_t>(i % 3 == 0   ? 74
                                               : i % 3 == 1 ? 71
                                                            : 111),
                          static_cast<uint8_t>(i % 128)};
    append(frames > 0 ? static_cast<int64_t>(i) * frames / count : 0, cc, 3);
  }
  const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  if (count > 0) append(frames - 1, sysex, sizeof sysex);
}

}  // namespace

TEST(Lv2AudioThread, RunAllocatesNothingAfterTheFirstRun) {
  LilvWorld* world = lilv_world_new();
  LilvNode* path = lilv_new_string(world, Lv2TestHost::BundleParent().c_str());
  lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
  lilv_node_free(path);
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, Lv2TestHost::kUri);
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  lilv_node_free(uri);
  ASSERT_NE(plugin, nullptr);

  constexpr int kMaxBlock = 1024;
  LV2_URID_Map map{nullptr, Map};
  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000.0, features);
  ASSERT_NE(instance, nullptr);

  // Everything the audio thread uses is made before it starts.
  std::vector<float> audio[4];
  for (auto& a : audio) a.assign(kMaxBlock, 0.1f);
  float controls[Lv2Ports::kCount] = {0, 0, 0, 0, 0, 0, 0, 0, 18000, 0.35f, 1, 0, 0, 0, 0, 0};
  std::vector<uint64_t> flood(2048), few(128), empty(8), out(2048);
  FillSequence(flood, 600, kMaxBlock);  // more events than one batch to the plug-in
  FillSequence(few, 20, 256);
  FillSequence(empty, 0, 0);
  for (uint32_t p = 0; p < Lv2Ports::kCount; ++p) {
    void* data = &controls[p];
    if (p < 4) data = audio[p].data();
    if (p == Lv2Ports::kMidiIn) data = flood.data();
    if (p == Lv2Ports::kMidiOut) data = out.data();
    lilv_instance_connect_port(instance, p, data);
  }
  lilv_instance_activate(instance);
  controls[Lv2Ports::kCutoff] = 500.0f;  // the first run starts from changed settings

  std::atomic<long> firstRunAllocations{-1};
  std::thread runner([&] {
    WatchAllocations(true);
    for (int run = 0; run < 5000; ++run) {
      std::vector<uint64_t>& in = run == 0 ? flood : run % 7 == 0 ? few : empty;
      lilv_instance_connect_port(instance, Lv2Ports::kMidiIn, in.data());
      auto* o = reinterpret_cast<LV2_Atom*>(out.data());
      o->size = static_cast<uint32_t>(out.size() * 8 - sizeof(LV2_Atom));
      o->type = 0;
      // Settings between runs; a mono connection now and then.
      controls[Lv2Ports::kCutoff] = static_cast<float>(10 + (run % 50) * 300);
      controls[Lv2Ports::kResonance] = static_cast<float>(run % 13) / 13.0f;
      if (run % 97 == 0) controls[Lv2Ports::kShape] = static_cast<float>((run / 97) % 3);
      if (run % 211 == 0) controls[Lv2Ports::kBrickwall] = static_cast<float>(run / 211 % 2);
      const bool mono = run % 500 >= 250;
      lilv_instance_connect_port(instance, Lv2Ports::kAudioInR, mono ? nullptr : audio[1].data());
      lilv_instance_connect_port(instance, Lv2Ports::kAudioOutR, mono ? nullptr : audio[3].data());
      lilv_instance_run(instance, static_cast<uint32_t>(run == 0 ? kMaxBlock : run % 300));
      if (run == 0) firstRunAllocations = gWatchedAllocations.exchange(0);
    }
    WatchAllocations(false);
  });
  runner.join();
  EXPECT_GE(firstRunAllocations.load(), 0);
  EXPECT_EQ(gWatchedAllocations.load(), 0) << "allocations in run after the first of 5000";

  lilv_instance_deactivate(instance);
  lilv_instance_free(instance);
  lilv_world_free(world);
}

TEST(Lv2AudioThread, TheCountSeesAnAllocationInsideTheModule) {
  // The watch reaches into the module: instantiating on a watched thread allocates there.
  LilvWorld* world = lilv_world_new();
  LilvNode* path = lilv_new_string(world, Lv2TestHost::BundleParent().c_str());
  lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
  lilv_node_free(path);
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, Lv2TestHost::kUri);
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  lilv_node_free(uri);
  ASSERT_NE(plugin, nullptr);
  gWatchedAllocations = 0;
  LilvInstance* instance = nullptr;
  std::thread watched([&] {
    WatchAllocations(true);
    instance = lilv_plugin_instantiate(plugin, 48000.0, nullptr);
    WatchAllocations(false);
  });
  watched.join();
  ASSERT_NE(instance, nullptr);
  const long seen = gWatchedAllocations.exchange(0);
  std::thread unwatched([&] { lilv_instance_free(instance); });
  unwatched.join();
  EXPECT_GT(seen, 10) << "the plug-in's construction allocates";
  lilv_world_free(world);
}
