#pragma once

#include <cmath>

#include "platform/Numeric.h"
#include "product/dsp/DoublePair.h"

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
  /// The frequency and the coefficients UpdateCoefficients derives from it at this sample rate.
  struct Coefficients {
    double frequency, a0, a1, a2, b0, b1, b2;
  };
  Coefficients GetCoefficients() const noexcept {
    return {mFrequency, mA0, mA1, mA2, mB0, mB1, mB2};
  }
  /// Takes coefficients another section at the same sample rate computed, keeping this one's
  /// history: the same as SetFrequency with their frequency.
  void SetCoefficients(const Coefficients& c) noexcept {
    mFrequency = c.frequency;
    mA0 = c.a0;
    mA1 = c.a1;
    mA2 = c.a2;
    mB0 = c.b0;
    mB1 = c.b1;
    mB2 = c.b2;
  }

  /// The design for corner frequency hz at quality q, given sin w and cos w of its angular
  /// frequency w = 2 pi hz / rate: what UpdateCoefficients computes, with the library's sin and
  /// cos.
  static Coefficients Design(double hz, double sinw, double cosw, double q) noexcept;
  /// Design for two frequencies at once, each lane with exactly Design's operations.
  static void DesignPair(const double hz[2], const double sinw[2], const double cosw[2], double q,
                         Coefficients c[2]) noexcept;
  /// Highest frequency the section is designed at, as a fraction of the sample rate. At half
  /// the rate and above the design's poles leave the unit circle and the output grows without
  /// bound, so a higher corner frequency is designed at this one (the stored frequency stays as
  /// set). The plug-in's corners stay below it at every rate from 30 kHz up.
  static constexpr double kMaxNormalisedFrequency = 0.45;

  /// The highest design frequency at this sample rate, in Hz.
  double MaxDesignFrequency() const noexcept { return kMaxNormalisedFrequency * mSampleRate; }
  /// The frequency the design uses for corner frequency hz: hz, or the highest allowed one
  /// (also for a NaN).
  double DesignFrequency(double hz) const noexcept {
    const double most = MaxDesignFrequency();
    return hz < most ? hz : most;
  }
  /// The design's angular frequency for corner frequency hz at this section's sample rate, in
  /// radians per sample.
  double AngularFrequency(double hz) const noexcept {
    // Rounded at every step, so that the angle of a frequency is the same wherever it is
    // computed (see Design).
    return RoundToDouble(RoundToDouble(DesignFrequency(hz) / mSampleRate) * 6.283185307179586);
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
  /// The design's arithmetic, for one section (double) or two (DoublePair).
  template <typename T>
  static void DesignTerms(const T& sinw, const T& cosw, double q, T& a0, T& a1, T& a2, T& b0,
                          T& b1) noexcept;
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

// Inline: called per sample while a glide moves.
inline void HighPassBiquad::SetFrequency(double hz) noexcept {
  if (hz == mFrequency) return;
  mFrequency = hz;
  UpdateCoefficients();
}

template <typename T>
inline void HighPassBiquad::DesignTerms(const T& sinw, const T& cosw, double q, T& a0, T& a1, T& a2,
                                        T& b0, T& b1) noexcept {
  // Audio EQ Cookbook, HPF: alpha = sin(w0) / (2 Q), b0 = b2 = (1 + cos w0) / 2,
  // b1 = -(1 + cos w0), a0 = 1 + alpha, a1 = -2 cos w0, a2 = 1 - alpha; everything but a0
  // divided by a0.
  // Every intermediate is rounded to a double: on x87 a design computed where the compiler
  // keeps more bits in registers would otherwise differ in its last bits from the same design
  // computed elsewhere, and a design recomputed for an unchanged frequency would change the
  // sound. Elsewhere the rounding costs nothing.
  T alpha = sinw / (2.0 * q);
  RoundInPlace(alpha);
  a0 = 1.0 + alpha;
  RoundInPlace(a0);
  T n = 1.0 / a0;
  RoundInPlace(n);
  T twoCos = -2.0 * cosw;
  RoundInPlace(twoCos);
  a1 = twoCos * n;
  T oneMinus = 1.0 - alpha;
  RoundInPlace(oneMinus);
  a2 = oneMinus * n;
  T onePlus = 1.0 + cosw;
  RoundInPlace(onePlus);
  T half = onePlus * 0.5;
  RoundInPlace(half);
  b0 = half * n;
  b1 = -onePlus * n;
  RoundInPlace(a1);
  RoundInPlace(a2);
  RoundInPlace(b0);
  RoundInPlace(b1);
}

inline HighPassBiquad::Coefficients HighPassBiquad::Design(double hz, double sinw, double cosw,
                                                           double q) noexcept {
  Coefficients c;
  c.frequency = hz;
  DesignTerms(sinw, cosw, q, c.a0, c.a1, c.a2, c.b0, c.b1);
  c.b2 = c.b0;
  return c;
}

inline void HighPassBiquad::DesignPair(const double hz[2], const double sinw[2],
                                       const double cosw[2], double q, Coefficients c[2]) noexcept {
  const DoublePair s = {sinw[0], sinw[1]}, k = {cosw[0], cosw[1]};
  DoublePair a0, a1, a2, b0, b1;
  DesignTerms(s, k, q, a0, a1, a2, b0, b1);
  for (int i = 0; i < 2; ++i) c[i] = {hz[i], a0[i], a1[i], a2[i], b0[i], b1[i], b0[i]};
}

inline void HighPassBiquad::UpdateCoefficients() noexcept {
  // w0 = 2 pi f0 / Fs, below the highest allowed design frequency.
  const double w = AngularFrequency(mFrequency);
  SetCoefficients(Design(mFrequency, RoundToDouble(std::sin(w)), RoundToDouble(std::cos(w)), mQ));
}
