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

  // LadderFilter::TanhApprox in place. By reference: the 32-bit build has no SSE registers to
  // pass a vector in.
  static void TanhApprox(Pair& v) noexcept {
    const Pair t = v * 0.00005;
    const Pair p = t * (t * (t + 3.0) + 6.0);
    v = p / (p + 12.0);
  }

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
  const Pair x = {x0, x1};
  const Pair tune = mTune;
  Pair d0 = mDelay[0], d1 = mDelay[1], d2 = mDelay[2], d3 = mDelay[3];
  Pair t0 = mStageTanh[0], t1 = mStageTanh[1], t2 = mStageTanh[2];
  // The same order of operations as LadderFilter::Process, lane by lane.
  Pair t3 = d3;
  TanhApprox(t3);
  Pair in = x - mResQuad * mDelay[5];
  TanhApprox(in);
  d0 = d0 + tune * (in - t0);
  t0 = d0;
  TanhApprox(t0);
  d1 = d1 + tune * (t0 - t1);
  t1 = d1;
  TanhApprox(t1);
  d2 = d2 + tune * (t1 - t2);
  t2 = d2;
  TanhApprox(t2);
  d3 = d3 + tune * (t2 - t3);
  const Pair out = (d3 + mDelay[4]) * 0.5;
  mDelay[0] = d0;
  mDelay[1] = d1;
  mDelay[2] = d2;
  mDelay[3] = d3;
  mDelay[4] = d3;
  mDelay[5] = out;
  mStageTanh[0] = t0;
  mStageTanh[1] = t1;
  mStageTanh[2] = t2;
  x0 = out[0];
  x1 = out[1];
}
