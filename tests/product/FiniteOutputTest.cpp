// The filter never hands the host a sample no float can hold: every sample rate, shape, cutoff,
// resonance and input level, hostile samples and malformed MIDI, driven through the VST 2
// interface by the test host.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "product/KorvaneFilter.h"
#include "product/dsp/LadderFilter.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

namespace {

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

float CutoffNormalized(double hz) {
  return static_cast<float>(std::pow((hz - 10.0) / 17990.0, 0.4));
}

// Noise plus a sine at a fifth of the sample rate, peaking near `peak`.
std::vector<double> Signal(size_t n, double peak, unsigned seed) {
  std::vector<double> v(n);
  unsigned s = seed;
  for (size_t i = 0; i < n; ++i) {
    s = s * 1664525u + 1013904223u;
    const double noise = static_cast<double>(s >> 8) / 16777216.0 - 0.5;
    v[i] = peak * (noise + 0.5 * std::sin(1.2566370614359172 * static_cast<double>(i)));
  }
  return v;
}

// FNV-1a over the bits of every sample: a record of a run that any changed bit changes.
uint64_t Fingerprint(const std::vector<double>& a, const std::vector<double>& b) {
  uint64_t h = 1469598103934665603ull;
  for (const std::vector<double>* v : {&a, &b}) {
    for (double x : *v) {
      uint64_t bits;
      std::memcpy(&bits, &x, sizeof bits);
      for (int k = 0; k < 8; ++k) h = (h ^ ((bits >> (8 * k)) & 0xFF)) * 1099511628211ull;
    }
  }
  return h;
}

class Instance {
 public:
  Instance() {
    EXPECT_NE(host.Effect(), nullptr) << host.Error();
    host.Start(44100.0f, 512);
    plug = static_cast<KorvaneFilter*>(host.Effect()->object);
  }

  // The rate, then the parameters, then a reset that ends every glide, as a host's restart
  // would.
  void Configure(float rate, int shape, double cutoffHz, float resonance, bool limit) {
    host.Dispatch(effMainsChanged, 0, 0);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    host.SetParameter(KorvaneFilter::kShape, shape / 2.0f);
    host.SetParameter(KorvaneFilter::kCutoff, CutoffNormalized(cutoffHz));
    host.SetParameter(KorvaneFilter::kResonance, resonance);
    host.SetParameter(KorvaneFilter::kBrickwall, limit ? 1.0f : 0.0f);
    host.Dispatch(effMainsChanged, 0, 0);
    host.Dispatch(effMainsChanged, 0, 1);
  }

  // Runs both channels in blocks of `block`; left and right out.
  void Run(const std::vector<double>& inL, const std::vector<double>& inR,
           std::vector<double>& outL, std::vector<double>& outR, int block = 512) {
    outL.assign(inL.size(), 0.0);
    outR.assign(inR.size(), 0.0);
    for (size_t at = 0; at < inL.size(); at += static_cast<size_t>(block)) {
      const int n = static_cast<int>(std::min(inL.size() - at, static_cast<size_t>(block)));
      double* in2[] = {const_cast<double*>(inL.data()) + at, const_cast<double*>(inR.data()) + at};
      double* out2[] = {outL.data() + at, outR.data() + at};
      host.ProcessDouble(in2, out2, n);
    }
  }

  TestHost host{KorvaneMain};
  KorvaneFilter* plug = nullptr;
};

// The first sample that a float cannot hold, or -1.
long FirstUnfit(const std::vector<double>& v) {
  for (size_t i = 0; i < v.size(); ++i) {
    if (!(std::fabs(v[i]) <= FLT_MAX)) return static_cast<long>(i);
  }
  return -1;
}

const char* const kShapeNames[] = {"low pass", "band pass wide", "band pass narrow"};

}  // namespace

