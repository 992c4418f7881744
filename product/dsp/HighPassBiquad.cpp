#include "product/dsp/HighPassBiquad.h"

#include <cmath>

HighPassBiquad::HighPassBiquad() noexcept {
  HighPassBiquad::UpdateCoefficients();
}

void HighPassBiquad::SetSampleRate(double rate) noexcept {
  mSampleRate = rate;
  UpdateCoefficients();
  mX1 = 0.0;
  mX2 = 0.0;
  mY1 = 0.0;
  mY2 = 0.0;
}

void HighPassBiquad::SetFrequency(double hz) noexcept {
  if (hz == mFrequency) return;
  mFrequency = hz;
  UpdateCoefficients();
}

void HighPassBiquad::UpdateCoefficients() noexcept {
  // Audio EQ Cookbook, HPF: w0 = 2 pi f0 / Fs, alpha = sin(w0) / (2 Q),
  // b0 = b2 = (1 + cos w0) / 2, b1 = -(1 + cos w0), a0 = 1 + alpha, a1 = -2 cos w0,
  // a2 = 1 - alpha; everything but a0 divided by a0.
  const double w = mFrequency / mSampleRate * 6.283185307179586;
  const double cosw = std::cos(w);
  const double alpha = std::sin(w) / (2.0 * mQ);
  mA0 = 1.0 + alpha;
  const double n = 1.0 / mA0;
  mA1 = -2.0 * cosw * n;
  mA2 = (1.0 - alpha) * n;
  mB0 = (1.0 + cosw) * 0.5 * n;
  mB1 = -(1.0 + cosw) * n;
  mB2 = mB0;
}
