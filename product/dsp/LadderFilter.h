#pragma once

#include <cfloat>
#include <cmath>

#include "platform/Numeric.h"

/// Four-stage non-linear low-pass ladder after Huovilainen's model of the Moog transistor
/// ladder: cutoff and resonance tuning polynomials, thermal scaling of the stage saturation and
/// half-sample phase compensation of the output, run once per sample without oversampling.
///
/// A value type: owns its state, allocates nothing. Ready after construction. Only
/// SetSampleRate clears the signal history; SetCutoff and SetResonance keep it and recompute
/// the derived coefficients only when the value actually changes, so they may be called every
/// sample while a glide moves.
class LadderFilter {
 public:
  LadderFilter() noexcept;

  /// Stores the rate (Hz), clears the nine state values and recomputes the coefficients.
  void SetSampleRate(double rate) noexcept;
  /// Cutoff in Hz. An exactly equal value recomputes nothing.
  void SetCutoff(double hz) noexcept;
  /// Resonance, 0..1 in the plug-in (about 1 self-oscillates). An equal value recomputes nothing.
  void SetResonance(double resonance) noexcept;

  /// Filters one sample. An input of exactly 0 is taken as 1e-10 so that the stages never decay
  /// into denormals (the x87 build has no flush-to-zero); the output then settles at a tiny
  /// constant instead of 0.
  double Process(double x) noexcept;
  /// The cutoff, resonance and what UpdateCoefficients derives from them at this sample rate.
  struct Coefficients {
    double cutoff, resonance, fc, e, fcr, resQuad, tune;
  };
  Coefficients GetCoefficients() const noexcept {
    return {mCutoff, mResonance, mFc, mE, mFcr, mResQuad, mTune};
  }
  /// Takes coefficients another ladder at the same sample rate computed, keeping this one's
  /// signal history: the same as SetCutoff and SetResonance with their values, without
  /// computing them twice for a channel pair or a run of samples.
  void SetCoefficients(const Coefficients& c) noexcept {
    mCutoff = c.cutoff;
    mResonance = c.resonance;
    mFc = c.fc;
    mE = c.e;
    mFcr = c.fcr;
    mResQuad = c.resQuad;
    mTune = c.tune;
  }

  /// Saturation of one stage: p / (p + 12) with p = t (t (t + 3) + 6), t = v / 20000. p is six
  /// times the third-order Taylor polynomial of e^t - 1, so this approximates
  /// tanh(t / 2) = tanh(v / 40000), the model's tanh(v * thermal) with thermal = 1/40000.
  static double TanhApprox(double v) noexcept;

  double Cutoff() const noexcept { return mCutoff; }
  double Resonance() const noexcept { return mResonance; }
  double SampleRate() const noexcept { return mSampleRate; }
  /// Normalised cutoff: cutoff / sample rate after the resonance-dependent limit.
  double Fc() const noexcept { return mFc; }
  /// 2 * fc, where the tuning polynomials are evaluated.
  double E() const noexcept { return mE; }
  /// Cutoff tuning factor.
  double Fcr() const noexcept { return mFcr; }
  /// Resonance feedback gain: acr * resonance * 4.
  double ResQuad() const noexcept { return mResQuad; }
  /// Per-stage integration gain.
  double Tune() const noexcept { return mTune; }

 private:
  friend class LadderPair;  // runs two ladders' recursions side by side
  void UpdateCoefficients() noexcept;
  // TanhApprox in place, on one value (double) or two side by side (DoublePair).
  template <typename T>
  static void Saturate(T& v) noexcept;
  // One sample of the recursion, in place on the state: x in, the output out. For one ladder
  // (double) or two side by side (DoublePair), with the same operations either way. All by
  // reference: the 32-bit build has no SSE registers to pass a vector in.
  //
  // On x87 (FLT_EVAL_METHOD 2) the step is never inlined: inlined into different loops, the
  // compiler keeps different intermediates in 80-bit registers, and the same sample would come
  // out with different last bits depending on where a block was split. Out of line there is one
  // machine code for every caller, and the state passes through memory as doubles each sample.
  template <typename T>
#if FLT_EVAL_METHOD != 0
  __attribute__((noinline))
#endif
  static void
  Step(T& x, const T& tune, const T& resQuad, T (&delay)[6], T (&stageTanh)[3]) noexcept;

