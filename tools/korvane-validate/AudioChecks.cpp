// Audio: every announced callback at common and odd rates and block sizes, silence, the
// accumulating callback, automation inside blocks, speaker arrangements, reset paths and
// hostile parameter values.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "tools/korvane-validate/Catalogue.h"

namespace {

using Callback = PluginUnderTest::Callback;

constexpr float kNoisePeak = 0.5f;
constexpr double kSilenceSeconds = 5.0;  // silence after noise, longer for a longer tail
constexpr double kMaxTailSeconds = 30.0;
constexpr float kSilentPeak = 1e-3f;  // -60 dBFS

// Blocks making up about this many seconds, at least minimum.
int BlocksFor(double seconds, double rate, int frames, int minimum) {
  return std::max(minimum, static_cast<int>(seconds * rate / frames));
}

void Audio(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const auto callbacks = plugin->AnnouncedCallbacks();
  if (callbacks.empty()) throw CheckSkipped("the flags announce no replacing callback");
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    for (int frames : {64, 512, 1024}) {
      plugin->Start(rate, frames);
      AudioBuffers buffers = plugin->Buffers(frames);
      for (Callback callback : callbacks) {
        context.report.Step(std::string(PluginUnderTest::Name(callback)) + " " + plugin->Where());
        RunBlocks(context, *plugin, callback, buffers, BlocksFor(0.25, rate, frames, 8),
                  kNoisePeak);
      }
    }
  }
}

void Silence(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const auto callbacks = plugin->AnnouncedCallbacks();
  if (callbacks.empty()) throw CheckSkipped("the flags announce no replacing callback");
  if (plugin->Dispatch(effGetPlugCategory) == kPlugCategGenerator)
    throw CheckSkipped("a generator's output does not follow its input");
  const double rate = 44100.0;
  const int frames = 512;
  const VstIntPtr tail = plugin->Dispatch(effGetTailSize);
  const double seconds =
      std::min(kMaxTailSeconds, std::max(kSilenceSeconds, static_cast<double>(tail) / rate + 1));
  for (Callback callback : callbacks) {
    plugin->Start(rate, frames);
    AudioBuffers buffers = plugin->Buffers(frames);
    context.report.Step(std::string("silence from the start through ") +
                        PluginUnderTest::Name(callback));
    RunBlocks(context, *plugin, callback, buffers, 20, 0.0f);
    if (callback == Callback::Replacing) {
      const float peak = buffers.OutputPeak(frames);
      Expect(peak <= kSilentPeak,
             "expected silence out for silence in from the start, got a "
             "peak of " +
                 NumberText(peak) + " after 20 blocks");
    }
    context.report.Step(std::string("noise, then silence through ") +
                        PluginUnderTest::Name(callback));
    RunBlocks(context, *plugin, callback, buffers, 40, kNoisePeak);
    RunBlocks(context, *plugin, callback, buffers, BlocksFor(seconds, rate, frames, 1), 0.0f);
    if (callback == Callback::Replacing) {
      const float peak = buffers.OutputPeak(frames);
      Expect(peak <= kSilentPeak, "expected the output to decay below -60 dBFS within " +
                                      NumberText(seconds) + " s of silence, its peak is " +
                                      NumberText(peak));
    }
  }
}

// process adds its output to what the buffer held: prefill + processReplacing's output of
// a second instance in the same state fed the same input.
void Accumulate(CheckContext& context) {
  auto replacing = context.OpenPlugin();
  if (!replacing->Effect()->process) throw CheckSkipped("the record has no process callback");
  if (!replacing->HasFlag(effFlagsCanReplacing))
    throw CheckSkipped("no processReplacing to compare process with");
  auto accumulating = context.OpenPlugin(replacing->Module());
  const int frames = 512;
  replacing->Start(44100.0, frames);
  accumulating->Start(44100.0, frames);
  AudioBuffers a = replacing->Buffers(frames);
  AudioBuffers b = accumulating->Buffers(frames);
  const float prefill = 0.25f;
  for (int block = 0; block < 32; ++block) {
    context.report.Step("block " + std::to_string(block) +
                        " through process and "
                        "processReplacing");
    Random noise(static_cast<uint32_t>(context.random.Bits()));
    Random same = noise;
    a.FillInputs(noise, kNoisePeak);
    b.FillInputs(same, kNoisePeak);
    a.FillOutputs(0.0f);
    b.FillOutputs(prefill);
    replacing->Process(Callback::Replacing, a, frames);
    accumulating->Process(Callback::Accumulating, b, frames);
    for (int c = 0; c < a.Outputs(); ++c) {
      for (int i = 0; i < frames; ++i) {
        const float want = prefill + a.Out()[c][i];
        const float got = b.Out()[c][i];
        Expect(std::fabs(got - want) <= 1e-4f + 1e-4f * std::fabs(want),
               "expected process to add its output to the buffer (" + NumberText(prefill) + " + " +
                   NumberText(a.Out()[c][i]) + " at channel " + std::to_string(c) + ", frame " +
                   std::to_string(i) + " of block " + std::to_string(block) + "), got " +
                   NumberText(got));
      }
    }
  }
}

