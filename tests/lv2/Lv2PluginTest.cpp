// The LV2 plug-in through Debian's lilv, as an LV2 host drives it, judged against the VST 2
// module driven through its binary interface with the same input, settings and controllers.
#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "product/KorvaneFilter.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/support/TestHost.h"

namespace {

using Midi = Lv2TestHost::Midi;
using Signal = std::vector<std::vector<float>>;  // two channels

// Two channels of saw, sine and noise, loud enough for the band-pass gains to reach the limit.
Signal TestSignal(size_t n, double rate, float gain = 0.7f, unsigned seed = 7) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> noise(-0.1f, 0.1f);
  Signal s(2, std::vector<float>(n));
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double saw = 2.0 * std::fmod(t * 110.0, 1.0) - 1.0;
    s[0][i] =
        gain * static_cast<float>(0.6 * saw + 0.3 * std::sin(2 * M_PI * 440.0 * t)) + noise(rng);
    s[1][i] =
        gain * static_cast<float>(0.5 * std::sin(2 * M_PI * 220.0 * t) + 0.4 * saw) + noise(rng);
  }
  return s;
}

Signal Slice(const Signal& s, size_t from, size_t n) {
  Signal out(2);
  for (int c = 0; c < 2; ++c) out[c].assign(s[c].begin() + from, s[c].begin() + from + n);
  return out;
}

VstIntPtr VSTCALLBACK Silent(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

// The normalised value the VST 2 interface carries for a parameter's value in its own units:
// the parameter's own mapping, from a plug-in made in process.
float Normalized(int param, double value) {
  static KorvaneFilter reference(Silent);
  return static_cast<float>(reference.GetParam(param)->GetNormalized(value));
}

// The VST 2 module driven as the LV2 adapter drives it: opened at the rate with the same
// largest block, settings made before processing starts, then blocks with their events.
struct VstReference {
  TestHost host;
  std::vector<float> out[2];

  VstReference(double rate, int maxBlock, const std::vector<std::pair<int, double>>& settings) {
    host.Dispatch(effOpen);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    host.Dispatch(effSetBlockSize, 0, maxBlock);
    host.Dispatch(effMainsChanged, 0, 1);
    host.Dispatch(effStartProcess);
    for (const auto& s : settings) host.SetParameter(s.first, Normalized(s.first, s.second));
    if (!settings.empty()) host.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  }
  void Restart() {
    host.Dispatch(effStopProcess);
    host.Dispatch(effMainsChanged, 0, 0);
    host.Dispatch(effMainsChanged, 0, 1);
    host.Dispatch(effStartProcess);
  }
  void Run(const Signal& in, int n, const std::vector<TestHost::Midi>& midi = {}) {
    if (!midi.empty()) host.SendMidi(midi);
    std::vector<float> inL(in[0]), inR(in[1]);
    inL.resize(static_cast<size_t>(n) + 1);
    inR.resize(static_cast<size_t>(n) + 1);
    for (auto& o : out) o.assign(static_cast<size_t>(n) + 1, 0.0f);
    float* ins[] = {inL.data(), inR.data()};
    float* outs[] = {out[0].data(), out[1].data()};
    host.ProcessReplacing(ins, outs, n);
  }
};

std::unique_ptr<Lv2TestHost> Started(double rate = 48000.0, int maxBlock = 4096) {
  auto h = std::make_unique<Lv2TestHost>(rate, maxBlock);
  if (h->Ok()) h->Activate();
  return h;
}

}  // namespace

