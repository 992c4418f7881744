// The filter plug-in's behaviour, driven through the VST 2 interface by the test host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "product/KorvaneFilter.h"
#include "product/dsp/EnvelopeFollower.h"
#include "product/dsp/HighPassBiquad.h"
#include "product/dsp/LadderFilter.h"
#include "product/dsp/ParamSmoother.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCeiling = 0.98855309465694;

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

float CutoffNormalized(double hz) {
  return static_cast<float>(std::pow((hz - 10.0) / 17990.0, 0.4));
}

class Filter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    host.Start(44100.0f, 512);
    plug = static_cast<KorvaneFilter*>(host.Effect()->object);
  }

  // Sets parameters, then ends every glide at its target, as a host's reset would.
  void Configure(int shape, double cutoffHz, float resonance, bool limit) {
    host.SetParameter(KorvaneFilter::kShape, shape / 2.0f);
    host.SetParameter(KorvaneFilter::kCutoff, CutoffNormalized(cutoffHz));
    host.SetParameter(KorvaneFilter::kResonance, resonance);
    host.SetParameter(KorvaneFilter::kBrickwall, limit ? 1.0f : 0.0f);
    host.Dispatch(effMainsChanged, 0, 0);
    host.Dispatch(effMainsChanged, 0, 1);
  }

  // Runs n frames of the same input on both channels; returns the left output.
  std::vector<double> Run(const std::vector<double>& in, int block = 512) {
    std::vector<double> out(in.size()), right(in.size()), inR(in);
    std::vector<double> inL(in);
    for (size_t at = 0; at < in.size(); at += static_cast<size_t>(block)) {
      const int n = static_cast<int>(std::min(in.size() - at, static_cast<size_t>(block)));
      double* i2[] = {inL.data() + at, inR.data() + at};
      double* o2[] = {out.data() + at, right.data() + at};
      host.ProcessDouble(i2, o2, n);
    }
    return out;
  }

  // Gain in dB of a sine through the plug-in, measured after the filter has settled.
  double GainDb(double hz, double rate = 44100.0) {
    const int settle = static_cast<int>(rate * 0.3), measure = static_cast<int>(rate * 0.2);
    std::vector<double> in(static_cast<size_t>(settle + measure));
    for (size_t i = 0; i < in.size(); ++i) in[i] = 0.1 * std::sin(2.0 * kPi * hz * i / rate);
    const std::vector<double> out = Run(in);
    double si = 0, so = 0;
    for (size_t i = static_cast<size_t>(settle); i < in.size(); ++i) {
      si += in[i] * in[i];
      so += out[i] * out[i];
    }
    return 10.0 * std::log10(so / si);
  }

  TestHost host{KorvaneMain};
  KorvaneFilter* plug = nullptr;
};

size_t FirstDifference(const std::vector<double>& a, const std::vector<double>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return i;
  }
  return a.size();
}

std::vector<double> Noise(size_t n, unsigned seed = 7) {
  std::vector<double> v(n);
  unsigned s = seed;
  for (double& x : v) {
    s = s * 1664525u + 1013904223u;
    x = (static_cast<double>(s >> 8) / 16777216.0 - 0.5) * 0.5;
  }
  return v;
}

}  // namespace

TEST_F(Filter, LowPassPassesLowsAndFallsLikeFourPoles) {
  Configure(KorvaneFilter::kLowPass, 1000.0, 0.0f, false);
  EXPECT_NEAR(GainDb(100.0), 0.0, 0.5) << "100 Hz passes";
  const double octave = GainDb(2000.0), twoOctaves = GainDb(4000.0);
  EXPECT_LT(octave, -9.0) << "one octave above the cutoff";
  EXPECT_LT(twoOctaves, -30.0) << "two octaves above the cutoff";
  EXPECT_NEAR(twoOctaves - octave, -24.0, 6.0) << "about 24 dB per octave";
}

