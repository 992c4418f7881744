#pragma once

#include <cmath>

#include "platform/Numeric.h"

/// sin and cos of angles near one evaluated afresh: sin(w + d) and cos(w + d) for small d by
/// turning the fresh pair through d, which costs a few multiplications instead of a library
/// call. A gliding filter evaluates its angle afresh once for a stretch of samples and reaches
/// the others from there.
///
/// Accuracy: about one unit in the last place beyond the fresh values, for |d| <= kReach; the
/// results do not drift, since every angle is reached from the fresh one directly.
///
/// A value type; allocates nothing.
class NearbySinCos {
 public:
  /// How far from the fresh angle At is accurate, in radians.
  static constexpr double kReach = 0.125;

  /// [any thread] Evaluates sin w and cos w afresh.
  void Reset(double w) noexcept {
    mSin = RoundToDouble(std::sin(w));
    mCos = RoundToDouble(std::cos(w));
  }

  double Sin() const noexcept { return mSin; }
  double Cos() const noexcept { return mCos; }

  /// [any thread] sin and cos of the fresh angle plus d, |d| <= kReach. Plain arithmetic
  /// without branches, so a loop over many d runs several per vector operation.
  void At(double d, double& s, double& c) const noexcept {
    // Taylor series of sin d and cos d - 1; for |d| <= 1/8 the first omitted terms are below
    // 1e-17.
    const double d2 = d * d;
    const double sinD =
        d +
        d * d2 * (-1.0 / 6.0 + d2 * (1.0 / 120.0 + d2 * (-1.0 / 5040.0 + d2 * (1.0 / 362880.0))));
    const double cosDm1 =
        d2 * (-0.5 + d2 * (1.0 / 24.0 +
                           d2 * (-1.0 / 720.0 + d2 * (1.0 / 40320.0 + d2 * (-1.0 / 3628800.0)))));
    // The small corrections are added last, so the rounding stays at the size of the result's
    // last place.
    s = mSin + (mSin * cosDm1 + mCos * sinD);
    c = mCos + (mCos * cosDm1 - mSin * sinD);
  }

 private:
  double mSin = 0.0;
  double mCos = 1.0;
};