TEST(Lv2Bundle, DescribesTheFilterWithItsParametersInTheirOwnUnits) {
  Lv2TestHost h;
  ASSERT_TRUE(h.Ok()) << "no urn:korvane:filter under " << Lv2TestHost::BundleParent();
  const LilvPlugin* p = h.Plugin();
  LilvWorld* w = h.World();
  LilvNode* name = lilv_plugin_get_name(p);
  EXPECT_STREQ(lilv_node_as_string(name), "Korvane Filter");
  lilv_node_free(name);
  LilvNode* author = lilv_plugin_get_author_name(p);
  ASSERT_NE(author, nullptr);
  EXPECT_STREQ(lilv_node_as_string(author), "Quorl");
  lilv_node_free(author);
  ASSERT_EQ(lilv_plugin_get_num_ports(p), 16u);

  LilvNode* audio = lilv_new_uri(w, LILV_URI_AUDIO_PORT);
  LilvNode* input = lilv_new_uri(w, LILV_URI_INPUT_PORT);
  LilvNode* output = lilv_new_uri(w, LILV_URI_OUTPUT_PORT);
  LilvNode* control = lilv_new_uri(w, LILV_URI_CONTROL_PORT);
  LilvNode* atom = lilv_new_uri(w, "http://lv2plug.in/ns/ext/atom#AtomPort");
  LilvNode* midiEvent = lilv_new_uri(w, "http://lv2plug.in/ns/ext/midi#MidiEvent");
  LilvNode* enumeration = lilv_new_uri(w, "http://lv2plug.in/ns/lv2core#enumeration");
  LilvNode* toggled = lilv_new_uri(w, "http://lv2plug.in/ns/lv2core#toggled");
  LilvNode* integer = lilv_new_uri(w, "http://lv2plug.in/ns/lv2core#integer");
  LilvNode* logarithmic = lilv_new_uri(w, "http://lv2plug.in/ns/ext/port-props#logarithmic");
  LilvNode* notOnGui = lilv_new_uri(w, "http://lv2plug.in/ns/ext/port-props#notOnGUI");

  struct Expect {
    const char* symbol;
    LilvNode* kind;
    LilvNode* direction;
    float min, max, def;
  };
  const Expect expected[] = {
      {"in_l", audio, input, 0, 0, 0},
      {"in_r", audio, input, 0, 0, 0},
      {"out_l", audio, output, 0, 0, 0},
      {"out_r", audio, output, 0, 0, 0},
      {"midi_in", atom, input, 0, 0, 0},
      {"midi_out", atom, output, 0, 0, 0},
      {"captioning", control, input, 0, 1, 0},
      {"shape", control, input, 0, 2, 0},
      {"cutoff", control, input, 10, 18000, 18000},
      {"resonance", control, input, 0, 1, 0.35f},
      {"brickwall", control, input, 0, 1, 1},
      {"limiter", control, output, 0, 1, 0},
      {"level", control, output, 0, 2, 0},
      {"shape_now", control, output, 0, 2, 0},
      {"cutoff_now", control, output, 10, 18000, 18000},
      {"resonance_now", control, output, 0, 1, 0.35f},
  };
  std::vector<float> mins(16), maxs(16), defs(16);
  lilv_plugin_get_port_ranges_float(p, mins.data(), maxs.data(), defs.data());
  for (uint32_t i = 0; i < 16; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
    const Expect& e = expected[i];
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(p, port)), e.symbol) << "port " << i;
    EXPECT_TRUE(lilv_port_is_a(p, port, e.kind)) << e.symbol;
    EXPECT_TRUE(lilv_port_is_a(p, port, e.direction)) << e.symbol;
    if (e.kind == control) {
      EXPECT_EQ(mins[i], e.min) << e.symbol;
      EXPECT_EQ(maxs[i], e.max) << e.symbol;
      EXPECT_FLOAT_EQ(defs[i], e.def) << e.symbol;
    }
    if (e.kind == atom) {
      EXPECT_TRUE(lilv_port_supports_event(p, port, midiEvent)) << e.symbol;
    }
  }
  auto port = [&](const char* symbol) {
    return lilv_plugin_get_port_by_index(p, h.PortIndex(symbol));
  };
  EXPECT_TRUE(lilv_port_has_property(p, port("shape"), enumeration));
  EXPECT_TRUE(lilv_port_has_property(p, port("brickwall"), toggled));
  EXPECT_TRUE(lilv_port_has_property(p, port("cutoff"), logarithmic));
  EXPECT_TRUE(lilv_port_has_property(p, port("captioning"), integer));
  EXPECT_TRUE(lilv_port_has_property(p, port("captioning"), notOnGui));

  // The shape's scale points are the parameter's three texts.
  LilvScalePoints* points = lilv_port_get_scale_points(p, port("shape"));
  ASSERT_NE(points, nullptr);
  std::vector<std::string> labels(3);
  LILV_FOREACH(scale_points, it, points) {
    const LilvScalePoint* sp = lilv_scale_points_get(points, it);
    const int v = lilv_node_as_int(lilv_scale_point_get_value(sp));
    ASSERT_TRUE(v >= 0 && v < 3);
    labels[static_cast<size_t>(v)] = lilv_node_as_string(lilv_scale_point_get_label(sp));
  }
  lilv_scale_points_free(points);
  EXPECT_EQ(labels, (std::vector<std::string>{"low pass", "band pass wide", "band pass narrow"}));

  for (LilvNode* n : {audio, input, output, control, atom, midiEvent, enumeration, toggled, integer,
                      logarithmic, notOnGui})
    lilv_node_free(n);
}

