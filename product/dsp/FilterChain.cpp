#include "product/dsp/FilterChain.h"

#include <cmath>

#include "product/dsp/LadderPair.h"

namespace {

// A non-finite input would leave a ladder's state NaN for good: it is taken as silence; finite
// inputs are taken within the bound.
inline double BoundedInput(double x) {
  if (!std::isfinite(x)) return 0.0;
  constexpr double kMax = FilterChain::kMaxInput;
  return x > kMax ? kMax : x < -kMax ? -kMax : x;
}

}  // namespace

FilterChain::FilterChain() noexcept {
  mCutoffGlide.Init(kGlideRate, true);
  mResonanceGlide.Init(kGlideRate, false);
  mEnvelope.SetAttack(kEnvelopeAttackMs);
  mEnvelope.SetRelease(kEnvelopeReleaseMs);
}

void FilterChain::ApplyHighPassFrequency(double hz) noexcept {
  const double ratio = Tuning(mShape).highPassRatio;
  if (ratio == 0.0) return;
  // The right channel shares the left one's coefficients rather than computing them again.
  mHighPass[0].SetFrequency(hz * ratio);
  mHighPass[1].SetCoefficients(mHighPass[0].GetCoefficients());
}

void FilterChain::ApplyCutoff(double hz) noexcept {
  mLadder[0].SetCutoff(hz);
  mLadder[1].SetCoefficients(mLadder[0].GetCoefficients());
  ApplyHighPassFrequency(hz);
}

void FilterChain::ApplyResonance(double resonance) noexcept {
  mLadder[0].SetResonance(resonance);
  mLadder[1].SetCoefficients(mLadder[0].GetCoefficients());
}

void FilterChain::Reset(double rate) noexcept {
  for (LadderFilter& l : mLadder) l.SetSampleRate(rate);
  for (HighPassBiquad& h : mHighPass) h.SetSampleRate(rate);
  mCutoffGlide.JumpToTarget();
  mResonanceGlide.JumpToTarget();
  ApplyCutoff(mCutoffGlide.Current());
  ApplyResonance(mResonanceGlide.Current());
  mEnvelope.SetSampleRate(rate);
}

void FilterChain::SetShape(int shape) noexcept {
  mShape = shape;
  ApplyHighPassFrequency(mCutoffGlide.Current());
}

void FilterChain::BeginBlock() noexcept {
  mBlockGain = Tuning(mShape).gain;
  mBlockBandPass = Tuning(mShape).highPassRatio != 0.0;
  mCutoffMoving = mCutoffGlide.Tick();
  mResonanceMoving = mResonanceGlide.Tick();
}

void FilterChain::GlideCutoffTo(double hz) noexcept {
  mCutoffGlide.SetTarget(hz);
  mCutoffMoving = true;
}

void FilterChain::GlideResonanceTo(double r) noexcept {
  mResonanceGlide.SetTarget(r);
  mResonanceMoving = true;
}

void FilterChain::ClearChannel(int channel) noexcept {
  LadderFilter& ladder = mLadder[channel ? 1 : 0];
  HighPassBiquad& highPass = mHighPass[channel ? 1 : 0];
  ladder.SetSampleRate(ladder.SampleRate());
  highPass.SetSampleRate(highPass.SampleRate());
  if (!std::isfinite(mEnvelope.Envelope())) mEnvelope.SetSampleRate(mEnvelope.SampleRate());
}

void FilterChain::Process(const double* inL, const double* inR, double* outL, double* outR,
                          int from, int to) noexcept {
  const bool gliding = mCutoffMoving || mResonanceMoving;
  if (mBlockBandPass) {
    if (gliding) {
      Run<true, true>(inL, inR, outL, outR, from, to);
    } else {
      Run<true, false>(inL, inR, outL, outR, from, to);
    }
  } else if (gliding) {
    Run<false, true>(inL, inR, outL, outR, from, to);
  } else {
    Run<false, false>(inL, inR, outL, outR, from, to);
  }
}

