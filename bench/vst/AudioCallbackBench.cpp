// Per-block cost of the three audio callbacks around the base's pass-through processing:
// binding, float conversion in and out, and the fixed cost of a block. The host callback
// answers at once, as a real host's audioMasterWantMidi nearly does.
#include <benchmark/benchmark.h>

#include <vector>

#include "host/QuietHost.h"
#include "tests/vst/PassThroughPlug.h"
#include "vst/VSTEntry.h"

namespace {

QuietHost gHost;  // outlives every instance

AEffect* Open(int block) {
  AEffect* e = VstInstance::Create(PassThroughMain, &gHost);
  PassThroughPlug::From(e)->record = false;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effSetBlockSize, 0, block, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  return e;
}

template <bool kAccumulate>
void BM_FloatCallback(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  AEffect* e = Open(n);
  std::vector<float> l(static_cast<size_t>(n), 0.25f), r(l), ol(l), orr(l);
  float* in[] = {l.data(), r.data()};
  float* out[] = {ol.data(), orr.data()};
  for (auto _ : state) {
    (kAccumulate ? e->process : e->processReplacing)(e, in, out, n);
    benchmark::ClobberMemory();
  }
  state.counters["ns/frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

void BM_DoubleCallback(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  AEffect* e = Open(n);
  std::vector<double> l(static_cast<size_t>(n), 0.25), r(l), ol(l), orr(l);
  double* in[] = {l.data(), r.data()};
  double* out[] = {ol.data(), orr.data()};
  for (auto _ : state) {
    e->processDoubleReplacing(e, in, out, n);
    benchmark::ClobberMemory();
  }
  state.counters["ns/frame"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// Baseline: what the float callbacks must do at least, two channels of memcpy-speed copies.
void BM_CopyBaseline(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  std::vector<float> l(n, 0.25f), r(l);
  std::vector<double> dl(n), dr(n);
  for (auto _ : state) {
    for (size_t i = 0; i < n; ++i) dl[i] = l[i];
    for (size_t i = 0; i < n; ++i) dr[i] = r[i];
    for (size_t i = 0; i < n; ++i) l[i] = static_cast<float>(dl[i]);
    for (size_t i = 0; i < n; ++i) r[i] = static_cast<float>(dr[i]);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_FloatCallback<false>)->Name("processReplacing")->Arg(32)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_FloatCallback<true>)->Name("process")->Arg(32)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_DoubleCallback)->Name("processDoubleReplacing")->Arg(32)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(BM_CopyBaseline)->Name("baseline/float-double-float")->Arg(32)->Arg(4096);

}  // namespace