// Changing run sizes (0, 1, 17, 4096 and odd ones), control port changes between runs and
// controllers inside them: every sample equal to the VST 2 module's for the same calls.
TEST(Lv2Plugin, SoundsAsTheVst2ModuleForTheSameInputSettingsAndControllers) {
  const double rate = 44100.0;
  const Signal in = TestSignal(40000, rate);
  const int sizes[] = {0, 1, 17, 4096, 300, 0, 64, 1, 999, 4096, 5, 2048, 333};
  struct Change {
    int run;
    const char* symbol;
    int param;
    float value;
  };
  const Change changes[] = {{3, "cutoff", KorvaneFilter::kCutoff, 900.0f},
                            {5, "shape", KorvaneFilter::kShape, 2.0f},
                            {7, "resonance", KorvaneFilter::kResonance, 0.9f},
                            {9, "brickwall", KorvaneFilter::kBrickwall, 0.0f},
                            {10, "cutoff", KorvaneFilter::kCutoff, 12000.0f},
                            {11, "shape", KorvaneFilter::kShape, 1.0f}};

  auto lv2 = Started(rate);
  ASSERT_TRUE(lv2->Ok());
  lv2->Set("cutoff", 2000.0f);
  lv2->Set("resonance", 0.6f);
  VstReference vst(rate, 4096,
                   {{KorvaneFilter::kCutoff, 2000.0}, {KorvaneFilter::kResonance, 0.6}});
  ASSERT_NE(vst.host.Effect(), nullptr) << vst.host.Error();

  size_t at = 0;
  int compared = 0;
  for (int r = 0; r < static_cast<int>(std::size(sizes)); ++r) {
    const int n = sizes[r];
    if (r == 8) {  // deactivate and activate again: the glide a controller began ends there
      lv2->Deactivate();
      lv2->Activate();
      vst.Restart();
    }
    for (const Change& c : changes) {
      if (c.run != r) continue;
      lv2->Set(c.symbol, c.value);
      vst.host.SetParameter(c.param, Normalized(c.param, c.value));
    }
    std::vector<Midi> midi;
    std::vector<TestHost::Midi> vstMidi;
    if (n > 20 && r % 2 == 0) {  // controllers at frames inside the run
      midi = {{3, {0xB0, 74, 30}},
              {3, {0xB0, 71, 100}},
              {n / 2, {0xB0, 111, 64}},
              {n - 1, {0xB0, 74, 90}}};
      for (const Midi& m : midi)
        vstMidi.push_back({static_cast<int>(m.frame), m.bytes[0], m.bytes[1], m.bytes[2]});
    }
    const Signal block = Slice(in, at, static_cast<size_t>(n));
    lv2->Run(static_cast<uint32_t>(n), block, midi);
    vst.Run(block, n, vstMidi);
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(lv2->Out(c)[static_cast<size_t>(i)], vst.out[c][static_cast<size_t>(i)])
            << "run " << r << " of " << n << " frames, channel " << c << ", frame " << i;
        ++compared;
      }
    }
    at += static_cast<size_t>(n);
  }
  EXPECT_EQ(compared, 2 * static_cast<int>(at));
}

