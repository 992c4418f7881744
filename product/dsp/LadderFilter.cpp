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