TEST(FiniteOutput, EverySampleRateShapeCutoffResonanceAndLevelGivesFiniteSamples) {
  Instance inst;
  const float rates[] = {8000.0f,  11025.0f, 16000.0f,  22050.0f,  32000.0f,  44100.0f,
                         48000.0f, 96000.0f, 192000.0f, 384000.0f, 1234.5678f};
  const double cutoffs[] = {10.0, 1000.0, 8000.0, 18000.0};
  const float resonances[] = {0.0f, 0.35f, 1.0f};
  const double levels[] = {std::pow(10.0, -60.0 / 20.0), std::pow(10.0, -6.0 / 20.0),
                           std::pow(10.0, 12.0 / 20.0)};
  // A fingerprint file (KORVANE_FINGERPRINTS=path) records the runs, so a change meant to leave
  // them alone can be compared against the code before it.
  const char* recordPath = std::getenv("KORVANE_FINGERPRINTS");
  FILE* record = recordPath ? std::fopen(recordPath, "w") : nullptr;
  const size_t n = 3000;
  int runs = 0;
  for (const float rate : rates) {
    for (int shape = 0; shape < 3; ++shape) {
      for (const double cutoff : cutoffs) {
        for (const float resonance : resonances) {
          for (const bool limit : {false, true}) {
            for (size_t l = 0; l < 3; ++l) {
              inst.Configure(rate, shape, cutoff, resonance, limit);
              const std::vector<double> inL = Signal(n, levels[l], 3 + static_cast<unsigned>(l));
              const std::vector<double> inR = Signal(n, levels[l], 9 + static_cast<unsigned>(l));
              std::vector<double> outL, outR;
              inst.Run(inL, inR, outL, outR, 500);
              const long badL = FirstUnfit(outL), badR = FirstUnfit(outR);
              EXPECT_TRUE(badL < 0 && badR < 0)
                  << rate << " Hz, " << kShapeNames[shape] << ", cutoff " << cutoff
                  << " Hz, resonance " << resonance << ", limit " << limit << ", level "
                  << 20.0 * std::log10(levels[l]) << " dBFS: sample " << (badL < 0 ? badR : badL)
                  << " of the " << (badL < 0 ? "right" : "left") << " channel is "
                  << (badL < 0 ? outR[static_cast<size_t>(badR)] : outL[static_cast<size_t>(badL)]);
              for (size_t i = 0; limit && i < n; ++i) {
                if (std::fabs(outL[i]) > 0.98855309465694 ||
                    std::fabs(outR[i]) > 0.98855309465694) {
                  ADD_FAILURE() << "limited output beyond the ceiling at sample " << i;
                  break;
                }
              }
              if (record) {
                std::fprintf(record, "%.4f %d %g %.2f %d %zu %016llx\n", rate, shape, cutoff,
                             resonance, limit, l,
                             static_cast<unsigned long long>(Fingerprint(outL, outR)));
              }
              ++runs;
            }
          }
        }
      }
    }
  }
  if (record) std::fclose(record);
  EXPECT_EQ(runs, 11 * 3 * 4 * 3 * 2 * 3);
  EXPECT_EQ(inst.plug->NonFiniteResets(), 0) << "the last guard had to step in";
}

TEST(FiniteOutput, RatesFromOneHertzTo768kHzStayFiniteForAnyLevelAndWhileGliding) {
  Instance inst;
  const double levels[] = {1e-3, 4.0, 1e6, 1e30};
  for (const float rate : {1.0f, 3.5f, 100.0f, 1234.5678f, 500000.0f, 768000.0f}) {
    for (int shape = 0; shape < 3; ++shape) {
      for (const double cutoff : {10.0, 1000.0, 8000.0, 18000.0}) {
        for (const float resonance : {0.0f, 0.35f, 1.0f}) {
          for (size_t l = 0; l < 4; ++l) {
            inst.Configure(rate, shape, cutoff, resonance, false);
            // The cutoff glides to the bottom, then to the top, the resonance to its extremes.
            inst.host.SendMidi({{7, 0xB0, 74, 0}, {40, 0xB0, 71, 127}});
            const std::vector<double> in = Signal(1200, levels[l], 5);
            std::vector<double> outL, outR;
            inst.Run(in, in, outL, outR, 100);
            inst.host.SendMidi({{3, 0xB0, 74, 127}, {50, 0xB0, 71, 0}});
            std::vector<double> moreL, moreR;
            inst.Run(in, in, moreL, moreR, 300);
            outL.insert(outL.end(), moreL.begin(), moreL.end());
            const long bad = FirstUnfit(outL);
            ASSERT_LT(bad, 0) << rate << " Hz, " << kShapeNames[shape] << ", cutoff " << cutoff
                              << " Hz, resonance " << resonance << ", peak " << levels[l]
                              << ": sample " << bad << " is " << outL[static_cast<size_t>(bad)];
          }
        }
      }
    }
  }
  EXPECT_EQ(inst.plug->NonFiniteResets(), 0) << "the last guard had to step in";
}

