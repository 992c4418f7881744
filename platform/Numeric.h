#pragma once

#include <cfloat>
#include <cstdint>

/// Numbers as this machine computes them: conversions that stay defined for every input, and
/// the rounding that the 32-bit x87 build needs to compute what the other builds compute.
/// Header-only; every layer may use it.

/// Float or double to int, truncating toward zero. NaN becomes 0 and values beyond the int
/// range saturate: the plain conversion would be undefined there. In-range values convert as
/// the plain conversion does.
template <typename F>
inline std::int32_t TruncToInt(F v) noexcept {
  if (!(v == v)) return 0;
  if (v >= static_cast<F>(2147483647.0)) return INT32_MAX;
  if (v <= static_cast<F>(-2147483648.0)) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

/// A wider integer clamped into the int range.
inline std::int32_t ClampToInt(std::int64_t v) noexcept {
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(v);
}

/// Rounds an intermediate to a 64-bit double.
///
/// On x87 (FLT_EVAL_METHOD 2, the 32-bit Windows build) arithmetic runs in 80-bit registers
/// and is rounded only when the compiler chooses to store it, so a comparison, a truncation or
/// a recomputation right after the arithmetic may see a value that the stored double does not
/// have. Passing the value through a volatile forces the store, making such results agree with
/// the SSE builds. Elsewhere this is the identity and costs nothing.
inline double RoundToDouble(double v) noexcept {
#if FLT_EVAL_METHOD != 0
  volatile double stored = v;
  return stored;
#else
  return v;
#endif
}

/// RoundToDouble in place, for a double or a vector of doubles (passed by reference: the
/// 32-bit build has no SSE registers to pass a vector in).
template <typename T>
inline void RoundInPlace(T& v) noexcept {
#if FLT_EVAL_METHOD != 0
  volatile T stored = v;
  v = stored;
#else
  (void)v;
#endif
}