TEST_F(Filter, BandPassShapesPeakNearTheCutoff) {
  for (int shape : {KorvaneFilter::kBandPassWide, KorvaneFilter::kBandPassNarrow}) {
    Configure(shape, 1000.0, 0.35f, false);
    const double hp = plug->GetHighPass(0).Frequency();
    EXPECT_DOUBLE_EQ(hp, plug->GetCutoffGlide() * (shape == 1 ? 0.25 : 0.75))
        << "the high-pass sits at " << (shape == 1 ? "a quarter" : "three quarters");
    EXPECT_NEAR(hp, shape == 1 ? 250.0 : 750.0, 1e-3);
    EXPECT_DOUBLE_EQ(plug->GetHighPass(1).Frequency(), hp);
    double best = -1e9, bestHz = 0;
    for (double hz = 125.0; hz <= 8000.0; hz *= std::pow(2.0, 1.0 / 8.0)) {
      const double g = GainDb(hz);
      if (g > best) {
        best = g;
        bestHz = hz;
      }
    }
    EXPECT_GT(bestHz, 0.8 * hp) << "shape " << shape << " peaks at " << bestHz << " Hz";
    EXPECT_LT(bestHz, 1200.0) << "shape " << shape << " peaks at " << bestHz << " Hz";
    EXPECT_LT(GainDb(60.0), best - 12.0) << "lows are cut";
    EXPECT_LT(GainDb(8000.0), best - 12.0) << "highs are cut";
  }
}

TEST_F(Filter, ResponseHoldsAtEverySampleRate) {
  for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    Configure(KorvaneFilter::kLowPass, 1000.0, 0.0f, false);
    EXPECT_NEAR(GainDb(100.0, rate), 0.0, 0.5) << rate << " Hz";
    EXPECT_LT(GainDb(4000.0, rate), -30.0) << rate << " Hz";
  }
}

TEST_F(Filter, CutoffGlideFromTopToBottomTakesAboutFifteenThousandSamples) {
  Configure(KorvaneFilter::kLowPass, 18000.0, 0.0f, false);
  ASSERT_EQ(plug->GetCutoffGlide(), 18000.0);
  host.SetParameter(KorvaneFilter::kCutoff, 0.0f);
  const std::vector<double> silence(512, 0.0);
  int samples = 0;
  while (plug->GetCutoffGlide() > 10.0 && samples < 40000) {
    Run(silence, 512);
    samples += 512;
  }
  // One tick per sample plus one at each block's start.
  const double ticks = std::log(1800.0) / std::log(1.0005);  // about 14995
  EXPECT_NEAR(samples, ticks * 512.0 / 513.0, 512.0);
  EXPECT_EQ(plug->GetCutoffGlide(), 10.0) << "lands exactly on the target";
}

TEST_F(Filter, ResonanceGlideReachesAndLeavesZero) {
  Configure(KorvaneFilter::kLowPass, 1000.0, 0.0f, false);
  EXPECT_EQ(plug->GetResonanceGlide(), 0.0);
  host.SetParameter(KorvaneFilter::kResonance, 1.0f);
  Run(std::vector<double>(1000, 0.0), 500);
  EXPECT_NEAR(plug->GetResonanceGlide(), 0.0005 * (1000 + 2), 1e-9)
      << "additive: 0.0005 per sample and per block start";
  Run(std::vector<double>(1500, 0.0), 500);
  EXPECT_EQ(plug->GetResonanceGlide(), 1.0);
  host.SetParameter(KorvaneFilter::kResonance, 0.0f);
  Run(std::vector<double>(2500, 0.0), 500);
  EXPECT_EQ(plug->GetResonanceGlide(), 0.0);
}

TEST_F(Filter, ControllerAppliesAtItsSampleOffset) {
  Configure(KorvaneFilter::kBandPassWide, 1000.0, 0.35f, false);
  const std::vector<double> in = Noise(64);
  const std::vector<double> reference = Run(in, 64);
  for (int offset : {0, 5, 63}) {
    Configure(KorvaneFilter::kBandPassWide, 1000.0, 0.35f, false);
    host.SendMidi({{offset, 0xB0, 111, 100}});
    const std::vector<double> out = Run(in, 64);
    EXPECT_EQ(FirstDifference(reference, out), static_cast<size_t>(offset))
        << "the high-pass moves to three quarters of the cutoff at sample " << offset;
    EXPECT_EQ(plug->GetShape(), KorvaneFilter::kBandPassNarrow);
  }
}

