// Cost per sample of the ladder beside the bound set by its recurrence: four rational tanh
// steps in series per sample, which no implementation of the ladder can overlap.
#include <benchmark/benchmark.h>

#include <vector>

#include "product/dsp/HighPassBiquad.h"
#include "product/dsp/LadderFilter.h"

namespace {

constexpr int kBlock = 512;

std::vector<double> Noise() {
  std::vector<double> x(kBlock);
  unsigned state = 1;
  for (double& v : x) {
    state = state * 1664525u + 1013904223u;
    v = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
  }
  return x;
}

void SetSecondsPerSample(benchmark::State& state, int channels) {
  state.counters["per_sample"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["channels"] = channels;
}

LadderFilter MakeLadder() {
  LadderFilter f;
  f.SetSampleRate(44100.0);
  f.SetCutoff(1000.0);
  f.SetResonance(0.35);
  return f;
}

// One step of the chain: a rational tanh and the gain that brings it back to signal scale.
inline double Step(double v) {
  return 40000.0 * LadderFilter::TanhApprox(v);
}

void BM_ChainBaselineMono(benchmark::State& state) {
  const std::vector<double> x = Noise();
  double v = 0.0;
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) v = Step(Step(Step(Step(x[i] - 0.5 * v))));
    benchmark::DoNotOptimize(v);
  }
  SetSecondsPerSample(state, 1);
}

void BM_ChainBaselineStereo(benchmark::State& state) {
  const std::vector<double> x = Noise();
  double l = 0.0;
  double r = 0.0;
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) {
      l = Step(Step(Step(Step(x[i] - 0.5 * l))));
      r = Step(Step(Step(Step(x[kBlock - 1 - i] - 0.5 * r))));
    }
    benchmark::DoNotOptimize(l);
    benchmark::DoNotOptimize(r);
  }
  SetSecondsPerSample(state, 2);
}

void BM_LadderMono(benchmark::State& state) {
  const std::vector<double> x = Noise();
  LadderFilter f = MakeLadder();
  double y = 0.0;
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) y = f.Process(x[i]);
    benchmark::DoNotOptimize(y);
  }
  SetSecondsPerSample(state, 1);
}

void BM_LadderStereo(benchmark::State& state) {
  const std::vector<double> x = Noise();
  LadderFilter left = MakeLadder();
  LadderFilter right = MakeLadder();
  std::vector<double> outLeft(kBlock);
  std::vector<double> outRight(kBlock);
  for (auto _ : state) {
    // A local copy per block: nothing else can point at it, so the state stays in registers
    // across the output stores instead of making a round trip through memory every sample.
    LadderFilter l = left;
    LadderFilter r = right;
    double* const oL = outLeft.data();
    double* const oR = outRight.data();
    for (int i = 0; i < kBlock; ++i) {
      oL[i] = l.Process(x[i]);
      oR[i] = r.Process(x[kBlock - 1 - i]);
    }
    left = l;
    right = r;
    benchmark::DoNotOptimize(oL);
    benchmark::DoNotOptimize(oR);
    benchmark::ClobberMemory();
  }
  SetSecondsPerSample(state, 2);
}

// The worst case of a cutoff glide: one exp per sample for the new coefficients.
void BM_LadderGlidingMono(benchmark::State& state) {
  const std::vector<double> x = Noise();
  LadderFilter f;
  f.SetSampleRate(44100.0);
  f.SetResonance(0.35);
  double cutoff = 1000.0;
  double y = 0.0;
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) {
      cutoff = cutoff < 18000.0 ? cutoff * 1.0005 : 10.0;
      f.SetCutoff(cutoff);
      y = f.Process(x[i]);
    }
    benchmark::DoNotOptimize(y);
  }
  SetSecondsPerSample(state, 1);
}

void BM_HighPassMono(benchmark::State& state) {
  const std::vector<double> x = Noise();
  HighPassBiquad f;
  f.SetSampleRate(44100.0);
  f.SetFrequency(250.0);
  double y = 0.0;
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) y = f.Process(x[i]);
    benchmark::DoNotOptimize(y);
  }
  SetSecondsPerSample(state, 1);
}

}  // namespace

BENCHMARK(BM_ChainBaselineMono);
BENCHMARK(BM_LadderMono);
BENCHMARK(BM_LadderGlidingMono);
BENCHMARK(BM_ChainBaselineStereo);
BENCHMARK(BM_LadderStereo);
BENCHMARK(BM_HighPassMono);

BENCHMARK_MAIN();