TEST(Lv2Plugin, AControllerAtFrameFiveChangesTheSamplesFromSixOnAndLeavesTheFirstSixAlone) {
  const Signal in = TestSignal(64 * 3, 48000.0);
  for (int shape : {0, 1, 2}) {
    auto plain = Started(), split = Started();
    ASSERT_TRUE(plain->Ok() && split->Ok());
    for (auto* h : {plain.get(), split.get()}) {
      h->Set("shape", static_cast<float>(shape));
      h->Set("cutoff", 3000.0f);
      h->Run(64, Slice(in, 0, 64));
    }
    plain->Run(64, Slice(in, 64, 64));
    split->Run(64, Slice(in, 64, 64), {{5, {0xB0, 74, 10}}});
    for (int c = 0; c < 2; ++c) {
      for (size_t i = 0; i <= 5; ++i) {
        EXPECT_EQ(split->Out(c)[i], plain->Out(c)[i]) << "shape " << shape << ", frame " << i;
      }
      int differing = 0;
      for (size_t i = 6; i < 64; ++i) differing += split->Out(c)[i] != plain->Out(c)[i];
      EXPECT_GT(split->Out(c)[6] == plain->Out(c)[6] ? 0 : 1, 0)
          << "shape " << shape << ", channel " << c << ": frame 6 is the first one changed";
      EXPECT_GE(differing, 50) << "shape " << shape << ", channel " << c;
    }
    // The control inputs stay as the host set them; the filter reports the controller.
    EXPECT_EQ(split->Get("cutoff"), 3000.0f);
    EXPECT_LT(split->Get("cutoff_now"), plain->Get("cutoff_now"));
  }
}

TEST(Lv2Plugin, PassesEveryMidiEventThroughUnchangedAtItsFrame) {
  auto h = Started();
  ASSERT_TRUE(h->Ok());
  const std::vector<Midi> midi = {
      {0, {0x90, 60, 100}},                        // note on
      {0, {0xB0, 74, 64}},                         // the cutoff controller, also passed on
      {3, {0xC5, 7}},                              // program change: two bytes
      {3, {0xF8}},                                 // clock: one byte
      {10, {0xE1, 0x00, 0x40}},                    // pitch bend
      {10, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},  // system exclusive
      {31, {0xB3, 111, 127}},                      // shape controller on channel 4
      {31, {0x80, 60, 0}},                         // note off
      {63, {0xD2, 33}},                            // channel pressure
  };
  h->Run(64, {}, midi);
  EXPECT_EQ(h->MidiOut(), midi);

  // Runs without events send none; more events than one batch all come through in order.
  h->Run(32);
  EXPECT_TRUE(h->MidiOut().empty());
  std::vector<Midi> many;
  for (int i = 0; i < 1500; ++i) {
    many.push_back({i / 2, {0xB0, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(i % 100)}});
  }
  h->midiOutCapacity = 8 + 1500 * 24;  // the sequence's header, then 24 bytes per event
  h->Run(1000, {}, many);
  EXPECT_EQ(h->MidiOut(), many);

  // A full output buffer keeps what fits, in order, and never writes past it.
  h->midiOutCapacity = 8 + 10 * 24;
  h->Run(1000, {}, many);
  ASSERT_EQ(h->MidiOut().size(), 10u);
  EXPECT_EQ(h->MidiOut(), std::vector<Midi>(many.begin(), many.begin() + 10));
}

