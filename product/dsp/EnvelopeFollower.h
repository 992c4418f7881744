#pragma once

#include <cmath>

/// Peak envelope with separate attack and release time constants:
/// envelope = |x| + (envelope - |x|) * c, with c = exp(-1 / (time in samples)), the attack
/// coefficient while |x| exceeds the envelope and the release coefficient otherwise.
///
/// A value type: owns its state, allocates nothing. Ready after construction (both times 0:
/// the envelope follows |x| exactly until times are set). SetSampleRate resets the envelope.
class EnvelopeFollower {
 public:
  EnvelopeFollower() noexcept = default;

  /// Attack time in ms; 0 (or less) makes the envelope jump to a rising input.
  void SetAttack(double ms) noexcept;
  /// Release time in ms; 0 (or less) makes the envelope drop to a falling input.
  void SetRelease(double ms) noexcept;
  /// Resets the envelope to 0, stores the rate (Hz) and recomputes both coefficients.
  void SetSampleRate(double rate) noexcept;

  /// Takes one sample and returns the new envelope.
  double Process(double x) noexcept;

  double Envelope() const noexcept { return mEnvelope; }
  double SampleRate() const noexcept { return mSampleRate; }
  double AttackCoefficient() const noexcept { return mAttackCoefficient; }
  double ReleaseCoefficient() const noexcept { return mReleaseCoefficient; }

 private:
  double mSampleRate = 44100.0;      // Hz
  double mEnvelope = 0.0;            // in the input's units
  double mAttackMs = 0.0;            // ms
  double mReleaseMs = 0.0;           // ms
  double mAttackCoefficient = 0.0;   // per sample, 0..1
  double mReleaseCoefficient = 0.0;  // per sample, 0..1
};

inline double EnvelopeFollower::Process(double x) noexcept {
  const double a = std::fabs(x);
  // Chosen by index rather than by a branch: which one applies changes with the signal from
  // sample to sample, and a mispredicted branch costs more than the whole update.
  const double coefficients[2] = {mReleaseCoefficient, mAttackCoefficient};
  const double c = coefficients[a > mEnvelope];
  mEnvelope = a + (mEnvelope - a) * c;
  return mEnvelope;
}