template <bool kBandPass, bool kGliding>
void FilterChain::Run(const double* inL, const double* inR, double* outL, double* outR, int from,
                      int to) noexcept {
  // Local copies that nothing else can reach: their state lives in registers for the run.
  // The two ladders run side by side; the right channel shares the left's coefficients.
  LadderPair ladders;
  ladders.Load(mLadder[0], mLadder[1]);
  LadderFilter tuning = mLadder[0];  // computes the coefficients both ladders take
  HighPassBiquad highPassL = mHighPass[0], highPassR = mHighPass[1];
  EnvelopeFollower env = mEnvelope;
  bool cutoffMoving = mCutoffMoving, resonanceMoving = mResonanceMoving;
  const double gain = mBlockGain;
  const double highPassRatio = Tuning(mShape).highPassRatio;
  // The ladders' recursions bound the speed, so they get a loop of their own that keeps them
  // in registers; in the band-pass shapes the high-pass sections and the envelope follow in a
  // second loop over the same samples. While a glide moves, the first loop also computes the
  // ladders' coefficients (their recursion leaves room for that) and notes each sample's
  // high-pass frequency; the second designs the sections for them, a stretch of samples at a
  // time. The designs' sin and cos are evaluated afresh once a stretch and reached from there
  // for the stretch's other frequencies (within about a unit in the last place of fresh
  // values), since a library sin and cos per sample cost more than the ladders' recursion
  // leaves room for.
  constexpr int kStretch = kGliding ? 64 : 1;
  double highPassHz[kStretch];
  double designHz[kStretch];  // the frequencies the high-pass designs use for highPassHz
  HighPassBiquad::Coefficients highPassDesign[kStretch];
  double hz = highPassL.Frequency();
  // While a glide moves: the high-pass design's fresh sin and cos at the design frequency
  // baseHz. Corners above the highest design frequency are designed at it.
  NearbySinCos angle;
  double baseHz = highPassL.DesignFrequency(highPassL.Frequency());
  const double radiansPerHz = 6.283185307179586 / highPassL.SampleRate();
  if (kBandPass && kGliding) {
    if (mHighPassAngleHz == baseHz && mHighPassAngleRate == highPassL.SampleRate()) {
      angle = mHighPassAngle;
    } else {
      angle.Reset(highPassL.AngularFrequency(baseHz));
    }
  }
  for (int start = from, end = from; start < to; start = end) {
    end = kGliding && to - start > kStretch ? start + kStretch : to;
    for (int i = start; i < end; ++i) {
      if (kGliding) {
        if (cutoffMoving) {
          const double cutoff = mCutoffGlide.Current();
          tuning.SetCutoff(cutoff);
          if (highPassRatio != 0.0) hz = cutoff * highPassRatio;
          cutoffMoving = mCutoffGlide.Tick();
        }
        if (resonanceMoving) {
          tuning.SetResonance(mResonanceGlide.Current());
          resonanceMoving = mResonanceGlide.Tick();
        }
        ladders.SetCoefficients(tuning.GetCoefficients());
        highPassHz[i - start] = hz;
      }
      double yl = BoundedInput(inL[i]);
      double yr = BoundedInput(inR[i]);
      ladders.Process(yl, yr);
      if (!kBandPass) env.Process(yl + yr);  // in the recursion's shadow
      outL[i] = yl;
      outR[i] = yr;
    }
    if (kBandPass) {
      // The designs of the stretch first, then the sections over it: each loop keeps to its
      // own short chain of dependent operations.
      bool moved = false;  // the stretch left its base frequency
      if (kGliding) {
        // Every sin and cos of the stretch from the fresh ones at its base frequency, then the
        // designs, both several samples per vector operation. An angle's distance from the
        // base is the frequency difference times 2 pi / rate: frequencies of one stretch of a
        // glide are within a factor of two, so they subtract exactly. A glide of 0.0005 per
        // sample moves an angle below pi (every design below half the sample rate) by less
        // than 0.11 over a stretch, within the shortcut's reach.
        const int n = end - start;
        double sinw[kStretch], cosw[kStretch];
        for (int j = 0; j < n; ++j) {
          designHz[j] = highPassL.DesignFrequency(highPassHz[j]);
          angle.At((designHz[j] - baseHz) * radiansPerHz, sinw[j], cosw[j]);
        }
        moved = designHz[n - 1] != baseHz;
        const double q = highPassL.Q();
        for (int j = 0; j + 1 < n; j += 2) {
          HighPassBiquad::DesignPair(highPassHz + j, sinw + j, cosw + j, q, highPassDesign + j);
        }
        if (n % 2 != 0) {
          highPassDesign[n - 1] =
              HighPassBiquad::Design(highPassHz[n - 1], sinw[n - 1], cosw[n - 1], q);
        }
      }
      for (int i = start; i < end; ++i) {
        if (kGliding) {
          highPassL.SetCoefficients(highPassDesign[i - start]);
          highPassR.SetCoefficients(highPassDesign[i - start]);
        }
        const double yl = highPassL.Process(outL[i]) * gain;
        const double yr = highPassR.Process(outR[i]) * gain;
        env.Process(yl + yr);
        outL[i] = yl;
        outR[i] = yr;
      }
      // The sections keep the fresh design of their last frequency, as SetFrequency leaves it,
      // and the next stretch starts from there.
      if (moved) {
        baseHz = designHz[end - start - 1];
        angle.Reset(highPassL.AngularFrequency(baseHz));
        const HighPassBiquad::Coefficients c =
            HighPassBiquad::Design(baseHz, angle.Sin(), angle.Cos(), highPassL.Q());
        highPassL.SetCoefficients(c);
        highPassR.SetCoefficients(c);
      }
    }
  }
  // Each run ends with the high-pass sections exactly as SetFrequency leaves them, also after
  // a gliding low-pass run, for a later band-pass block.
  if (kGliding && hz != highPassL.Frequency()) {
    highPassL.SetFrequency(hz);
    highPassR.SetCoefficients(highPassL.GetCoefficients());
  }
  if (kBandPass && kGliding) {
    mHighPassAngle = angle;
    mHighPassAngleHz = baseHz;
    mHighPassAngleRate = highPassL.SampleRate();
  }
  ladders.Store(mLadder[0], mLadder[1]);
  if (kBandPass || kGliding) {
    mHighPass[0] = highPassL;
    mHighPass[1] = highPassR;
  }
  mEnvelope = env;
  mCutoffMoving = cutoffMoving;
  mResonanceMoving = resonanceMoving;
}
