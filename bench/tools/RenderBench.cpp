// A minute of stereo at 44.1 kHz rendered through the filter module the way korvane-render
// renders it: loaded through its entry point, blocks of 512, MIDI through effProcessEvents.
// The counter realtime_factor is seconds of audio per second of processing. Beside it, the
// tool's own block loop with no plug-in: what the host costs by itself.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "tools/korvane-render/AudioSource.h"
#include "tools/korvane-render/LevelStats.h"
#include "tools/korvane-render/MemorySource.h"
#include "tools/korvane-render/MidiSchedule.h"
#include "tools/korvane-render/Renderer.h"
#include "tools/korvane-render/VstHost.h"

namespace {

constexpr double kRate = 44100.0;
constexpr double kSeconds = 60.0;
constexpr int kBlock = 512;

class NullSink : public AudioSink {
 public:
  void Write(const double* interleaved, int64_t frames) override {
    benchmark::DoNotOptimize(interleaved);
    benchmark::DoNotOptimize(frames);
  }
};

// A detuned sawtooth pair, interleaved stereo.
const std::vector<double>& Minute() {
  static const std::vector<double> samples = [] {
    const size_t frames = static_cast<size_t>(kSeconds * kRate);
    std::vector<double> s(frames * 2);
    double left = 0.0, right = 0.5;
    for (size_t i = 0; i < frames; ++i) {
      left += 110.0 / kRate;
      right += 110.4 / kRate;
      left -= std::floor(left);
      right -= std::floor(right);
      s[2 * i] = 0.4 * (2.0 * left - 1.0);
      s[2 * i + 1] = 0.4 * (2.0 * right - 1.0);
    }
    return s;
  }();
  return samples;
}

void RenderMinute(benchmark::State& state, bool useDouble, bool withControllers) {
  VstHost host;
  host.Load(KORVANE_MODULE_PATH);
  host.Start(kRate, kBlock, 2, useDouble);
  MidiSchedule midi;
  if (withControllers) {
    // A cutoff change every 100 ms and a resonance change every second: the glides keep moving.
    for (int i = 0; i < static_cast<int>(kSeconds * 10); ++i) {
      midi.AddControlChange(i * 0.1, 74, (i * 37) % 128);
      if (i % 10 == 0) midi.AddControlChange(i * 0.1, 71, (i * 13) % 120);
    }
  }
  Renderer renderer(host, midi, kBlock, useDouble);
  NullSink sink;
  for (auto _ : state) {
    MemorySource source(Minute(), 2, kRate);
    benchmark::DoNotOptimize(renderer.Run(source, sink, 0));
  }
  state.counters["realtime_factor"] =
      benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RenderMinuteFloat(benchmark::State& state) {
  RenderMinute(state, false, false);
}
void BM_RenderMinuteDouble(benchmark::State& state) {
  RenderMinute(state, true, false);
}
void BM_RenderMinuteFloatWithControllers(benchmark::State& state) {
  RenderMinute(state, false, true);
}

// The same block loop without a plug-in: read, split into channels, join, measure, write.
void BM_HostLoopWithoutPlugin(benchmark::State& state) {
  NullSink sink;
  std::vector<double> interleaved(kBlock * 2), out(kBlock * 2);
  std::vector<float> planes[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
  for (auto _ : state) {
    MemorySource source(Minute(), 2, kRate);
    LevelStats in, levels;
    for (int64_t n; (n = source.Read(interleaved.data(), kBlock)) > 0;) {
      for (int c = 0; c < 2; ++c) {
        for (int64_t i = 0; i < n; ++i) planes[c][i] = static_cast<float>(interleaved[2 * i + c]);
      }
      benchmark::ClobberMemory();
      for (int c = 0; c < 2; ++c) {
        for (int64_t i = 0; i < n; ++i) out[2 * i + c] = planes[c][i];
      }
      in.Add(interleaved.data(), n * 2);
      levels.Add(out.data(), n * 2);
      sink.Write(out.data(), n);
    }
    benchmark::DoNotOptimize(levels.Peak());
  }
  state.counters["realtime_factor"] =
      benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_HostLoopWithoutPlugin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderMinuteFloat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderMinuteDouble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderMinuteFloatWithControllers)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
