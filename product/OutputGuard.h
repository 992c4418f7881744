#pragma once

#include <cfloat>
#include <cmath>

/// The last step of a block before the host sees it: no sample leaves the plug-in that a float
/// cannot hold. One NaN in a host's mix bus silences or destroys the whole mix, so whatever
/// went wrong inside, such samples become 0 (and the owner starts the channel's filters again
/// from a clean state instead of passing NaN on to every later sample).
///
/// Nothing that the filters do with the plug-in's parameters and bounded inputs reaches it; it
/// guards against what the filters cannot promise for every input.
class OutputGuard {
 public:
  /// The largest magnitude handed to the host: what every float callback can hold.
  static constexpr double kLargest = FLT_MAX;

  /// [audio thread, plug-in lock held] When any of the n samples is NaN, infinite or beyond
  /// kLargest: those samples become 0 and the answer is true. Otherwise nothing changes.
  static bool Apply(double* out, int n) noexcept {
    bool unfit = false;
    for (int i = 0; i < n; ++i) unfit |= !(std::fabs(out[i]) <= kLargest);
    if (!unfit) return false;
    for (int i = 0; i < n; ++i) {
      if (!(std::fabs(out[i]) <= kLargest)) out[i] = 0.0;
    }
    return true;
  }
};
