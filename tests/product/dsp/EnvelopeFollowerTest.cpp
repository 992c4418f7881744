#include <gtest/gtest.h>

#include <cmath>

#include "product/dsp/EnvelopeFollower.h"

namespace {

EnvelopeFollower Make(double rate, double attackMs, double releaseMs) {
  EnvelopeFollower e;
  e.SetAttack(attackMs);
  e.SetRelease(releaseMs);
  e.SetSampleRate(rate);
  return e;
}

}  // namespace

TEST(EnvelopeFollower, CoefficientsMatchTimeConstants) {
  const EnvelopeFollower e = Make(44100.0, 10.0, 500.0);
  EXPECT_NEAR(e.AttackCoefficient(), 0.99773499530692, 1e-14) << "10 ms at 44100 Hz";
  EXPECT_NEAR(e.ReleaseCoefficient(), 0.99995464955444, 1e-14) << "500 ms at 44100 Hz";
}

TEST(EnvelopeFollower, RisesAndFallsByOneOverEPerTimeConstant) {
  for (double rate : {44100.0, 96000.0}) {
    EnvelopeFollower e = Make(rate, 10.0, 500.0);
    const int attack = static_cast<int>(rate * 0.010);
    const int release = static_cast<int>(rate * 0.500);
    for (int n = 0; n < attack; ++n) e.Process(n % 2 ? 1.0 : -1.0);
    EXPECT_NEAR(e.Envelope(), 1.0 - std::exp(-1.0), 1e-9) << "after 10 ms of |x| = 1 at " << rate;
    const double peak = e.Envelope();
    for (int n = 0; n < release; ++n) e.Process(0.0);
    EXPECT_NEAR(e.Envelope(), peak * std::exp(-1.0), 1e-9) << "after 500 ms of silence";
    e.SetSampleRate(rate);
    EXPECT_EQ(e.Envelope(), 0.0) << "SetSampleRate resets the envelope";
  }
}

TEST(EnvelopeFollower, ZeroOrNegativeTimeFollowsAtOnceAlsoAfterRateChange) {
  EnvelopeFollower e = Make(44100.0, 10.0, 500.0);
  e.SetAttack(0.0);
  e.SetRelease(-5.0);
  e.SetSampleRate(48000.0);
  EXPECT_EQ(e.AttackCoefficient(), 0.0) << "a 0 ms attack survives a sample-rate change";
  EXPECT_EQ(e.ReleaseCoefficient(), 0.0) << "a negative release counts as 0";
  EXPECT_EQ(e.Process(-0.7), 0.7);
  EXPECT_EQ(e.Process(0.2), 0.2);
}
