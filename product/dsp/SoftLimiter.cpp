#include "product/dsp/SoftLimiter.h"

#include <algorithm>

double LimitBuffer(double* samples, int count) noexcept {
  double peak = 0.0;
  for (int i = 0; i < count; ++i) {
    const double v = samples[i];
    if (v > 0.5) {
      peak = std::max(peak, v);
      samples[i] = SoftKnee(v);
    } else if (v < -0.5) {
      peak = std::max(peak, -v);
      samples[i] = -SoftKnee(-v);
    }
  }
  const double r = peak - 0.5;
  if (r <= 0.0) return 0.0;
  if (r >= 1.0) return 1.0;
  return r;
}