TEST(Lv2Plugin, ControlOutputsFollowTheLimiterAndTheOutputEnvelope) {
  const double rate = 48000.0;
  auto h = Started(rate);
  ASSERT_TRUE(h->Ok());
  h->Set("shape", 2.0f);  // band pass narrow: a make-up gain of 8 drives the limiter
  h->Set("cutoff", 440.0f);
  const Signal loud = TestSignal(4800, rate, 0.9f);
  for (int i = 0; i < 10; ++i) h->Run(480, Slice(loud, 0, 480));
  EXPECT_GT(h->Get("limiter"), 0.0f) << "a loud band pass works the limiter";
  const float loudLevel = h->Get("level");
  EXPECT_GT(loudLevel, 0.05f);

  // Silence: the indicator falls by 1 a second and the envelope releases.
  const Signal quiet(2, std::vector<float>(4800, 0.0f));
  float lastLimiter = h->Get("limiter");
  for (int i = 0; i < 120; ++i) {
    h->Run(480, quiet);
    EXPECT_LE(h->Get("limiter"), lastLimiter) << "run " << i;
    lastLimiter = h->Get("limiter");
  }
  EXPECT_EQ(h->Get("limiter"), 0.0f) << "1.2 s of silence";
  EXPECT_LT(h->Get("level"), loudLevel * 0.1f);

  // Without the brickwall limit the indicator stays at 0.
  h->Set("brickwall", 0.0f);
  for (int i = 0; i < 10; ++i) h->Run(480, Slice(loud, 0, 480));
  EXPECT_EQ(h->Get("limiter"), 0.0f);
  EXPECT_GT(h->Get("level"), 0.05f);

  // The shape and resonance controllers show on their outputs, not on the inputs.
  h->Run(64, {}, {{0, {0xB0, 111, 0}}, {0, {0xB0, 71, 127}}});
  EXPECT_EQ(h->Get("shape_now"), 0.0f);
  EXPECT_EQ(h->Get("shape"), 2.0f);
  EXPECT_GT(h->Get("resonance_now"), 0.35f);
  EXPECT_EQ(h->Get("resonance"), 0.35f);
}

TEST(Lv2Plugin, AChangedControlPortTakesEffectFromTheNextRun) {
  const Signal in = TestSignal(2048, 48000.0);
  auto kept = Started(), changed = Started();
  ASSERT_TRUE(kept->Ok() && changed->Ok());
  for (auto* h : {kept.get(), changed.get()}) {
    h->Set("cutoff", 2000.0f);
    h->Run(256, Slice(in, 0, 256));
  }
  changed->Set("cutoff", 300.0f);
  kept->Run(256, Slice(in, 256, 256));
  changed->Run(256, Slice(in, 256, 256));
  EXPECT_NE(changed->Out(0)[0], kept->Out(0)[0]) << "the glide starts with the run's first frame";
  EXPECT_LT(changed->Get("cutoff_now"), 2000.0f);
  EXPECT_GT(changed->Get("cutoff_now"), 300.0f) << "and glides, as a setParameter does";
  EXPECT_FLOAT_EQ(kept->Get("cutoff_now"), 2000.0f);

  // At the start the control inputs are where the filter starts: no glide from the default.
  auto fresh = std::make_unique<Lv2TestHost>(48000.0, 4096);
  fresh->Set("cutoff", 300.0f);
  fresh->Activate();
  fresh->Run(16, Slice(in, 0, 16));
  EXPECT_FLOAT_EQ(fresh->Get("cutoff_now"), 300.0f);
}

TEST(Lv2Plugin, StaysFiniteAtEveryRateAndRunSize) {
  for (double rate : {22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0}) {
    const Signal in = TestSignal(8192, rate, 1.0f);
    for (int shape : {0, 1, 2}) {
      auto h = Started(rate);
      ASSERT_TRUE(h->Ok()) << rate;
      h->Set("shape", static_cast<float>(shape));
      h->Set("resonance", 1.0f);
      h->Set("brickwall", 0.0f);
      size_t at = 0;
      for (int n : {0, 1, 17, 4096, 2, 1000}) {
        std::vector<Midi> sweep;
        if (n > 100)
          sweep = {{0, {0xB0, 74, 127}}, {n / 2, {0xB0, 74, 0}}, {n - 1, {0xB0, 74, 64}}};
        h->Run(static_cast<uint32_t>(n), Slice(in, at, static_cast<size_t>(n)), sweep);
        for (int c = 0; c < 2; ++c) {
          for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(std::isfinite(h->Out(c)[static_cast<size_t>(i)]))
                << rate << " Hz, shape " << shape << ", run of " << n << ", frame " << i;
          }
        }
        at += static_cast<size_t>(n);
      }
      EXPECT_TRUE(std::isfinite(h->Get("level")));
    }
  }
}

