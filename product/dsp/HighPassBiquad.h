#pragma once

#include "product/dsp/DoubleRounding.h"

/// Second-order high-pass section: the Audio EQ Cookbook high-pass design with a fixed Q of
/// 1/sqrt(2) (Butterworth, -3 dB at the set frequency), direct form I.
///
/// A value type: owns its state, allocates nothing. Ready after construction. Only
/// SetSampleRate clears the history; SetFrequency keeps it and recomputes the coefficients only
/// when the value actually changes, so it may be called every sample while a glide moves.
class HighPassBiquad {
 public:
  HighPassBiquad() noexcept;
  virtual ~HighPassBiquad() = default;
  HighPassBiquad(const HighPassBiquad&) = default;
  HighPassBiquad& operator=(const HighPassBiquad&) = default;

  /// Stores the rate (Hz), recomputes the coefficients, then clears the history.
  void SetSampleRate(double rate) noexcept;
  /// Corner frequency in Hz. An exactly equal value recomputes nothing.
  void SetFrequency(double hz) noexcept;

  /// Filters one sample. An output strictly inside (-1e-10, 1e-10) is replaced by +1e-10, also
  /// in the history, so that the recursion never decays into denormals (the x87 build has no
  /// flush-to-zero).
  double Process(double x) noexcept;
  /// Takes another section's frequency and coefficients, keeping this one's history: the result
  /// equals SetFrequency with the other's frequency at the same sample rate.
  void CopyCoefficientsFrom(const HighPassBiquad& other) noexcept {
    mFrequency = other.mFrequency;
    mA0 = other.mA0;
    mA1 = other.mA1;
    mA2 = other.mA2;
    mB0 = other.mB0;
    mB1 = other.mB1;
    mB2 = other.mB2;
  }

  double SampleRate() const noexcept { return mSampleRate; }
  double Frequency() const noexcept { return mFrequency; }
  double Q() const noexcept { return mQ; }
  /// Unnormalised a0 = 1 + alpha; the others are divided by it.
  double A0() const noexcept { return mA0; }
  double A1() const noexcept { return mA1; }
  double A2() const noexcept { return mA2; }
  double B0() const noexcept { return mB0; }
  double B1() const noexcept { return mB1; }
  double B2() const noexcept { return mB2; }

 protected:
  /// Computes a0..b2 from the frequency, the sample rate and Q.
  virtual void UpdateCoefficients() noexcept;

 private:
  double mSampleRate = 44100.0;    // Hz
  double mFrequency = 1.0;         // Hz
  double mQ = 0.7071067811865476;  // 1/sqrt(2), never changed
  double mA0 = 0.0;                // kept for reference, not used by the filter
  double mA1 = 0.0;                // a1..b2 are normalised by a0
  double mA2 = 0.0;
  double mB0 = 0.0;
  double mB1 = 0.0;
  double mB2 = 0.0;
  double mX1 = 0.0;  // previous input
  double mX2 = 0.0;  // input before that
  double mY1 = 0.0;  // previous output (after the guard)
  double mY2 = 0.0;  // output before that
};

inline double HighPassBiquad::Process(double x) noexcept {
  double y = mB0 * x + mB1 * mX1 + mB2 * mX2 - mA1 * mY1 - mA2 * mY2;
  y = RoundToDouble(y);
  if (y > -1e-10 && y < 1e-10) y = 1e-10;
  mX2 = mX1;
  mX1 = x;
  mY2 = mY1;
  mY1 = y;
  return y;
}
