// The filter's signal path for two channels, against its blocks run by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/Numeric.h"
#include "product/dsp/FilterChain.h"

namespace {

std::vector<double> Noise(size_t n, unsigned seed) {
  std::vector<double> v(n);
  unsigned s = seed;
  for (double& x : v) {
    s = s * 1664525u + 1013904223u;
    x = (static_cast<double>(s >> 8) / 16777216.0 - 0.5) * 0.6;
  }
  return v;
}

FilterChain Chain(int shape, double cutoff, double resonance, double rate) {
  FilterChain chain;
  chain.SetCutoffImmediate(cutoff);
  chain.SetResonanceImmediate(resonance);
  chain.SetShape(shape);
  chain.Reset(rate);
  return chain;
}

// Runs a block of n samples through the chain in one run.
void Block(FilterChain& chain, const std::vector<double>& inL, const std::vector<double>& inR,
           std::vector<double>& outL, std::vector<double>& outR, size_t at, int n) {
  chain.BeginBlock();
  chain.Process(inL.data() + at, inR.data() + at, outL.data() + at, outR.data() + at, 0, n);
}

}  // namespace

TEST(FilterChain, EachShapeIsItsLaddersThenItsHighPassAtItsRatioWithItsGain) {
  const double cutoff = 1500.0, resonance = 0.4, rate = 48000.0;
  for (int shape = 0; shape < FilterChain::kNumShapes; ++shape) {
    FilterChain chain = Chain(shape, cutoff, resonance, rate);
    LadderFilter ladder[2];
    HighPassBiquad highPass[2];
    for (int c = 0; c < 2; ++c) {
      ladder[c].SetSampleRate(rate);
      ladder[c].SetCutoff(cutoff);
      ladder[c].SetResonance(resonance);
      highPass[c].SetSampleRate(rate);
      highPass[c].SetFrequency(cutoff * FilterChain::kShapes[shape].highPassRatio);
    }
    const std::vector<double> inL = Noise(700, 1), inR = Noise(700, 2);
    std::vector<double> outL(inL.size()), outR(inL.size());
    Block(chain, inL, inR, outL, outR, 0, 700);
    const double gain = FilterChain::kShapes[shape].gain;
    for (size_t i = 0; i < inL.size(); ++i) {
      const double in[] = {inL[i], inR[i]}, out[] = {outL[i], outR[i]};
      for (int c = 0; c < 2; ++c) {
        double y = ladder[c].Process(in[c]);
        if (shape != FilterChain::kLowPass) y = highPass[c].Process(y) * gain;
        // The same arithmetic; x87 rounds its registers in places of the compiler's choosing.
        ASSERT_NEAR(out[c], y, 1e-12) << "shape " << shape << ", channel " << c << ", sample " << i;
      }
    }
  }
  EXPECT_EQ(FilterChain::kShapes[FilterChain::kBandPassWide].highPassRatio, 0.25);
  EXPECT_EQ(FilterChain::kShapes[FilterChain::kBandPassNarrow].gain, 8.0);
}

TEST(FilterChain, AShapeSelectedInsideABlockKeepsTheBlocksGainUntilTheNext) {
  FilterChain chain = Chain(FilterChain::kLowPass, 1000.0, 0.35, 44100.0);
  const std::vector<double> in = Noise(128, 3);
  std::vector<double> outL(in.size()), outR(in.size());
  chain.BeginBlock();
  chain.Process(in.data(), in.data(), outL.data(), outR.data(), 0, 10);
  chain.SetShape(FilterChain::kBandPassNarrow);
  EXPECT_EQ(chain.HighPass(0).Frequency(), 750.0) << "the sections follow the new shape at once";
  EXPECT_EQ(chain.HighPass(1).Frequency(), 750.0);
  chain.Process(in.data(), in.data(), outL.data(), outR.data(), 10, 64);
  // The rest of this block is still the low pass: the ladder output alone.
  FilterChain lowPass = Chain(FilterChain::kLowPass, 1000.0, 0.35, 44100.0);
  std::vector<double> refL(in.size()), refR(in.size());
  lowPass.BeginBlock();
  lowPass.Process(in.data(), in.data(), refL.data(), refR.data(), 0, 64);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(outL[i], refL[i]) << "sample " << i;
  EXPECT_EQ(chain.CurrentShape(), FilterChain::kBandPassNarrow);
}

TEST(FilterChain, ClearingAChannelRestartsItFromSilenceWithItsSettingsAndLeavesTheOther) {
  const int shape = FilterChain::kBandPassWide;
  FilterChain chain = Chain(shape, 2000.0, 0.6, 44100.0);
  FilterChain untouched = Chain(shape, 2000.0, 0.6, 44100.0);
  const std::vector<double> inL = Noise(1024, 4), inR = Noise(1024, 5);
  std::vector<double> outL(1024), outR(1024), refL(1024), refR(1024);
  Block(chain, inL, inR, outL, outR, 0, 512);
  Block(untouched, inL, inR, refL, refR, 0, 512);
  chain.ClearChannel(0);
  EXPECT_EQ(chain.Ladder(0).Cutoff(), 2000.0) << "settings kept";
  EXPECT_EQ(chain.HighPass(0).Frequency(), 500.0) << "settings kept";
  // From here the left channel runs as a freshly reset chain does; the right one goes on.
  FilterChain fresh = Chain(shape, 2000.0, 0.6, 44100.0);
  std::vector<double> freshL(1024), freshR(1024);
  Block(chain, inL, inR, outL, outR, 512, 512);
  Block(untouched, inL, inR, refL, refR, 512, 512);
  Block(fresh, inL, inR, freshL, freshR, 512, 512);
  for (size_t i = 512; i < 1024; ++i) {
    ASSERT_EQ(RoundToDouble(outL[i]), RoundToDouble(freshL[i])) << "left, sample " << i;
    ASSERT_EQ(RoundToDouble(outR[i]), RoundToDouble(refR[i])) << "right, sample " << i;
  }
  EXPECT_NE(outL[512], refL[512]) << "the left channel did restart";
}
