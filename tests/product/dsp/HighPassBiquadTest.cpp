#include <gtest/gtest.h>

#include "product/dsp/HighPassBiquad.h"
#include "tests/product/dsp/SineResponse.h"

namespace {

class CountingHighPass : public HighPassBiquad {
 public:
  int updates = 0;

 protected:
  void UpdateCoefficients() noexcept override {
    ++updates;
    HighPassBiquad::UpdateCoefficients();
  }
};

HighPassBiquad MakeHighPass(double rate, double hz) {
  HighPassBiquad f;
  f.SetSampleRate(rate);
  f.SetFrequency(hz);
  return f;
}

}  // namespace

TEST(HighPassBiquad, EqualFrequencyRecomputesNothing) {
  CountingHighPass f;
  f.SetSampleRate(44100.0);
  EXPECT_EQ(f.updates, 1) << "SetSampleRate recomputes";
  f.SetFrequency(250.0);
  EXPECT_EQ(f.updates, 2) << "a new frequency recomputes";
  f.SetFrequency(250.0);
  EXPECT_EQ(f.updates, 2) << "an equal frequency recomputed";
}

TEST(HighPassBiquad, OutputsNearZeroBecomePositiveGuardAlsoInHistory) {
  HighPassBiquad f = MakeHighPass(44100.0, 1000.0);
  const double x0 = -3e-11 / f.B0();
  EXPECT_EQ(f.Process(x0), 1e-10) << "an output of -3e-11";
  // The next output, from silence, must be computed from the guarded +1e-10, not -3e-11.
  const double expected = f.B1() * x0 - f.A1() * 1e-10;
  EXPECT_NEAR(f.Process(0.0), expected, 1e-22);

  HighPassBiquad g = MakeHighPass(44100.0, 1000.0);
  for (int n = 0; n < 44100; ++n) {
    const double y = g.Process(0.0);
    ASSERT_TRUE(std::fabs(y) >= 1e-10) << "sample " << n << " of silence gave " << y;
  }
}

TEST(HighPassBiquad, AttenuatesThreeDecibelsAtItsFrequency) {
  // Butterworth (Q = 1/sqrt(2)): -3.01 dB at the corner, 12 dB per octave below it.
  for (double rate : {44100.0, 96000.0}) {
    for (double hz : {100.0, 1000.0, 5000.0}) {
      HighPassBiquad at = MakeHighPass(rate, hz);
      EXPECT_NEAR(GainDb(at, hz, rate), -3.01, 0.05) << hz << " Hz at " << rate << " Hz";
      HighPassBiquad above = MakeHighPass(rate, hz);
      EXPECT_NEAR(GainDb(above, 4 * hz, rate), 0.0, 0.1) << "4 x " << hz << " Hz";
      HighPassBiquad below = MakeHighPass(rate, hz);
      EXPECT_NEAR(GainDb(below, hz / 4, rate), -24.1, 1.0) << hz << " / 4 Hz";
    }
  }
}

TEST(HighPassBiquad, DesignsFromSinAndCosAreTheSectionsOwn) {
  HighPassBiquad f;
  f.SetSampleRate(48000.0);
  for (const double hz : {30.0, 250.0, 4000.0, 13500.0}) {
    f.SetFrequency(hz);
    const double w = f.AngularFrequency(hz);
    EXPECT_NEAR(w, 2.0 * 3.14159265358979323846 * hz / 48000.0, 1e-15);
    const HighPassBiquad::Coefficients c =
        HighPassBiquad::Design(hz, std::sin(w), std::cos(w), f.Q());
    EXPECT_EQ(c.frequency, hz);
    EXPECT_DOUBLE_EQ(c.a1, f.A1()) << hz;
    EXPECT_DOUBLE_EQ(c.a2, f.A2()) << hz;
    EXPECT_DOUBLE_EQ(c.b0, f.B0()) << hz;
    EXPECT_DOUBLE_EQ(c.b1, f.B1()) << hz;
    EXPECT_EQ(c.b2, c.b0);

    // Two at once: each lane exactly the single design.
    const double hzs[2] = {hz, hz * 1.01};
    const double s[2] = {std::sin(w), std::sin(f.AngularFrequency(hzs[1]))};
    const double k[2] = {std::cos(w), std::cos(f.AngularFrequency(hzs[1]))};
    HighPassBiquad::Coefficients pair[2];
    HighPassBiquad::DesignPair(hzs, s, k, f.Q(), pair);
    for (int i = 0; i < 2; ++i) {
      const HighPassBiquad::Coefficients one = HighPassBiquad::Design(hzs[i], s[i], k[i], f.Q());
      EXPECT_EQ(pair[i].frequency, one.frequency);
      EXPECT_DOUBLE_EQ(pair[i].a0, one.a0);
      EXPECT_DOUBLE_EQ(pair[i].a1, one.a1);
      EXPECT_DOUBLE_EQ(pair[i].a2, one.a2);
      EXPECT_DOUBLE_EQ(pair[i].b0, one.b0);
      EXPECT_DOUBLE_EQ(pair[i].b1, one.b1);
      EXPECT_DOUBLE_EQ(pair[i].b2, one.b2);
    }
  }
}
