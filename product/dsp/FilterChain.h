#pragma once

#include "product/dsp/EnvelopeFollower.h"
#include "product/dsp/HighPassBiquad.h"
#include "product/dsp/LadderFilter.h"
#include "product/dsp/NearbySinCos.h"
#include "product/dsp/ParamSmoother.h"

/// The filter's signal path for two channels: per channel a ladder low-pass and, in the
/// band-pass shapes, a high-pass section after it with a make-up gain; cutoff and resonance
/// gliding sample by sample towards their targets; the envelope of the two outputs' sum.
///
/// Lifecycle: construct (cutoff 18000 Hz, resonance 0.35, low pass) → Reset(rate) whenever the
/// sample rate changes or processing restarts → per block BeginBlock, then Process over the
/// block's samples in runs, with controller changes (GlideCutoffTo, GlideResonanceTo,
/// SetShape) between runs → the next block. Targets set between blocks (SetCutoffTarget,
/// SetResonanceTarget) start moving with the next block.
///
/// A value type: owns every filter's state, allocates nothing, never locks. The owner runs it
/// on one thread at a time (the plug-in does so under its lock).
class FilterChain {
 public:
  enum Shape { kLowPass = 0, kBandPassWide = 1, kBandPassNarrow = 2 };
  static constexpr int kNumShapes = 3;

  /// What a shape adds after the ladders: a high-pass at highPassRatio times the cutoff (none
  /// when 0) and a make-up gain for the level the high-pass takes away.
  struct ShapeTuning {
    double highPassRatio;
    double gain;
  };
  static constexpr ShapeTuning kShapes[kNumShapes] = {
      {0.0, 1.0},   // low pass: the ladders alone
      {0.25, 4.0},  // band pass wide: high-pass two octaves below the cutoff
      {0.75, 8.0},  // band pass narrow: high-pass just below the cutoff
  };

  /// Both glides advance by this per sample: a factor of 1 + kGlideRate for the cutoff, a step
  /// of kGlideRate for the resonance (additive, so that it can reach and leave 0).
  static constexpr double kGlideRate = 0.0005;
  /// Output envelope times, in ms.
  static constexpr double kEnvelopeAttackMs = 10.0;
  static constexpr double kEnvelopeReleaseMs = 500.0;

  FilterChain() noexcept;

  // ---- between blocks ----

  /// [audio or host thread] At a new sample rate or a restart: every filter's history cleared,
  /// glides ended at their targets and applied, the envelope back to 0.
  void Reset(double rate) noexcept;
  /// [constructor only] Cutoff (Hz) and resonance at rest, without gliding.
  void SetCutoffImmediate(double hz) noexcept { mCutoffGlide.SetImmediate(hz); }
  void SetResonanceImmediate(double r) noexcept { mResonanceGlide.SetImmediate(r); }
  /// [between blocks] Where the glides go from the next block on.
  void SetCutoffTarget(double hz) noexcept { mCutoffGlide.SetTarget(hz); }
  void SetResonanceTarget(double r) noexcept { mResonanceGlide.SetTarget(r); }
  /// [between blocks, or between runs of a block] The shape: the high-pass sections take its
  /// frequency for the current cutoff at once; the gain and whether the high-pass runs change
  /// with the next block.
  void SetShape(int shape) noexcept;

  // ---- one block ----

  /// [audio thread] Fixes the block's shape and gain (they hold even if a controller changes
  /// the shape inside the block) and ticks both glides.
  void BeginBlock() noexcept;
  /// [audio thread] Filters samples [from, to) of both channels: non-finite inputs count as 0,
  /// finite ones are taken within ±kMaxInput.
  void Process(const double* inL, const double* inR, double* outL, double* outR, int from,
               int to) noexcept;
  /// [audio thread] A controller inside the block: the cutoff glides to hz from this sample on.
  void GlideCutoffTo(double hz) noexcept;
  /// [audio thread] The same for the resonance.
  void GlideResonanceTo(double r) noexcept;
  /// [audio thread] After a block: the channel's ladder and high-pass restart from silence
  /// with their settings kept (and an envelope that is no longer finite restarts from 0), for
  /// when something inside went wrong.
  void ClearChannel(int channel) noexcept;

  /// Inputs beyond this magnitude are taken at it: the ladder's saturation overflows beyond
  /// about 1e107, and no audio signal comes near.
  static constexpr double kMaxInput = 1e6;

  int CurrentShape() const noexcept { return mShape; }
  double Cutoff() const noexcept { return mCutoffGlide.Current(); }
  double Resonance() const noexcept { return mResonanceGlide.Current(); }
  const HighPassBiquad& HighPass(int channel) const noexcept { return mHighPass[channel ? 1 : 0]; }
  const LadderFilter& Ladder(int channel) const noexcept { return mLadder[channel ? 1 : 0]; }
  const EnvelopeFollower& Envelope() const noexcept { return mEnvelope; }

 private:
  // The shape's tuning; an unknown shape is the low pass.
  static const ShapeTuning& Tuning(int shape) noexcept {
    return kShapes[shape >= 0 && shape < kNumShapes ? shape : kLowPass];
  }
  // Both ladders take the cutoff (the right one the left one's coefficients); in the band-pass
  // shapes so do both high-pass sections, at the shape's ratio.
  void ApplyCutoff(double hz) noexcept;
  void ApplyHighPassFrequency(double hz) noexcept;
  void ApplyResonance(double resonance) noexcept;
  // Runs samples [from, to), between two controller events. While a glide moves (kGliding)
  // the coefficients are recomputed every sample and the moving flags updated; otherwise
  // nothing but the filters runs.
  template <bool kBandPass, bool kGliding>
  void Run(const double* inL, const double* inR, double* outL, double* outR, int from,
           int to) noexcept;

  int mShape = kLowPass;          // the current shape, also inside a block
  LadderFilter mLadder[2];        // left, right
  HighPassBiquad mHighPass[2];    // left, right
  ParamSmoother mCutoffGlide;     // Hz, multiplicative
  ParamSmoother mResonanceGlide;  // 0..1, additive
  EnvelopeFollower mEnvelope;     // of left + right
  // The block in hand: its shape's gain and whether it runs the high-pass; glides moving.
  double mBlockGain = 1.0;
  bool mBlockBandPass = false;
  bool mCutoffMoving = false;
  bool mResonanceMoving = false;
  // The last fresh sin and cos of a gliding high-pass design, at mHighPassAngleHz and
  // mHighPassAngleRate, so the next block's glide starts from them without evaluating again.
  NearbySinCos mHighPassAngle;
  double mHighPassAngleHz = -1.0;
  double mHighPassAngleRate = -1.0;
};
