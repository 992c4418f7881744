#pragma once

#include <cmath>

/// Gain in dB of a filter at one frequency: a unit sine is fed for half a second to let the
/// filter settle, then for one more second, over which the output's component at that frequency
/// is measured by correlation with sine and cosine (a single DFT bin; whole-Hz frequencies give
/// whole periods, so there is no leakage).
template <class Filter>
double GainDb(Filter& filter, double hz, double sampleRate) {
  const double w = 6.283185307179586 * hz / sampleRate;
  const long settle = static_cast<long>(sampleRate / 2);
  const long measure = static_cast<long>(sampleRate);
  for (long n = 0; n < settle; ++n) filter.Process(std::sin(w * n));
  double re = 0.0;
  double im = 0.0;
  for (long n = settle; n < settle + measure; ++n) {
    const double y = filter.Process(std::sin(w * n));
    re += y * std::cos(w * n);
    im += y * std::sin(w * n);
  }
  const double amplitude = 2.0 * std::hypot(re, im) / static_cast<double>(measure);
  return 20.0 * std::log10(amplitude);
}