TEST_F(Filter, ControllersAreAppliedInSampleOrderAndAllAtOneOffset) {
  Configure(KorvaneFilter::kBandPassWide, 1000.0, 0.35f, false);
  const std::vector<double> in = Noise(64);
  const std::vector<double> reference = Run(in, 64);
  Configure(KorvaneFilter::kBandPassWide, 1000.0, 0.35f, false);
  host.SendMidi({{10, 0xB0, 111, 64}, {3, 0xB1, 111, 100}});  // arrive out of order
  const std::vector<double> out = Run(in, 64);
  EXPECT_EQ(FirstDifference(reference, out), 3u);
  EXPECT_EQ(plug->GetShape(), KorvaneFilter::kBandPassWide) << "offset 10 came last";

  host.calls.clear();
  host.SendMidi({{7, 0xB0, 74, 0}, {7, 0xB0, 71, 127}, {7, 0xB0, 111, 127}, {-4, 0xB0, 74, 127}});
  Run(in, 64);
  std::vector<int> automated;
  for (const auto& c : host.calls) {
    if (c.opcode == audioMasterAutomate) automated.push_back(c.index);
  }
  EXPECT_EQ(automated, (std::vector<int>{2, 2, 3, 1})) << "negative offset first, then in order";
  EXPECT_EQ(plug->GetShape(), KorvaneFilter::kBandPassNarrow);

  host.SendMidi({{64, 0xB0, 111, 0}, {1000, 0xB0, 111, 0}});
  Run(in, 64);
  EXPECT_EQ(plug->GetShape(), KorvaneFilter::kBandPassNarrow) << "events past the block dropped";
  Run(in, 64);
  EXPECT_EQ(plug->GetShape(), KorvaneFilter::kBandPassNarrow) << "and not carried over";
}

TEST_F(Filter, ShapeControllerDataBytesSelectShapes) {
  const struct {
    unsigned char data;
    int shape;
  } cases[] = {{0, 0}, {64, 1}, {100, 2}, {127, 2}, {42, 0}, {43, 1}, {85, 2}};
  for (const auto& c : cases) {
    host.SendMidi({{0, 0xB5, 111, c.data}});
    Run(std::vector<double>(16, 0.0), 16);
    EXPECT_EQ(plug->GetShape(), c.shape) << "data byte " << int{c.data};
  }
}

TEST_F(Filter, CutoffControllerIsLinearAndLeavesTheParameterAlone) {
  Configure(KorvaneFilter::kLowPass, 1000.0, 0.0f, false);
  const float stored = host.GetParameter(KorvaneFilter::kCutoff);
  host.SendMidi({{0, 0xB0, 74, 64}});
  Run(std::vector<double>(44100, 0.0), 512);
  EXPECT_NEAR(plug->GetCutoffGlide(), 10.0 + 17990.0 * 64.0 / 127.0, 1e-6);
  host.SendMidi({{0, 0xB0, 71, 127}});
  Run(std::vector<double>(4096, 0.0), 512);
  EXPECT_EQ(plug->GetResonanceGlide(), 1.0);
  EXPECT_EQ(host.GetParameter(KorvaneFilter::kCutoff), stored) << "the stored value is kept";
  EXPECT_EQ(host.ParamDisplay(KorvaneFilter::kResonance), "0");
}

TEST_F(Filter, AllMidiPassesThroughUnchanged) {
  host.midiReceived.clear();
  host.SendMidi({{0, 0x90, 60, 100}, {12, 0xB3, 74, 5}, {30, 0xE0, 0, 64}, {2, 0xF8, 0, 0}});
  ASSERT_EQ(host.midiReceived.size(), 4u);
  const int offsets[] = {0, 12, 30, 2};
  const unsigned char status[] = {0x90, 0xB3, 0xE0, 0xF8};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(host.midiReceived[static_cast<size_t>(i)].deltaFrames, offsets[i]);
    EXPECT_EQ(static_cast<unsigned char>(host.midiReceived[static_cast<size_t>(i)].midiData[0]),
              status[i]);
  }
  EXPECT_EQ(host.midiReceived[1].midiData[2], 5);
}

