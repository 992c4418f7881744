#include "product/dsp/EnvelopeFollower.h"

#include <cmath>

namespace {

// One-pole coefficient for a time constant of ms milliseconds: exp(-1 / samples). A time of 0
// gives 0 (no smoothing). A negative or NaN time (or rate) counts as 0: it would give a
// coefficient above 1 or NaN, and an envelope that grows without bound.
double Coefficient(double ms, double sampleRate) {
  const double samples = ms * sampleRate * 0.001;
  if (!(samples > 0.0)) return 0.0;
  return std::exp(-1.0 / samples);
}

}  // namespace

void EnvelopeFollower::SetAttack(double ms) noexcept {
  // The time is stored also when it is 0, so that a later SetSampleRate keeps the 0.
  mAttackMs = ms;
  mAttackCoefficient = Coefficient(ms, mSampleRate);
}

void EnvelopeFollower::SetRelease(double ms) noexcept {
  mReleaseMs = ms;
  mReleaseCoefficient = Coefficient(ms, mSampleRate);
}

void EnvelopeFollower::SetSampleRate(double rate) noexcept {
  mEnvelope = 0.0;
  mSampleRate = rate;
  mAttackCoefficient = Coefficient(mAttackMs, mSampleRate);
  mReleaseCoefficient = Coefficient(mReleaseMs, mSampleRate);
}