void Automation(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const auto callbacks = plugin->AnnouncedCallbacks();
  if (callbacks.empty()) throw CheckSkipped("the flags announce no replacing callback");
  if (plugin->Params() == 0) throw CheckSkipped("the module has no parameters");
  const int step = 32;
  plugin->Start(44100.0, 512);
  AudioBuffers buffers = plugin->Buffers(step);
  for (Callback callback : callbacks) {
    context.report.Step(std::string("a parameter change every 32 samples through ") +
                        PluginUnderTest::Name(callback));
    for (int i = 0; i < 44100 / step; ++i) {
      const int index =
          static_cast<int>(context.random.Index(static_cast<uint32_t>(plugin->Params())));
      plugin->SetParameter(index, static_cast<float>(context.random.Unit()));
      buffers.FillInputs(context.random, kNoisePeak);
      plugin->Process(callback, buffers, step);
    }
  }
  plugin->ExpectParametersInRange("after automation");
}

VstSpeakerArrangement Arrangement(int channels) {
  VstSpeakerArrangement arrangement{};
  arrangement.type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
  arrangement.numChannels = channels;
  for (int c = 0; c < channels; ++c) {
    arrangement.speakers[c].type = channels == 1 ? 0 : c + 1;  // M, or L and R
    std::snprintf(arrangement.speakers[c].name, sizeof arrangement.speakers[c].name, "%s",
                  channels == 1 ? "M" : (c == 0 ? "L" : "R"));
  }
  return arrangement;
}

void SpeakerArrangements(CheckContext& context) {
  int accepted = 0;
  for (int channels : {1, 2}) {
    auto plugin = context.OpenPlugin();
    const char* name = channels == 1 ? "mono" : "stereo";
    context.report.Step(std::string("effSetSpeakerArrangement ") + name);
    VstSpeakerArrangement in = Arrangement(channels);
    VstSpeakerArrangement out = Arrangement(channels);
    if (plugin->Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out) == 0)
      continue;
    ++accepted;
    const AEffect* e = plugin->Effect();
    Expect(e->numInputs >= 0 && e->numOutputs >= 0 && e->numInputs <= 1024 && e->numOutputs <= 1024,
           std::string("expected sane channel counts after accepting ") + name + ", got " +
               std::to_string(e->numInputs) + " in, " + std::to_string(e->numOutputs) + " out");
    plugin->Start(44100.0, 512);
    AudioBuffers buffers = plugin->Buffers(512);
    for (Callback callback : plugin->AnnouncedCallbacks()) {
      context.report.Step(std::string(PluginUnderTest::Name(callback)) + " in " + name);
      RunBlocks(context, *plugin, callback, buffers, 20, kNoisePeak);
    }
  }
  if (accepted == 0) throw CheckSkipped("the module accepts neither mono nor stereo arrangements");
}

void OddRates(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const auto callbacks = plugin->AnnouncedCallbacks();
  if (callbacks.empty()) throw CheckSkipped("the flags announce no replacing callback");
  for (double rate : {1234.5678, 22050.0, 192000.0, 384000.0}) {
    for (int frames : {1, 17, 4096}) {
      plugin->Start(rate, frames);
      AudioBuffers buffers = plugin->Buffers(frames);
      for (Callback callback : callbacks) {
        context.report.Step(std::string(PluginUnderTest::Name(callback)) + " " + plugin->Where());
        RunBlocks(context, *plugin, callback, buffers,
                  std::min(2000, BlocksFor(0.05, rate, frames, 4)), kNoisePeak);
      }
    }
    // A block longer than the one announced: hosts do this at the end of a loop or a render.
    plugin->Start(rate, 512);
    AudioBuffers longer = plugin->Buffers(2048);
    for (Callback callback : callbacks) {
      context.report.Step(std::string(PluginUnderTest::Name(callback)) +
                          " with 2048 frames after announcing 512 at " + NumberText(rate) + " Hz");
      RunBlocks(context, *plugin, callback, longer, 4, kNoisePeak);
    }
  }
}

