#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

/// Peak and RMS of a signal over all its channels, in full-scale units and in dBFS.
class LevelStats {
 public:
  void Add(const double* samples, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      const double s = samples[i];
      mPeak = std::max(mPeak, std::fabs(s));
      mSumOfSquares += s * s;
    }
    mCount += count;
  }

  double Peak() const { return mPeak; }
  double Rms() const {
    return mCount ? std::sqrt(mSumOfSquares / static_cast<double>(mCount)) : 0.0;
  }
  double PeakDbfs() const { return Dbfs(Peak()); }
  double RmsDbfs() const { return Dbfs(Rms()); }

  /// 20·log10 of the level; silence is minus infinity.
  static double Dbfs(double level) {
    return level > 0.0 ? 20.0 * std::log10(level) : -std::numeric_limits<double>::infinity();
  }

 private:
  double mPeak = 0.0;
  double mSumOfSquares = 0.0;
  int64_t mCount = 0;
};