TEST_F(Filter, BrickwallBoundsPeaksAndLeavesQuietSamplesAlone) {
  std::vector<double> loud(8192);
  for (size_t i = 0; i < loud.size(); ++i)
    loud[i] = 3.0 * std::sin(2.0 * kPi * 220.0 * i / 44100.0);
  Configure(KorvaneFilter::kLowPass, 18000.0, 0.0f, false);
  const std::vector<double> free = Run(loud);
  double peak = 0;
  for (double v : free) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 1.5) << "unbounded without the limit";
  Configure(KorvaneFilter::kLowPass, 18000.0, 0.0f, true);
  const std::vector<double> limited = Run(loud);
  for (size_t i = 0; i < limited.size(); ++i) {
    ASSERT_LE(std::fabs(limited[i]), kCeiling) << "sample " << i;
    if (std::fabs(free[i]) <= 0.5) {
      ASSERT_EQ(limited[i], free[i]) << "sample " << i;
    }
  }
}

TEST_F(Filter, LimiterIndicatorRisesToTheOvershootAndDecaysPerBlock) {
  Configure(KorvaneFilter::kLowPass, 18000.0, 0.0f, true);
  Run(std::vector<double>(512, 1.3));
  const double risen = plug->GetLimiterIndicator();
  EXPECT_GE(risen, 0.7);
  EXPECT_LE(risen, 0.8 + 1e-9);
  Run(std::vector<double>(512, 0.0));
  EXPECT_NEAR(plug->GetLimiterIndicator(), risen - 512.0 / 44100.0, 1e-12);
  Run(std::vector<double>(512 * 80, 0.0));
  EXPECT_EQ(plug->GetLimiterIndicator(), 0.0) << "falls to 0 within a second";
}

TEST_F(Filter, MeterCountdownRefreshesEveryFourBlocksAt512) {
  Configure(KorvaneFilter::kLowPass, 1000.0, 0.0f, false);
  std::vector<int> countdown;
  for (int b = 0; b < 6; ++b) {
    Run(std::vector<double>(512, 0.0));
    countdown.push_back(plug->GetMeterCountdown());
  }
  EXPECT_EQ(countdown, (std::vector<int>{4, 3, 2, 1, 4, 3}));
  host.Dispatch(effSetBlockSize, 0, 4096);
  Run(std::vector<double>(4096, 0.0), 4096);
  Run(std::vector<double>(4096, 0.0), 4096);
  EXPECT_EQ(plug->GetMeterCountdown(), 0) << "every block at 4096 frames";
}

TEST_F(Filter, ResetEndsGlidesAndClearsState) {
  Configure(KorvaneFilter::kBandPassNarrow, 1000.0, 0.5f, true);
  const std::vector<double> probe = Noise(256, 3);
  const std::vector<double> fresh = Run(probe, 256);
  host.SetParameter(KorvaneFilter::kCutoff, 1.0f);
  Run(Noise(1000, 9));
  EXPECT_LT(plug->GetCutoffGlide(), 18000.0);
  host.Dispatch(effMainsChanged, 0, 0);
  EXPECT_EQ(plug->GetCutoffGlide(), 18000.0);
  EXPECT_EQ(plug->GetLimiterIndicator(), 0.0);
  EXPECT_EQ(plug->GetOutputEnvelope(), 0.0);
  host.SetParameter(KorvaneFilter::kCutoff, CutoffNormalized(1000.0));
  host.Dispatch(effMainsChanged, 0, 0);
  EXPECT_EQ(Run(probe, 256), fresh) << "no history survives a reset";
}

TEST_F(Filter, ShapeParameterMovesHighPassBeforeTheNextBlock) {
  Configure(KorvaneFilter::kLowPass, 1000.0, 0.35f, false);
  host.SetParameter(KorvaneFilter::kShape, 0.5f);
  EXPECT_DOUBLE_EQ(plug->GetHighPass(0).Frequency(), plug->GetCutoffGlide() * 0.25);
  EXPECT_NEAR(plug->GetHighPass(1).Frequency(), 250.0, 0.01);
}

