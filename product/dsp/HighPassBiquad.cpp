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
