#include "product/dsp/ParamSmoother.h"

void ParamSmoother::Init(double rate, bool multiplicative) noexcept {
  mRate = rate;
  mMultiplicative = multiplicative;
  mStep = 0.0;
  mRising = false;
  mFalling = false;
}

void ParamSmoother::SetTarget(double x) noexcept {
  mTarget = x;
  if (x > mCurrent) {
    mRising = true;
    mFalling = false;
    mStep = mMultiplicative ? mRate + 1.0 : mRate;
  } else if (x < mCurrent) {
    mRising = false;
    mFalling = true;
    mStep = mMultiplicative ? 1.0 / (mRate + 1.0) : -mRate;
  } else {
    mRising = false;
    mFalling = false;
  }
}

void ParamSmoother::SetImmediate(double x) noexcept {
  mTarget = x;
  mCurrent = x;
  mRising = false;
  mFalling = false;
}

void ParamSmoother::JumpToTarget() noexcept {
  mCurrent = mTarget;
  mRising = false;
  mFalling = false;
}