TEST_F(Filter, NonFiniteInputIsTakenAsSilence) {
  Configure(KorvaneFilter::kLowPass, 1000.0, 0.9f, true);
  std::vector<double> in = Noise(512);
  in[10] = std::numeric_limits<double>::quiet_NaN();
  in[20] = std::numeric_limits<double>::infinity();
  in[30] = -std::numeric_limits<double>::infinity();
  const std::vector<double> out = Run(in);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_TRUE(std::isfinite(out[i])) << "sample " << i;
  const std::vector<double> after = Run(Noise(512, 11));
  for (double v : after) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(Filter, FloatProcessingMatchesDoubleWithinFloatPrecision) {
  Configure(KorvaneFilter::kBandPassWide, 2000.0, 0.6f, true);
  const std::vector<double> in = Noise(512);
  const std::vector<double> ref = Run(in);
  Configure(KorvaneFilter::kBandPassWide, 2000.0, 0.6f, true);
  std::vector<float> fin(in.begin(), in.end()), fout(512), fout2(512);
  float* i2[] = {fin.data(), fin.data()};
  float* o2[] = {fout.data(), fout2.data()};
  host.ProcessReplacing(i2, o2, 512);
  for (size_t i = 0; i < 512; ++i) ASSERT_NEAR(fout[i], ref[i], 1e-5) << "sample " << i;
}

// The filter as its blocks describe it, one sample at a time: glides ticked at each block's
// start and at every sample while they move, every coefficient recomputed from the glide's
// value, both channels through their own ladder and high-pass.
class SampleBySampleModel {
 public:
  SampleBySampleModel(double rate, int shape, double cutoff, double resonance) : mShape(shape) {
    for (int c = 0; c < 2; ++c) {
      mLadder[c].SetSampleRate(rate);
      mLadder[c].SetCutoff(cutoff);
      mLadder[c].SetResonance(resonance);
      mHighPass[c].SetSampleRate(rate);
    }
    ApplyCutoff(cutoff);
    mCutoff.Init(0.0005, true);
    mCutoff.SetImmediate(cutoff);
    mResonance.Init(0.0005, false);
    mResonance.SetImmediate(resonance);
    mEnvelope.SetSampleRate(rate);
    mEnvelope.SetAttack(10.0);
    mEnvelope.SetRelease(500.0);
  }

  double Envelope() const { return mEnvelope.Envelope(); }

  struct Event {
    int offset, controller, data;
  };

  void Block(const double* inL, const double* inR, double* outL, double* outR, int n,
             const std::vector<Event>& events) {
    const double gain = mShape == 1 ? 4.0 : mShape == 2 ? 8.0 : 1.0;
    bool cutoffMoving = mCutoff.Tick(), resonanceMoving = mResonance.Tick();
    size_t next = 0;
    for (int i = 0; i < n; ++i) {
      for (; next < events.size() && events[next].offset <= i; ++next) {
        const double value = events[next].data / 127.0;
        if (events[next].controller == 74) {
          mCutoff.SetTarget(value * 17990.0 + 10.0);
          cutoffMoving = true;
        } else {
          mResonance.SetTarget(value);
          resonanceMoving = true;
        }
      }
      if (cutoffMoving) {
        for (LadderFilter& l : mLadder) l.SetCutoff(mCutoff.Current());
        ApplyCutoff(mCutoff.Current());
        cutoffMoving = mCutoff.Tick();
      }
      if (resonanceMoving) {
        for (LadderFilter& l : mLadder) l.SetResonance(mResonance.Current());
        resonanceMoving = mResonance.Tick();
      }
      double* out[] = {outL, outR};
      const double in[] = {inL[i], inR[i]};
      for (int c = 0; c < 2; ++c) {
        double y = mLadder[c].Process(in[c]);
        if (mShape != 0) y = mHighPass[c].Process(y) * gain;
        out[c][i] = y;
      }
      mEnvelope.Process(outL[i] + outR[i]);
    }
  }

 private:
  void ApplyCutoff(double hz) {
    for (HighPassBiquad& h : mHighPass) {
      if (mShape == 1) h.SetFrequency(hz * 0.25);
      if (mShape == 2) h.SetFrequency(hz * 0.75);
    }
  }

  int mShape;
  LadderFilter mLadder[2];
  HighPassBiquad mHighPass[2];
  ParamSmoother mCutoff, mResonance;
  EnvelopeFollower mEnvelope;
};

TEST_F(Filter, GlidingOutputIsTheBlocksRunSampleBySample) {
  using Event = SampleBySampleModel::Event;
  // Blocks of 100 frames; the cutoff rises from the middle of the first block, the resonance
  // glides from the third, and the cutoff turns down in the fourth.
  const std::vector<std::vector<Event>> events = {
      {{37, 74, 100}}, {}, {{5, 71, 20}}, {{90, 74, 10}}, {}, {}, {}, {}};
  const int n = 100;
  for (const float rate : {44100.0f, 96000.0f}) {
    for (int shape : {0, 1, 2}) {
      host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
      Configure(shape, 1000.0, 0.35f, false);
      SampleBySampleModel model(rate, shape, plug->GetCutoffGlide(), plug->GetResonanceGlide());
      const std::vector<double> inL = Noise(n * events.size(), 5), inR = Noise(inL.size(), 6);
      std::vector<double> outL(inL.size()), outR(inL.size()), refL(inL.size()), refR(inL.size());
      for (size_t b = 0; b < events.size(); ++b) {
        std::vector<TestHost::Midi> midi;
        for (const Event& e : events[b]) {
          midi.push_back({e.offset, 0xB0, static_cast<unsigned char>(e.controller),
                          static_cast<unsigned char>(e.data)});
        }
        if (!midi.empty()) host.SendMidi(midi);
        const size_t at = b * n;
        double* in2[] = {const_cast<double*>(inL.data()) + at,
                         const_cast<double*>(inR.data()) + at};
        double* out2[] = {outL.data() + at, outR.data() + at};
        host.ProcessDouble(in2, out2, n);
        model.Block(inL.data() + at, inR.data() + at, refL.data() + at, refR.data() + at, n,
                    events[b]);
        EXPECT_NEAR(plug->GetOutputEnvelope(), model.Envelope(), 1e-9)
            << "the meter's envelope, " << rate << " Hz, shape " << shape << ", block " << b;
      }
      EXPECT_NE(plug->GetCutoffGlide(), 1000.0) << "still gliding at the end";
      // The low pass is the blocks' arithmetic exactly. While a band-pass glide moves, the
      // high-pass designs' sin and cos come from one fresh evaluation per stretch of samples,
      // within about a unit in the last place; x87 rounds to double in places of the
      // compiler's choosing.
#if FLT_EVAL_METHOD == 0
      const double tolerance = shape == 0 ? 0.0 : 1e-12;
#else
      const double tolerance = 1e-9;
#endif
      double largest = 0.0;
      for (size_t i = 0; i < outL.size(); ++i) {
        ASSERT_NEAR(outL[i], refL[i], tolerance)
            << rate << " Hz, shape " << shape << ", left, sample " << i;
        ASSERT_NEAR(outR[i], refR[i], tolerance)
            << rate << " Hz, shape " << shape << ", right, sample " << i;
        largest = std::max({largest, std::fabs(outL[i]), std::fabs(outR[i])});
      }
      EXPECT_GT(largest, 0.02) << "the comparison is of real signal";
#if FLT_EVAL_METHOD == 0
      // What the sections keep between blocks is the fresh design, as SetFrequency leaves it.
      HighPassBiquad fresh;
      fresh.SetSampleRate(rate);
      fresh.SetFrequency(plug->GetHighPass(0).Frequency());
      for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(plug->GetHighPass(c).A1(), fresh.A1()) << "shape " << shape;
        EXPECT_EQ(plug->GetHighPass(c).A2(), fresh.A2()) << "shape " << shape;
        EXPECT_EQ(plug->GetHighPass(c).B0(), fresh.B0()) << "shape " << shape;
      }
#endif
    }
  }
}

