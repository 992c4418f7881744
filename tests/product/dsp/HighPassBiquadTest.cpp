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
