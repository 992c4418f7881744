#include "product/dsp/LadderFilter.h"

#include <cmath>

LadderFilter::LadderFilter() noexcept {
  UpdateCoefficients();
}

void LadderFilter::SetSampleRate(double rate) noexcept {
  mSampleRate = rate;
  for (double& d : mDelay) d = 0.0;
  for (double& t : mStageTanh) t = 0.0;
  UpdateCoefficients();
}

void LadderFilter::SetCutoff(double hz) noexcept {
  if (hz == mCutoff) return;
  mCutoff = hz;
  UpdateCoefficients();
}

void LadderFilter::SetResonance(double resonance) noexcept {
  if (resonance == mResonance) return;
  mResonance = resonance;
  UpdateCoefficients();
}

void LadderFilter::UpdateCoefficients() noexcept {
  double fc = mCutoff / mSampleRate;
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
  const double fcr = (1.873 * e + 0.4955) * (e * e) - 0.649 * e + 0.9988;
  const double acr = 1.8409 * e - 3.9364 * (e * e) + 0.9968;
  mFc = fc;
  mE = e;
  mFcr = fcr;
  mResQuad = acr * mResonance * 4.0;
  mTune = (1.0 - std::exp(-6.283185307179586 * fc * fcr)) * 40000.0;
}
