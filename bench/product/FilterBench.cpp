// Cost per stereo sample frame of the filter through processDoubleReplacing, against the bound
// set by the ladder's own recurrence: per sample and channel four rational tanh steps in series
// with the stage integrations between them, two channels interleaved so that they overlap as
// the plug-in's two ladders do. A bare chain of four tanh steps is measured beside it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/QuietHost.h"
#include "product/KorvaneFilter.h"
#include "vst/VSTEntry.h"

namespace {

QuietHost gHost;  // outlives every instance

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

inline double Tanh(double v) {
  const double t = v * 0.00005;
  const double p = t * (t * (t + 3.0) + 6.0);
  return p / (p + 12.0);
}

// The ladder's recurrence alone, with fixed coefficients: nothing but the dependency chain from
// one sample's output to the next (the feedback tap, four saturated integrator stages and the
// half-sample average).
struct Recurrence {
  double d[5] = {}, t[3] = {}, y = 0.0;
  double Step(double x, double g, double k) {
    const double t3 = Tanh(d[3]);
    d[0] += g * (Tanh(x - k * y) - t[0]);
    t[0] = Tanh(d[0]);
    d[1] += g * (t[0] - t[1]);
    t[1] = Tanh(d[1]);
    d[2] += g * (t[1] - t[2]);
    t[2] = Tanh(d[2]);
    d[3] += g * (t[2] - t3);
    y = (d[3] + d[4]) * 0.5;
    d[4] = d[3];
    return y;
  }
};

void BM_LadderRecurrence(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> in(static_cast<size_t>(n), 0.1), outL(in.size()), outR(in.size());
  Recurrence l, r;
  const double g = 3000.0, k = 1.4;  // about 600 Hz at 44.1 kHz, resonance 0.35
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      outL[static_cast<size_t>(i)] = l.Step(in[static_cast<size_t>(i)], g, k);
      outR[static_cast<size_t>(i)] = r.Step(-in[static_cast<size_t>(i)], g, k);
    }
    benchmark::ClobberMemory();
  }
  state.counters["ns/frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Baseline(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<double> in(static_cast<size_t>(n), 0.1), outL(in.size()), outR(in.size());
  double l = 0.0, r = 0.0;
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      l = Tanh(Tanh(Tanh(Tanh(l + in[static_cast<size_t>(i)]) * 20000.0) * 20000.0) * 20000.0);
      r = Tanh(Tanh(Tanh(Tanh(r - in[static_cast<size_t>(i)]) * 20000.0) * 20000.0) * 20000.0);
      outL[static_cast<size_t>(i)] = l;
      outR[static_cast<size_t>(i)] = r;
    }
    benchmark::ClobberMemory();
  }
  state.counters["ns/frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Args: block size, shape, gliding (cutoff moving every sample).
void BM_Filter(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int shape = static_cast<int>(state.range(1));
  const bool gliding = state.range(2) != 0;
  AEffect* e = VstInstance::Create(KorvaneMain, &gHost);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effSetBlockSize, 0, n, nullptr, 0.0f);
  e->setParameter(e, KorvaneFilter::kShape, shape / 2.0f);
  e->setParameter(e, KorvaneFilter::kCutoff, 0.4f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  std::vector<double> l(static_cast<size_t>(n)), r(l.size()), ol(l.size()), orr(l.size());
  for (size_t i = 0; i < l.size(); ++i) {
    l[i] = 0.3 * std::sin(0.05 * static_cast<double>(i));
    r[i] = 0.3 * std::cos(0.031 * static_cast<double>(i));
  }
  double* in[] = {l.data(), r.data()};
  double* out[] = {ol.data(), orr.data()};
  const KorvaneFilter* plug = static_cast<const KorvaneFilter*>(e->object);
  bool up = true;
  for (auto _ : state) {
    // Sweeps between 208 and 12000 Hz, thousands of samples each way: the cutoff moves (and
    // every coefficient is recomputed) on every sample.
    if (gliding && (plug->GetCutoffGlide() < 208.5 || plug->GetCutoffGlide() > 11999.0 || up)) {
      const double target = plug->GetCutoffGlide() < 1000.0 ? 12000.0 : 208.0;
      e->setParameter(e, KorvaneFilter::kCutoff,
                      static_cast<float>(std::pow(
                          (target - KorvaneFilter::kMinCutoff) / KorvaneFilter::kCutoffSpan,
                          1.0 / KorvaneFilter::kCutoffShape)));
      up = false;
    }
    e->processDoubleReplacing(e, in, out, n);
    benchmark::ClobberMemory();
  }
  state.counters["ns/frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// The machine's two vCPUs may share a core with other work, which slows throughput-bound code
// far more than a latency-bound chain: with --benchmark_repetitions, the minimum is the
// figure to compare.
double Minimum(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

BENCHMARK(BM_LadderRecurrence)
    ->Name("baseline/ladder-recurrence-stereo")
    ->Arg(64)
    ->Arg(512)
    ->ComputeStatistics("min", Minimum);
BENCHMARK(BM_Baseline)
    ->Name("baseline/tanh-chain-stereo")
    ->Arg(64)
    ->Arg(512)
    ->ComputeStatistics("min", Minimum);
BENCHMARK(BM_Filter)
    ->ArgNames({"block", "shape", "glide"})
    ->ArgsProduct({{64, 512}, {0, 1, 2}, {0, 1}})
    ->ComputeStatistics("min", Minimum);

}  // namespace