TEST(FiniteOutput, RatesThatAreNotPositiveAndFiniteAreIgnored) {
  Instance inst;
  inst.host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  for (const float rate :
       {0.0f, -0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
    inst.host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    EXPECT_EQ(inst.plug->GetLadder(0).SampleRate(), 48000.0) << "after a rate of " << rate;
    EXPECT_EQ(inst.plug->GetHighPass(1).SampleRate(), 48000.0) << "after a rate of " << rate;
  }
}

TEST(FiniteOutput, HugeSamplesActAsTheInputBoundAndLeaveLaterSamplesFinite) {
  const double huge[] = {1e300, -1e300, DBL_MAX, -DBL_MAX, 1.2e107, -1e7};
  for (int shape = 0; shape < 3; ++shape) {
    for (const double x : huge) {
      for (const size_t at : {size_t{0}, size_t{137}, size_t{511}}) {
        Instance hit, bound;
        hit.Configure(44100.0f, shape, 1000.0, 0.5f, false);
        bound.Configure(44100.0f, shape, 1000.0, 0.5f, false);
        std::vector<double> in = Signal(2048, 0.5, 7), inBound = in;
        in[at] = x;
        inBound[at] = x > 0 ? 1e6 : -1e6;
        std::vector<double> outL, outR, refL, refR;
        hit.Run(in, in, outL, outR);
        bound.Run(inBound, inBound, refL, refR);
        ASSERT_LT(FirstUnfit(outL), 0) << kShapeNames[shape] << ", " << x << " at " << at;
        for (size_t i = 0; i < outL.size(); ++i) {
          ASSERT_EQ(outL[i], refL[i]) << kShapeNames[shape] << ", " << x << " at sample " << at
                                      << " acts as the bound: sample " << i;
        }
        // Long after, the channel is still alive: not stuck at NaN, nor at 0.
        EXPECT_NE(outL.back(), 0.0) << kShapeNames[shape] << ", " << x;
      }
    }
  }
}

TEST(FiniteOutput, ControllerDataBytesWithTheTopBitSetAreTakenAsSevenBits) {
  struct Case {
    unsigned char controller, data, sameAs;
  };
  const Case cases[] = {{74, 128, 0},   {74, 255, 127}, {71, 128, 0},
                        {71, 255, 127}, {111, 128, 0},  {111, 255, 127}};
  for (const Case& c : cases) {
    Instance odd, valid;
    for (Instance* inst : {&odd, &valid}) {
      inst->Configure(44100.0f, KorvaneFilter::kBandPassNarrow, 1000.0, 0.35f, false);
      inst->host.calls.clear();
    }
    odd.host.SendMidi({{3, 0xB2, c.controller, c.data}});
    valid.host.SendMidi({{3, 0xB2, c.controller, c.sameAs}});
    const std::vector<double> in = Signal(40000, 0.5, 9);
    std::vector<double> outL, outR, refL, refR;
    odd.Run(in, in, outL, outR);
    valid.Run(in, in, refL, refR);
    const std::string what =
        "controller " + std::to_string(c.controller) + ", data byte " + std::to_string(c.data);
    ASSERT_EQ(odd.host.CountCalls(audioMasterAutomate), 1) << what;
    for (const TestHost::Call& call : odd.host.calls) {
      if (call.opcode != audioMasterAutomate) continue;
      EXPECT_GE(call.opt, 0.0f) << what;
      EXPECT_LE(call.opt, 1.0f) << what;
      EXPECT_EQ(call.opt, c.sameAs / 127.0f) << what;
    }
    EXPECT_LE(odd.plug->GetCutoffGlide(), 18000.0) << what;
    EXPECT_GE(odd.plug->GetCutoffGlide(), 10.0) << what;
    EXPECT_LE(odd.plug->GetResonanceGlide(), 1.0) << what;
    EXPECT_GE(odd.plug->GetResonanceGlide(), 0.0) << what;
    EXPECT_EQ(odd.plug->GetShape(), valid.plug->GetShape()) << what;
    ASSERT_LT(FirstUnfit(outL), 0) << what;
    for (size_t i = 0; i < outL.size(); ++i) {
      ASSERT_EQ(outL[i], refL[i]) << what << " acts as " << int{c.sameAs} << ": sample " << i;
    }
    // What passes through to the host is what came in, byte for byte.
    ASSERT_EQ(odd.host.midiReceived.size(), 1u) << what;
    EXPECT_EQ(static_cast<unsigned char>(odd.host.midiReceived[0].midiData[1]), c.controller);
    EXPECT_EQ(static_cast<unsigned char>(odd.host.midiReceived[0].midiData[2]), c.data);
  }
}

TEST(FiniteOutput, EventListsLongerThanTheDeclaredTwoEntriesAreReadWhole) {
  Instance inst;
  inst.Configure(44100.0f, KorvaneFilter::kLowPass, 1000.0, 0.35f, false);
  std::vector<TestHost::Midi> midi;
  for (int i = 0; i < 300; ++i) {
    midi.push_back({i, 0x90, static_cast<unsigned char>(i % 128), 100});
  }
  midi.push_back({300, 0xB0, 74, 0});  // the last entry still reaches the filter
  inst.host.SendMidi(midi);
  ASSERT_EQ(inst.host.midiReceived.size(), midi.size()) << "every entry passed through";
  for (size_t i = 0; i < midi.size(); ++i) {
    EXPECT_EQ(inst.host.midiReceived[i].deltaFrames, midi[i].offset) << "entry " << i;
  }
  const std::vector<double> in = Signal(512, 0.1, 2);
  std::vector<double> outL, outR;
  inst.Run(in, in, outL, outR);
  EXPECT_LT(inst.plug->GetCutoffGlide(), 1000.0) << "the controller in entry 300 was applied";
}
