#pragma once

#include <cmath>

/// Soft limiter: magnitudes up to 0.5 pass unchanged; between 0.5 and 2.0 a quadratic Bezier
/// knee bends them towards the ceiling H = 0.98855309465694 (about -0.1 dBFS), which every
/// magnitude of 2.0 or more is mapped to.
///
/// The knee is the curve through P0 = (0.5, 0.5), P1 = (H, H), P2 = (2.0, H): its abscissa
/// x(s) = 0.5 + (2H - 1) s + (2.5 - 2H) s^2 is solved for s with the stored constants
/// (2H - 1)^2 = 0.9547365051954918, 4 (2.5 - 2H) = 2.0915752427444803, 2H - 1 =
/// 0.9771061893138799 and 1 / (2 (2.5 - 2H)) = 0.9562170937611985; its ordinate uses
/// 2H = 1.97710618931388 and H. It leaves y = x at 0.5 with slope 1 and meets the ceiling at
/// 2.0 with slope 0. The constants are used as stored, not recomputed from H.

/// The limiter's ceiling H.
constexpr double kSoftKneeCeiling = 0.98855309465694;

/// Bends a magnitude x: x itself up to 0.5, the knee up to 2.0, the ceiling from 2.0 on (and for
/// NaN).
inline double SoftKnee(double x) noexcept {
  if (!(x < 2.0)) return kSoftKneeCeiling;
  // Below the knee the quadratic has no real solution for small x; the limiter leaves those
  // magnitudes alone, and so does the knee.
  if (x <= 0.5) return x;
  const double s =
      (std::sqrt(0.9547365051954918 - (0.5 - x) * 2.0915752427444803) - 0.9771061893138799) *
      0.9562170937611985;
  const double u = 1.0 - s;
  return 0.5 * (u * u) + 1.97710618931388 * s * u + kSoftKneeCeiling * (s * s);
}

/// Applies the knee in place to count samples: v > 0.5 becomes SoftKnee(v), v < -0.5 becomes
/// -SoftKnee(-v), anything within [-0.5, 0.5] is left as it is. Returns the overshoot, the largest
/// magnitude minus 0.5, clamped to 0..1. count of 0 or less touches nothing and returns 0.
double LimitBuffer(double* samples, int count) noexcept;
