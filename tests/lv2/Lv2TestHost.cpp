#include "tests/lv2/Lv2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>

#include <cstring>

std::string Lv2TestHost::BundleParent() {
  return KORVANE_LV2_BUNDLE_PARENT;
}

Lv2TestHost::Lv2TestHost(double rate, int maxBlock, bool withMap) : mMaxBlock(maxBlock) {
  mWorld = lilv_world_new();
  LilvNode* path = lilv_new_string(mWorld, BundleParent().c_str());
  lilv_world_set_option(mWorld, LILV_OPTION_LV2_PATH, path);
  lilv_node_free(path);
  lilv_world_load_all(mWorld);
  LilvNode* uri = lilv_new_uri(mWorld, kUri);
  mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), uri);
  lilv_node_free(uri);
  if (!mPlugin) return;

  mMap.handle = this;
  mMap.map = MapUri;
  mMapFeature = {LV2_URID__map, &mMap};
  mOptions[0] = {
      LV2_OPTIONS_INSTANCE, 0,         Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
      Map(LV2_ATOM__Int),   &mMaxBlock};
  mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
  mOptionsFeature = {LV2_OPTIONS__options, mOptions};
  mFeatures[0] = withMap ? &mMapFeature : nullptr;
  mFeatures[1] = withMap ? &mOptionsFeature : nullptr;
  mFeatures[2] = nullptr;

  const uint32_t ports = lilv_plugin_get_num_ports(mPlugin);
  mControls.assign(ports, 0.0f);
  mConnected.assign(ports, true);
  std::vector<float> defaults(ports, 0.0f);
  lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
  for (uint32_t p = 0; p < ports; ++p) {
    if (defaults[p] == defaults[p]) mControls[p] = defaults[p];
  }
  mInstance = lilv_plugin_instantiate(mPlugin, rate, mFeatures);
}

Lv2TestHost::~Lv2TestHost() {
  if (mInstance) lilv_instance_free(mInstance);
  lilv_world_free(mWorld);
}

LV2_URID Lv2TestHost::Map(const char* uri) {
  auto it = mUrids.find(uri);
  if (it != mUrids.end()) return it->second;
  const LV2_URID id = static_cast<LV2_URID>(mUrids.size() + 1);
  mUrids.emplace(uri, id);
  return id;
}

LV2_URID Lv2TestHost::MapUri(LV2_URID_Map_Handle handle, const char* uri) {
  return static_cast<Lv2TestHost*>(handle)->Map(uri);
}

uint32_t Lv2TestHost::PortIndex(const char* symbol) const {
  LilvNode* sym = lilv_new_string(mWorld, symbol);
  const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin, sym);
  lilv_node_free(sym);
  return port ? lilv_port_get_index(mPlugin, port) : UINT32_MAX;
}

void Lv2TestHost::Activate() {
  Connect();
  lilv_instance_activate(mInstance);
}

void Lv2TestHost::Deactivate() {
  lilv_instance_deactivate(mInstance);
}

void Lv2TestHost::Set(const char* symbol, float value) {
  mControls.at(PortIndex(symbol)) = value;
}

float Lv2TestHost::Get(const char* symbol) const {
  return mControls.at(PortIndex(symbol));
}

void Lv2TestHost::Disconnect(const char* symbol) {
  mConnected.at(PortIndex(symbol)) = false;
}

void Lv2TestHost::Connect() {
  const uint32_t ports = static_cast<uint32_t>(mControls.size());
  for (uint32_t p = 0; p < ports; ++p) {
    void* data = &mControls[p];
    // Ports 0..5: the two audio inputs, the two outputs, MIDI in and out.
    if (p < 2) data = inPlace ? mOut[p].data() : mIn[p].data();
    if (p == 2 || p == 3) data = mOut[p - 2].data();
    if (p == 4) data = mMidiInBuf.data();
    if (p == 5) data = mMidiOutBuf.data();
    lilv_instance_connect_port(mInstance, p, mConnected[p] ? data : nullptr);
  }
}

void Lv2TestHost::Run(uint32_t n, const std::vector<std::vector<float>>& in,
                      const std::vector<Midi>& midi) {
  const size_t frames = n ? n : 1;  // a buffer to point at even for an empty run
  for (int c = 0; c < 2; ++c) {
    mIn[c].assign(frames, 0.0f);
    if (static_cast<size_t>(c) < in.size()) {
      std::copy(in[c].begin(), in[c].begin() + n, mIn[c].begin());
    }
    mOut[c].assign(frames, -12345.0f);  // what the plug-in does not write stays visible
    if (inPlace) mOut[c] = mIn[c];
  }

  // The input sequence: header, then each event padded to 8 bytes.
  size_t bytes = sizeof(LV2_Atom_Sequence);
  for (const Midi& m : midi) bytes += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + m.bytes.size());
  mMidiInBuf.assign(bytes / 8 + 1, 0);
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mMidiInBuf.data());
  seq->atom.type = Map(LV2_ATOM__Sequence);
  seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
  for (const Midi& m : midi) {
    auto* ev =
        reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&seq->body) + seq->atom.size);
    ev->time.frames = m.frame;
    ev->body.type = Map(LV2_MIDI__MidiEvent);
    ev->body.size = static_cast<uint32_t>(m.bytes.size());
    std::memcpy(ev + 1, m.bytes.data(), m.bytes.size());
    seq->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + ev->body.size);
  }

  // The output sequence: the host states its capacity in the atom's size.
  mMidiOutBuf.assign((sizeof(LV2_Atom) + midiOutCapacity) / 8 + 1, 0);
  auto* out = reinterpret_cast<LV2_Atom_Sequence*>(mMidiOutBuf.data());
  out->atom.type = Map(LV2_ATOM__Chunk);
  out->atom.size = midiOutCapacity;

  Connect();
  lilv_instance_run(mInstance, n);

  mMidiOut.clear();
  if (out->atom.type != Map(LV2_ATOM__Sequence)) return;
  LV2_ATOM_SEQUENCE_FOREACH(out, ev) {
    if (ev->body.type != Map(LV2_MIDI__MidiEvent)) continue;
    const uint8_t* b = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
    mMidiOut.push_back({ev->time.frames, std::vector<uint8_t>(b, b + ev->body.size)});
  }
}
