#pragma once

#include "product/dsp/DoublePair.h"
#include "product/dsp/LadderFilter.h"

/// Two ladders run side by side, each lane exactly as LadderFilter::Process runs one: the
/// plug-in's two channels cost about what one costs, since the recursions share one vector
/// register each step.
///
/// A working copy for a stretch of samples: Load takes both ladders' state and coefficients,
/// Store puts the state and coefficients back. Between them the ladders themselves are stale.
class LadderPair {
 public:
  /// [audio thread] Takes the state and coefficients of a (lane 0) and b (lane 1).
  void Load(const LadderFilter& a, const LadderFilter& b) noexcept;
  /// [audio thread] Puts the state and the current coefficients back into a and b.
  void Store(LadderFilter& a, LadderFilter& b) const noexcept;
  /// [audio thread] Both lanes take these coefficients, as LadderFilter::SetCoefficients does.
  void SetCoefficients(const LadderFilter::Coefficients& c) noexcept;
  /// [audio thread] Filters x0 through lane 0 and x1 through lane 1, in place.
  void Process(double& x0, double& x1) noexcept;

 private:
  using Pair = DoublePair;

  Pair mDelay[6] = {};
  Pair mStageTanh[3] = {};
  Pair mTune = {};
  Pair mResQuad = {};
  LadderFilter::Coefficients mCoefficients[2] = {};
};

inline void LadderPair::Load(const LadderFilter& a, const LadderFilter& b) noexcept {
  for (int k = 0; k < 6; ++k) mDelay[k] = Pair{a.mDelay[k], b.mDelay[k]};
  for (int k = 0; k < 3; ++k) mStageTanh[k] = Pair{a.mStageTanh[k], b.mStageTanh[k]};
  mCoefficients[0] = a.GetCoefficients();
  mCoefficients[1] = b.GetCoefficients();
  mTune = Pair{a.mTune, b.mTune};
  mResQuad = Pair{a.mResQuad, b.mResQuad};
}

inline void LadderPair::Store(LadderFilter& a, LadderFilter& b) const noexcept {
  for (int k = 0; k < 6; ++k) {
    a.mDelay[k] = mDelay[k][0];
    b.mDelay[k] = mDelay[k][1];
  }
  for (int k = 0; k < 3; ++k) {
    a.mStageTanh[k] = mStageTanh[k][0];
    b.mStageTanh[k] = mStageTanh[k][1];
  }
  a.SetCoefficients(mCoefficients[0]);
  b.SetCoefficients(mCoefficients[1]);
}

inline void LadderPair::SetCoefficients(const LadderFilter::Coefficients& c) noexcept {
  mCoefficients[0] = c;
  mCoefficients[1] = c;
  mTune = Pair{c.tune, c.tune};
  mResQuad = Pair{c.resQuad, c.resQuad};
}

inline void LadderPair::Process(double& x0, double& x1) noexcept {
  if (x0 == 0.0) x0 = 1e-10;
  if (x1 == 0.0) x1 = 1e-10;
  Pair x = {x0, x1};
  LadderFilter::Step(x, mTune, mResQuad, mDelay, mStageTanh);
  x0 = x[0];
  x1 = x[1];
}
