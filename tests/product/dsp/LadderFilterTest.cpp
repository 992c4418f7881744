#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "product/dsp/LadderFilter.h"
#include "tests/product/dsp/SineResponse.h"

namespace {

LadderFilter MakeLadder(double rate, double cutoff, double resonance) {
  LadderFilter f;
  f.SetSampleRate(rate);
  f.SetCutoff(cutoff);
  f.SetResonance(resonance);
  return f;
}

}  // namespace

TEST(LadderFilter, TuningPolynomialsAt1000HzAnd44100Hz) {
  // At resonance 0.25 the feedback gain acr * 0.25 * 4 is acr itself.
  const LadderFilter f = MakeLadder(44100.0, 1000.0, 0.25);
  EXPECT_NEAR(f.E(), 0.045351473922902494, 1e-15);
  EXPECT_NEAR(f.Fc(), 0.045351473922902494 / 2, 1e-15);
  EXPECT_NEAR(f.Fcr(), 0.9705607237944223, 1e-13);
  EXPECT_NEAR(f.ResQuad(), 1.0721913132902443, 1e-13) << "acr";
  EXPECT_NEAR(f.Tune(), 5165.85851743209, 1e-8);
  EXPECT_NEAR(MakeLadder(44100.0, 1000.0, 0.35).ResQuad(), 1.0721913132902443 * 1.4, 1e-13);
}

TEST(LadderFilter, LimitsNormalisedCutoffByResonance) {
  EXPECT_NEAR(MakeLadder(44100.0, 20000.0, 0.1).Fc(), 0.4, 1e-15) << "resonance 0.1";
  EXPECT_NEAR(MakeLadder(44100.0, 15000.0, 0.3).Fc(), 0.25, 1e-15) << "resonance 0.3";
  EXPECT_NEAR(MakeLadder(44100.0, 15000.0, 1.0).Fc(), 0.25, 1e-15) << "resonance 1";
  EXPECT_NEAR(MakeLadder(44100.0, 11000.0, 0.3).Fc(), 11000.0 / 44100.0, 1e-15)
      << "below the limit";
  EXPECT_NEAR(MakeLadder(22050.0, 18000.0, 0.0).Fc(), 0.8163265306122449, 1e-15)
      << "resonance 0 has no limit";
}

TEST(LadderFilter, SettlesAtTinyConstantOnZeroInput) {
  LadderFilter f = MakeLadder(44100.0, 1000.0, 0.35);
  double y = 0.0;
  for (int n = 0; n < 44100; ++n) y = f.Process(0.0);
  // Zeros are taken as 1e-10; the ladder's DC gain with feedback is 1 / (1 + resQuad).
  EXPECT_EQ(std::fpclassify(y), FP_NORMAL) << "output " << y;
  EXPECT_NEAR(y, 1e-10 / (1.0 + f.ResQuad()), 1e-16);
  double drift = 0.0;
  for (int n = 0; n < 1000; ++n) drift = std::max(drift, std::fabs(f.Process(0.0) - y));
  EXPECT_LT(drift, 1e-20) << "the output keeps moving at rest";
}

TEST(LadderFilter, EqualCutoffOrResonanceRecomputesNothing) {
  // -0.0 equals 0.0, but a recomputation from -0.0 would leave negative zeros in the
  // coefficients.
  LadderFilter f = MakeLadder(44100.0, 0.0, 0.0);
  f.SetCutoff(-0.0);
  f.SetResonance(-0.0);
  EXPECT_FALSE(std::signbit(f.Cutoff()));
  EXPECT_FALSE(std::signbit(f.Fc())) << "SetCutoff recomputed for an equal value";
  EXPECT_FALSE(std::signbit(f.ResQuad())) << "SetResonance recomputed for an equal value";

  LadderFilter g = MakeLadder(44100.0, 1000.0, 0.5);
  g.SetCutoff(-0.0);
  g.SetResonance(-0.0);
  EXPECT_TRUE(std::signbit(g.Fc())) << "a changed cutoff must recompute";
  EXPECT_TRUE(std::signbit(g.ResQuad())) << "a changed resonance must recompute";
}

TEST(LadderFilter, SettersKeepHistoryAndSampleRateClearsIt) {
  LadderFilter a = MakeLadder(44100.0, 1000.0, 0.35);
  for (int n = 0; n < 100; ++n) a.Process(n % 2 ? 0.5 : -0.5);
  LadderFilter b = a;
  b.SetCutoff(2000.0);
  b.SetCutoff(1000.0);
  b.SetResonance(0.9);
  b.SetResonance(0.35);
  for (int n = 0; n < 10; ++n) EXPECT_DOUBLE_EQ(b.Process(0.25), a.Process(0.25)) << "sample " << n;

  a.SetSampleRate(44100.0);
  LadderFilter fresh = MakeLadder(44100.0, 1000.0, 0.35);
  for (int n = 0; n < 10; ++n)
    EXPECT_DOUBLE_EQ(a.Process(0.25), fresh.Process(0.25)) << "sample " << n;
}

TEST(LadderFilter, LowPassFallsOffLikeFourPoles) {
  // Without feedback the ladder is four one-pole stages at the cutoff: |H(f)| =
  // (1 + (f / fc)^2)^-2, so about 0 dB well below, -12 dB at, -28 dB one and -49 dB two octaves
  // above the cutoff.
  const double cutoff = 1000.0;
  for (double hz : {100.0, 1000.0, 2000.0, 4000.0}) {
    LadderFilter f = MakeLadder(44100.0, cutoff, 0.0);
    const double expected = -40.0 * std::log10(1.0 + (hz / cutoff) * (hz / cutoff));
    EXPECT_NEAR(GainDb(f, hz, 44100.0), expected, hz < cutoff ? 0.3 : 1.5) << hz << " Hz";
  }
}

TEST(LadderFilter, TanhApproxFollowsTanhOfVOver40000) {
  for (double v = -10000.0; v <= 10000.0; v += 250.0) {
    EXPECT_NEAR(LadderFilter::TanhApprox(v), std::tanh(v / 40000.0), 0.005) << "v = " << v;
  }
  EXPECT_NEAR(LadderFilter::TanhApprox(1.0) * 40000.0, 1.0, 1e-6) << "unit slope at 0";
}
