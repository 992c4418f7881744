#pragma once

#include <vector>

#include "product/ControllerEvent.h"
#include "product/dsp/FilterChain.h"
#include "vst/BraxVST.h"

/// Korvane Filter: a resonant filter for one or two channels.
///
/// Each channel runs through a four-stage ladder low-pass; the two band-pass shapes add a
/// second-order high-pass after it (at a quarter or three quarters of the cutoff) and a make-up
/// gain of 4 or 8. Cutoff and resonance glide sample by sample towards their targets. MIDI
/// controllers 74 (cutoff), 71 (resonance) and 111 (shape) act with sample accuracy without
/// touching the stored parameters; all MIDI passes through to the host. An optional soft limiter
/// bends peaks above 0.5 towards a ceiling just below full scale.
///
/// Parameters: 0 (unnamed) selects the editor's background captioning, 1 the filter shape,
/// 2 the cutoff frequency, 3 the resonance, 4 the brickwall limit. Eight programs handled by
/// the plug-in base.
///
/// Threads: every override runs with the plug-in lock held, so they never overlap. Nothing
/// allocates on the audio thread; controller events live in storage reserved up front.
class KorvaneFilter : public BraxVST {
 public:
  enum Param { kBackground = 0, kShape = 1, kCutoff = 2, kResonance = 3, kBrickwall = 4 };
  enum Shape {
    kLowPass = FilterChain::kLowPass,
    kBandPassWide = FilterChain::kBandPassWide,
    kBandPassNarrow = FilterChain::kBandPassNarrow
  };
  static constexpr int kNumParams = 5;
  static constexpr int kNumPresets = 8;
  static constexpr int kCCCutoff = 74;
  static constexpr int kCCResonance = 71;
  static constexpr int kCCShape = 111;
  /// The cutoff parameter's range in Hz and its power curve: normalised n gives
  /// kMinCutoff + kCutoffSpan * n^kCutoffShape.
  static constexpr double kMinCutoff = 10.0;
  static constexpr double kMaxCutoff = 18000.0;
  static constexpr double kCutoffSpan = kMaxCutoff - kMinCutoff;
  static constexpr double kCutoffShape = 2.5;
  /// Controller events one block may bring before the queue's storage has to grow.
  static constexpr size_t kReservedEvents = 512;

  // [constructor only, entry lock held]
  explicit KorvaneFilter(audioMasterCallback hostCallback);
  ~KorvaneFilter() override;

  // [host thread, plug-in lock held]
  void Reset() override;
  // [any thread, plug-in lock held] Between blocks.
  void OnParamChange(int index) override;
  // [audio thread, plug-in lock held]
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  // [host thread, plug-in lock held] From effProcessEvents, before the block it belongs to.
  void OnMidiMessage(const IMidiMessage& msg) override;

  // Read access for tests and the editor's displays.
  int GetShape() const { return mChain.CurrentShape(); }
  double GetLimiterIndicator() const { return mLimiterIndicator; }
  double GetOutputEnvelope() const { return mChain.Envelope().Envelope(); }
  double GetCutoffGlide() const { return mChain.Cutoff(); }
  double GetResonanceGlide() const { return mChain.Resonance(); }
  int GetMeterCountdown() const { return mMeterCountdown; }
  /// How often the last guard before the host found a sample no float can hold and started
  /// that channel's filters again from silence. Never, unless something inside went wrong.
  int NonFiniteResets() const { return mNonFiniteResets; }
  const HighPassBiquad& GetHighPass(int channel) const { return mChain.HighPass(channel); }
  const LadderFilter& GetLadder(int channel) const { return mChain.Ladder(channel); }

 private:
  // [constructor only] Creates the editor's graphics object and controls, stores the indices
  // of the limiter lamp and the level meter, and attaches the editor.
  void BuildEditor();

  // Applies a controller event to the filter chain and tells the host and the editor.
  void ApplyControllerEvent(const ControllerEvent& ev);

  bool mBrickwallOn = false;
  FilterChain mChain;                             // both channels' filters and glides
  std::vector<ControllerEvent> mControllerQueue;  // ascending offset; capacity reserved
  int mMeterCountdown = 0;                        // blocks until the next display update
  int mIndicatorControl = -1;                     // editor control showing limiter activity
  int mMeterControl = -1;                         // editor control showing the output level
  double mLimiterIndicator = 0.0;                 // 0..1, decays by 1 per second
  int mNonFiniteResets = 0;                       // times the last guard reset a channel
};
