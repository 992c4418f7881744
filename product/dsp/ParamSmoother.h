#pragma once

#include "platform/Numeric.h"

/// Moves a control value towards a target, one tick at a time, by a fixed factor
/// (multiplicative: current *= rate + 1 rising, current /= rate + 1 falling) or by a fixed step
/// (additive: current += rate or -rate), landing exactly on the target.
///
/// Lifecycle: Init sets the mode and rate; SetImmediate sets the value before the first Tick.
/// Idle (neither rising nor falling) after Init, SetImmediate, JumpToTarget, a SetTarget equal
/// to the current value, and the tick that reaches the target. In multiplicative mode a current
/// value of exactly 0 cannot move.
class ParamSmoother {
 public:
  /// Stores the per-tick rate and the mode and makes the smoother idle; leaves current and
  /// target as they are.
  void Init(double rate, bool multiplicative) noexcept;
  void SetTarget(double x) noexcept;
  /// Sets current and target to x, idle.
  void SetImmediate(double x) noexcept;
  /// Ends a glide at its target, idle.
  void JumpToTarget() noexcept;

  /// Advances one tick. True on every tick that moved the value, including the one that lands
  /// on the target; false once idle.
  bool Tick() noexcept;

  double Current() const noexcept { return mCurrent; }
  double Target() const noexcept { return mTarget; }

 private:
  bool mMultiplicative = true;  // true: by a factor per tick; false: by a fixed step
  bool mRising = false;         // moving up towards the target
  bool mFalling = false;        // moving down towards the target
  double mCurrent = 0.0;        // the smoothed value, in the owner's units
  double mTarget = 0.0;         // where the value is going, same units
  double mRate = 0.0;           // per-tick rate
  double mStep = 0.0;           // factor (multiplicative) or increment (additive) per tick
};

inline bool ParamSmoother::Tick() noexcept {
  if (!mRising && !mFalling) return false;
  // Rounded before the comparison so that the x87 build snaps on the same tick as the others.
  const double next = RoundToDouble(mMultiplicative ? mCurrent * mStep : mCurrent + mStep);
  if (mRising ? next < mTarget : next > mTarget) {
    mCurrent = next;
    return true;
  }
  mCurrent = mTarget;
  mRising = false;
  mFalling = false;
  return true;
}