  double mCutoff = 1.0;          // Hz, as last set
  double mResonance = 1.0;       // as last set
  double mSampleRate = 44100.0;  // Hz
  // [0..3] each stage's output at the previous sample; [4] the previous last-stage output;
  // [5] the previous filter output (half-sample average), also the resonance feedback tap.
  double mDelay[6] = {};
  double mStageTanh[3] = {};  // saturated outputs of stages 0, 1, 2 at the previous sample
  double mFc = 0.0;           // cutoff / sample rate, limited; cycles per sample
  double mE = 0.0;            // 2 * fc
  double mFcr = 0.0;          // cutoff tuning factor, dimensionless
  double mResQuad = 0.0;      // resonance feedback gain, dimensionless
  double mTune = 0.0;         // per-stage integration gain, scaled by 1 / thermal = 40000
};

template <typename T>
inline void LadderFilter::Saturate(T& v) noexcept {
  const T t = v * 0.00005;
  const T p = t * (t * (t + 3.0) + 6.0);
  v = p / (p + 12.0);
}

inline double LadderFilter::TanhApprox(double v) noexcept {
  Saturate(v);
  return v;
}

template <typename T>
void LadderFilter::Step(T& x, const T& tune, const T& resQuad, T (&delay)[6],
                        T (&stageTanh)[3]) noexcept {
  T d0 = delay[0], d1 = delay[1], d2 = delay[2], d3 = delay[3];
  T t0 = stageTanh[0], t1 = stageTanh[1], t2 = stageTanh[2];

  // The last stage subtracts its own saturation from before this sample's update; computing it
  // first keeps it off the dependency chain through the other stages.
  T t3 = d3;
  Saturate(t3);
  T in = x - resQuad * delay[5];
  Saturate(in);
  d0 = d0 + tune * (in - t0);
  t0 = d0;
  Saturate(t0);
  d1 = d1 + tune * (t0 - t1);
  t1 = d1;
  Saturate(t1);
  d2 = d2 + tune * (t1 - t2);
  t2 = d2;
  Saturate(t2);
  d3 = d3 + tune * (t2 - t3);
  // Half-sample phase compensation: the output is the average of this and the previous
  // last-stage output.
  x = (d3 + delay[4]) * 0.5;

  delay[0] = d0;
  delay[1] = d1;
  delay[2] = d2;
  delay[3] = d3;
  delay[4] = d3;
  delay[5] = x;
  stageTanh[0] = t0;
  stageTanh[1] = t1;
  stageTanh[2] = t2;
}

inline double LadderFilter::Process(double x) noexcept {
  if (x == 0.0) x = 1e-10;
  Step(x, mTune, mResQuad, mDelay, mStageTanh);
  return x;
}

// Inline: called per sample while a glide moves.
inline void LadderFilter::SetCutoff(double hz) noexcept {
  if (hz == mCutoff) return;
  mCutoff = hz;
  UpdateCoefficients();
}

inline void LadderFilter::SetResonance(double resonance) noexcept {
  if (resonance == mResonance) return;
  mResonance = resonance;
  UpdateCoefficients();
}

inline void LadderFilter::UpdateCoefficients() noexcept {
  // Every intermediate is rounded to a double (free except on x87, where the registers hold
  // more bits): coefficients recomputed from unchanged values are then the same bits wherever
  // the compiler placed the computation, so where a block is split cannot change the sound.
  double fc = RoundToDouble(mCutoff / mSampleRate);
  // With feedback the ladder is only stable up to a quarter of the sample rate; the limit
  // rises linearly to Nyquist as the resonance falls towards 0, and without feedback there is
  // none.
  if (mResonance != 0.0) {
    const double limit = mResonance < 0.25 ? 0.5 - mResonance : 0.25;
    if (!(limit > fc)) fc = limit;
  }
  // The tuning polynomials are evaluated at twice the normalised cutoff, as in the model's
  // two-times-oversampled form; the exponent below uses fc itself.
  const double e = 2.0 * fc;
  const double e2 = RoundToDouble(e * e);
  const double fcr =
      RoundToDouble(RoundToDouble(RoundToDouble(RoundToDouble(1.873 * e) + 0.4955) * e2) -
                    RoundToDouble(0.649 * e)) +
      0.9988;
  const double acr = RoundToDouble(RoundToDouble(1.8409 * e) - RoundToDouble(3.9364 * e2)) + 0.9968;
  mFc = fc;
  mE = e;
  mFcr = RoundToDouble(fcr);
  mResQuad = RoundToDouble(RoundToDouble(RoundToDouble(acr) * mResonance) * 4.0);
  const double decay =
      RoundToDouble(std::exp(RoundToDouble(RoundToDouble(-6.283185307179586 * fc) * mFcr)));
  mTune = RoundToDouble(RoundToDouble(1.0 - decay) * 40000.0);
}