// Where a block is split must not change its samples: on every build, also on x87 where the
// registers hold more bits than the stored state.
TEST(FilterBlockSplit, AControllerLeavesTheSamplesUpToItsOffsetAsWithoutIt) {
  struct Setting {
    double cutoff;
    float resonance;
  };
  const Setting settings[] = {{18000.0, 0.35f}, {1000.0, 0.5f}, {440.0, 0.0f}, {5123.4, 1.0f}};
  int cases = 0, differing = 0;
  for (const Setting& setting : settings) {
    for (int shape : {0, 1, 2}) {
      for (unsigned char controller : {74, 71}) {
        for (unsigned char data : {0, 20, 127}) {
          TestHost plain{KorvaneMain}, split{KorvaneMain};
          for (TestHost* h : {&plain, &split}) {
            ASSERT_NE(h->Effect(), nullptr) << h->Error();
            h->Start(44100.0f, 64);
            h->SetParameter(KorvaneFilter::kShape, shape / 2.0f);
            h->SetParameter(KorvaneFilter::kCutoff, CutoffNormalized(setting.cutoff));
            h->SetParameter(KorvaneFilter::kResonance, setting.resonance);
            h->Dispatch(effMainsChanged, 0, 0);
            h->Dispatch(effMainsChanged, 0, 1);
          }
          const std::vector<double> inL = Noise(64 * 3, 21), inR = Noise(inL.size(), 22);
          std::vector<double> outL[2], outR[2];
          int k = 0;
          for (TestHost* h : {&plain, &split}) {
            outL[k].assign(inL.size(), 0.0);
            outR[k].assign(inL.size(), 0.0);
            for (size_t at = 0; at < inL.size(); at += 64) {
              // The second block: one instance gets the controller at offset 5.
              if (h == &split && at == 64) h->SendMidi({{5, 0xB0, controller, data}});
              double* in2[] = {const_cast<double*>(inL.data()) + at,
                               const_cast<double*>(inR.data()) + at};
              double* out2[] = {outL[k].data() + at, outR[k].data() + at};
              h->ProcessDouble(in2, out2, 64);
            }
            ++k;
          }
          const std::string what = "cutoff " + std::to_string(setting.cutoff) + " Hz, resonance " +
                                   std::to_string(setting.resonance) + ", shape " +
                                   std::to_string(shape) + ", controller " +
                                   std::to_string(controller) + " = " + std::to_string(data);
          for (size_t i = 0; i <= 64 + 5; ++i) {
            EXPECT_EQ(outL[1][i], outL[0][i]) << what << ", left, sample " << i;
            EXPECT_EQ(outR[1][i], outR[0][i]) << what << ", right, sample " << i;
            if (outL[1][i] != outL[0][i]) {
              ++differing;
              break;
            }
          }
          ++cases;
        }
      }
    }
  }
  EXPECT_EQ(differing, 0) << "of " << cases;
}