void ResetPaths(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const auto callbacks = plugin->AnnouncedCallbacks();
  if (callbacks.empty()) throw CheckSkipped("the flags announce no replacing callback");
  plugin->Start(44100.0, 512);
  AudioBuffers buffers = plugin->Buffers(512);
  for (Callback callback : callbacks) {
    RunBlocks(context, *plugin, callback, buffers, 20, kNoisePeak);
    context.report.Step("effMainsChanged off and on again");
    plugin->Dispatch(effMainsChanged, 0, 0);
    plugin->Dispatch(effMainsChanged, 0, 1);
    RunBlocks(context, *plugin, callback, buffers, 20, kNoisePeak);
    for (double rate : {96000.0, 22050.0, 44100.0}) {
      context.report.Step("effSetSampleRate(" + NumberText(rate) + ") while running");
      plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
      RunBlocks(context, *plugin, callback, buffers, 20, kNoisePeak);
    }
    context.report.Step("effSetBlockSize(256) while running");
    plugin->Dispatch(effSetBlockSize, 0, 256);
    AudioBuffers shorter = plugin->Buffers(256);
    RunBlocks(context, *plugin, callback, shorter, 20, kNoisePeak);
    plugin->Dispatch(effSetBlockSize, 0, 512);
  }
}

void FuzzedParameters(CheckContext& context) {
  auto plugin = context.OpenPlugin();
  const float hostile[] = {std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(), -1.0f, 2.0f};
  plugin->Start(44100.0, 512);
  AudioBuffers buffers = plugin->Buffers(512);
  const auto callbacks = plugin->AnnouncedCallbacks();
  for (float value : hostile) {
    for (int i = 0; i < plugin->Params(); ++i) {
      context.report.Step("setParameter(" + std::to_string(i) + ", " + NumberText(value) + ")");
      plugin->SetParameter(i, value);
      const float read = plugin->GetParameter(i);
      Expect(read >= 0.0f && read <= 1.0f,
             "expected getParameter within 0..1 after "
             "setParameter " +
                 NumberText(value) + ", " + ParameterName(*plugin, i) + " read " +
                 NumberText(read));
      plugin->Text(effGetParamDisplay, i, "parameter " + std::to_string(i) + "'s display");
    }
    for (Callback callback : callbacks) {
      context.report.Step(std::string(PluginUnderTest::Name(callback)) +
                          " with every parameter set to " + NumberText(value));
      RunBlocks(context, *plugin, callback, buffers, 10, kNoisePeak);
    }
  }
}

}  // namespace

void AddAudioTests(std::vector<ValidationTest>& tests) {
  tests.push_back({"audio", 3,
                   "announced callbacks at 44.1/48/96 kHz, blocks 64/512/1024, noise "
                   "in: finite, normal output",
                   Audio});
  tests.push_back({"silence", 3, "silence in gives silence out, a tail decays", Silence});
  tests.push_back(
      {"accumulate", 3, "process adds to the buffer what processReplacing writes", Accumulate});
  tests.push_back({"automation", 3, "a random parameter change every 32 samples", Automation});
  tests.push_back({"speaker-arrangements", 4, "mono and stereo arrangements where accepted",
                   SpeakerArrangements});
  tests.push_back({"odd-rates", 6,
                   "rates 1234.5678 to 384000 Hz, blocks 1, 17, 4096 and longer "
                   "than announced",
                   OddRates});
  tests.push_back({"reset-paths", 6,
                   "effMainsChanged off/on, rate and block size changes while "
                   "running",
                   ResetPaths});
  tests.push_back({"fuzzed-parameters", 6,
                   "NaN, infinities, -1 and 2 leave parameters in 0..1 "
                   "and audio finite",
                   FuzzedParameters});
}
