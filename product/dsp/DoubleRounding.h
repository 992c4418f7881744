#pragma once

#include <cfloat>

/// Rounds an intermediate to a 64-bit double.
///
/// On x87 (FLT_EVAL_METHOD 2, the 32-bit Windows build) arithmetic runs in 80-bit registers
/// and is rounded only when the compiler chooses to store it, so a comparison right after a
/// multiplication may see a value that the stored double does not have. Passing the value
/// through a volatile forces the store, making such comparisons agree with the SSE builds.
/// Elsewhere this is the identity and costs nothing.
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