TEST(FilterBlockSplit, AtRestTheHostsBlockSizeChangesNoSample) {
  const std::vector<double> inL = Noise(1200, 31), inR = Noise(inL.size(), 32);
  for (int shape : {0, 1, 2}) {
    std::vector<double> outL[3], outR[3];
    const int blocks[] = {1200, 100, 7};
    for (int k = 0; k < 3; ++k) {
      TestHost h{KorvaneMain};
      ASSERT_NE(h.Effect(), nullptr) << h.Error();
      h.Start(48000.0f, blocks[k]);
      h.SetParameter(KorvaneFilter::kShape, shape / 2.0f);
      h.SetParameter(KorvaneFilter::kCutoff, CutoffNormalized(2500.0));
      h.SetParameter(KorvaneFilter::kResonance, 0.7f);
      h.Dispatch(effMainsChanged, 0, 0);
      h.Dispatch(effMainsChanged, 0, 1);
      outL[k].assign(inL.size(), 0.0);
      outR[k].assign(inL.size(), 0.0);
      for (size_t at = 0; at < inL.size(); at += static_cast<size_t>(blocks[k])) {
        const int n = static_cast<int>(std::min<size_t>(blocks[k], inL.size() - at));
        double* in2[] = {const_cast<double*>(inL.data()) + at,
                         const_cast<double*>(inR.data()) + at};
        double* out2[] = {outL[k].data() + at, outR[k].data() + at};
        h.ProcessDouble(in2, out2, n);
      }
    }
    for (int k = 1; k < 3; ++k) {
      for (size_t i = 0; i < inL.size(); ++i) {
        ASSERT_EQ(outL[k][i], outL[0][i])
            << "shape " << shape << ", blocks of " << blocks[k] << ", left, sample " << i;
        ASSERT_EQ(outR[k][i], outR[0][i])
            << "shape " << shape << ", blocks of " << blocks[k] << ", right, sample " << i;
      }
    }
  }
}