TEST(Lv2Plugin, AMonoHostConnectsOneInputAndOneOutputAsAVst2MonoHostDoes) {
  const double rate = 44100.0;
  const Signal in = TestSignal(1024, rate);
  auto lv2 = std::make_unique<Lv2TestHost>(rate, 4096);
  lv2->Disconnect("in_r");
  lv2->Disconnect("out_r");
  lv2->Activate();
  VstReference vst(rate, 4096, {});
  VstSpeakerArrangement mono{};
  mono.type = kSpeakerArrMono;
  mono.numChannels = 1;
  vst.host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono);
  for (size_t at = 0; at < in[0].size(); at += 256) {
    const Signal block = Slice(in, at, 256);
    lv2->Run(256, block);
    vst.Run(block, 256);
    for (size_t i = 0; i < 256; ++i) ASSERT_EQ(lv2->Out(0)[i], vst.out[0][i]) << at + i;
  }
  EXPECT_NE(lv2->Out(0)[100], 0.0f);
}

TEST(Lv2Plugin, DeactivateAndActivateStartTheFiltersAgainFromSilence) {
  const Signal in = TestSignal(1024, 48000.0);
  auto used = Started(), fresh = Started();
  ASSERT_TRUE(used->Ok() && fresh->Ok());
  for (auto* h : {used.get(), fresh.get()}) {
    h->Set("resonance", 0.9f);
    h->Set("shape", 1.0f);
  }
  used->Run(512, Slice(in, 0, 512));
  used->Deactivate();
  used->Activate();
  used->Run(512, Slice(in, 512, 512));
  fresh->Run(512, Slice(in, 512, 512));
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i < 512; ++i) ASSERT_EQ(used->Out(c)[i], fresh->Out(c)[i]) << i;
}

TEST(Lv2Plugin, AHostWithoutFeaturesGetsTheSoundWithoutMidi) {
  Lv2TestHost bare(48000.0, 4096, false);
  ASSERT_TRUE(bare.Ok()) << "a URID map is optional: file renderers pass no features";
  auto full = Started();
  bare.Activate();
  const Signal in = TestSignal(512, 48000.0);
  bare.Run(512, in, {{0, {0x90, 60, 1}}});
  full->Run(512, in);
  EXPECT_TRUE(bare.MidiOut().empty());
  for (size_t i = 0; i < 512; ++i) ASSERT_EQ(bare.Out(0)[i], full->Out(0)[i]) << i;
}

TEST(Lv2Plugin, ProcessesInPlaceAsWithBuffersOfItsOwn) {
  const Signal in = TestSignal(4096, 48000.0);
  auto apart = Started(), shared = std::make_unique<Lv2TestHost>(48000.0, 4096);
  shared->inPlace = true;
  shared->Activate();
  for (auto* h : {apart.get(), shared.get()}) {
    h->Set("shape", 1.0f);
    h->Set("cutoff", 1200.0f);
  }
  for (size_t at = 0; at < 4096; at += 512) {
    const std::vector<Midi> cc = {{100, {0xB0, 74, static_cast<uint8_t>(at / 64)}}};
    apart->Run(512, Slice(in, at, 512), cc);
    shared->Run(512, Slice(in, at, 512), cc);
    for (int c = 0; c < 2; ++c)
      for (size_t i = 0; i < 512; ++i) ASSERT_EQ(shared->Out(c)[i], apart->Out(c)[i]) << at + i;
  }
}
