#include "product/KorvaneFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/IGraphics.h"
#include "product/OutputGuard.h"
#include "product/dsp/LadderPair.h"
#include "product/dsp/NearbySinCos.h"
#include "product/dsp/SoftLimiter.h"

namespace {

constexpr int FourCC(char a, char b, char c, char d) {
  return static_cast<int>(static_cast<unsigned>(static_cast<unsigned char>(a)) << 24 |
                          static_cast<unsigned>(static_cast<unsigned char>(b)) << 16 |
                          static_cast<unsigned>(static_cast<unsigned char>(c)) << 8 |
                          static_cast<unsigned>(static_cast<unsigned char>(d)));
}
static_assert(FourCC('K', 'r', 'v', 'F') == 0x4B727646, "unique ID packs first char high");

constexpr int kUniqueID = FourCC('K', 'r', 'v', 'F');
constexpr int kMfrID = FourCC('Q', 'u', 'o', 'r');
constexpr int kVersion = 0x10000;  // 1.0.0

constexpr double kGlideRate = 0.0005;  // per sample: a factor of 1.0005 for the cutoff
constexpr double kMinCutoff = 10.0;    // Hz
constexpr double kCutoffSpan = 17990.0;
constexpr double kDisplayRate = 0.05555555555555555;  // display updates per second / rate: 1/18

int ShapeFromController(double value) {
  const double s = 3.0 * value;  // value is data / 127, so 0..3
  return s >= 2.0 ? 2 : static_cast<int>(s);
}

// Truncation that stays defined for any double (a block size of 0 gives infinity).
int TruncToInt(double v) {
  if (!(v == v) || v <= static_cast<double>(INT_MIN)) return v == v ? INT_MIN : 0;
  return v >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(v);
}

}  // namespace

KorvaneFilter::KorvaneFilter(audioMasterCallback hostCallback)
    : BraxVST(hostCallback, kNumParams, "1-1 2-2", kNumPresets, "Korvane Filter (no SSE2)", "",
              "Quorl", kVersion, kUniqueID, kMfrID, 0, true, false, false) {
  mCutoffGlide.Init(kGlideRate, true);
  mResonanceGlide.Init(kGlideRate, false);
  mControllerQueue.reserve(kReservedEvents);
  mOutputEnvelope.SetAttack(10.0);
  mOutputEnvelope.SetRelease(500.0);

  GetParam(kShape)->DefineEnum("filter shape", 0, 3);
  GetParam(kShape)->SetValueText(kLowPass, "low pass");
  GetParam(kShape)->SetValueText(kBandPassWide, "band pass wide");
  GetParam(kShape)->SetValueText(kBandPassNarrow, "band pass narrow");

  GetParam(kCutoff)->DefineDouble("cutoff frequency", 18000.0, kMinCutoff, 18000.0, 1.0, "Hz");
  GetParam(kCutoff)->SetShape(2.5);
  mCutoffGlide.SetImmediate(18000.0);

  GetParam(kResonance)->DefineDouble("resonance", 0.35, 0.0, 1.0, 0.01, "");
  GetParam(kResonance)->SetShape(2.0);
  mResonanceGlide.SetImmediate(0.35);

  GetParam(kBrickwall)->DefineBool("brickwall limit", true);

  BuildEditor();
}

KorvaneFilter::~KorvaneFilter() = default;

void KorvaneFilter::ApplyHighPassFrequency(Filters& f, int shape, double hz) {
  // The right channel shares the left one's coefficients rather than computing them again.
  if (shape == kBandPassWide) {
    f.highPassL.SetFrequency(hz * 0.25);
    f.highPassR.SetCoefficients(f.highPassL.GetCoefficients());
  } else if (shape == kBandPassNarrow) {
    f.highPassL.SetFrequency(hz * 0.75);
    f.highPassR.SetCoefficients(f.highPassL.GetCoefficients());
  }
}

void KorvaneFilter::ApplyCutoff(Filters& f, int shape, double hz) {
  f.ladderL.SetCutoff(hz);
  f.ladderR.SetCoefficients(f.ladderL.GetCoefficients());
  ApplyHighPassFrequency(f, shape, hz);
}

void KorvaneFilter::ApplyResonance(Filters& f, double resonance) {
  f.ladderL.SetResonance(resonance);
  f.ladderR.SetCoefficients(f.ladderL.GetCoefficients());
}

// A non-finite input would leave a ladder's state NaN for good: it is taken as silence. The
// ladder's saturation overflows for inputs beyond about 1e107, so finite inputs are taken within
// +-kMaxInput, far above any audio signal.
constexpr double kMaxInput = 1e6;
inline double BoundedInput(double x) {
  if (!std::isfinite(x)) return 0.0;
  return x > kMaxInput ? kMaxInput : x < -kMaxInput ? -kMaxInput : x;
}

template <bool kBandPass, bool kGliding>
void KorvaneFilter::Run(Filters& f, EnvelopeFollower& envelope, const double* inL,
                        const double* inR, double* outL, double* outR, int from, int to,
                        double gain, bool& cutoffMoving, bool& resonanceMoving) {
  // Local copies that nothing else can reach: their state lives in registers for the run.
  // The two ladders run side by side; the right channel shares the left's coefficients.
  LadderPair ladders;
  ladders.Load(f.ladderL, f.ladderR);
  LadderFilter tuning = f.ladderL;  // computes the coefficients both ladders take
  HighPassBiquad highPassL = f.highPassL, highPassR = f.highPassR;
  EnvelopeFollower env = envelope;
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
          if (mShape == kBandPassWide) {
            hz = cutoff * 0.25;
          } else if (mShape == kBandPassNarrow) {
            hz = cutoff * 0.75;
          }
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
  ladders.Store(f.ladderL, f.ladderR);
  if (kBandPass || kGliding) {
    f.highPassL = highPassL;
    f.highPassR = highPassR;
  }
  envelope = env;
}

KorvaneFilter::Filters KorvaneFilter::LoadFilters() const {
  return Filters{mLeftLadder, mRightLadder, mLeftHP, mRightHP};
}

void KorvaneFilter::StoreFilters(const Filters& f) {
  mLeftLadder = f.ladderL;
  mRightLadder = f.ladderR;
  mLeftHP = f.highPassL;
  mRightHP = f.highPassR;
}

void KorvaneFilter::OnParamChange(int index) {
  switch (index) {
    case kShape: {
      mShape = TruncToInt(GetParam(kShape)->Value());
      Filters f = LoadFilters();
      ApplyHighPassFrequency(f, mShape, mCutoffGlide.Current());
      StoreFilters(f);
      break;
    }
    case kCutoff:
      mCutoffGlide.SetTarget(GetParam(kCutoff)->Value());
      break;
    case kResonance:
      mResonanceGlide.SetTarget(GetParam(kResonance)->Value());
      break;
    case kBrickwall:
      mBrickwallOn = GetParam(kBrickwall)->Value() != 0.0;
      break;
    default:
      break;
  }
}

void KorvaneFilter::Reset() {
  const double rate = GetSampleRate();
  mLeftLadder.SetSampleRate(rate);
  mRightLadder.SetSampleRate(rate);
  mLeftHP.SetSampleRate(rate);
  mRightHP.SetSampleRate(rate);
  mCutoffGlide.JumpToTarget();
  mResonanceGlide.JumpToTarget();
  Filters f = LoadFilters();
  ApplyCutoff(f, mShape, mCutoffGlide.Current());
  ApplyResonance(f, mResonanceGlide.Current());
  StoreFilters(f);
  mControllerQueue.clear();
  mOutputEnvelope.SetSampleRate(rate);
  mLimiterIndicator = 0.0;
  mMeterCountdown = 0;
}

void KorvaneFilter::OnMidiMessage(const IMidiMessage& msg) {
  const int cc = msg.ControllerNumber();
  if (msg.Kind() == IMidiMessage::kControlChange &&
      (cc == kCCResonance || cc == kCCCutoff || cc == kCCShape)) {
    ControllerEvent ev;
    ev.controller = cc;
    ev.offset = msg.offset < 0 ? 0 : msg.offset;  // late events apply at the block's start
    ev.value = msg.ControlValue(cc);
    // After every queued event with the same or a smaller offset: the queue stays in order of
    // arrival within one sample.
    const auto at = std::upper_bound(
        mControllerQueue.begin(), mControllerQueue.end(), ev.offset,
        [](int offset, const ControllerEvent& queued) { return offset < queued.offset; });
    mControllerQueue.insert(at, ev);
  }
  SendMidiMessage(msg);
}

bool KorvaneFilter::ApplyControllerEvent(const ControllerEvent& ev, bool& cutoffMoving,
                                         bool& resonanceMoving) {
  IGraphics* gui = GetGUI();
  switch (ev.controller) {
    case kCCCutoff:
      HostAutomate(kCutoff, ev.value);
      if (gui) gui->SetControlFromPlugin(kCutoff, ev.value);
      mCutoffGlide.SetTarget(ev.value * kCutoffSpan + kMinCutoff);
      cutoffMoving = true;
      break;
    case kCCResonance:
      HostAutomate(kResonance, ev.value);
      if (gui) gui->SetControlFromPlugin(kResonance, ev.value);
      mResonanceGlide.SetTarget(ev.value);
      resonanceMoving = true;
      break;
    case kCCShape:
      HostAutomate(kShape, ev.value);
      if (gui) gui->SetControlFromPlugin(kShape, ev.value);
      mShape = ShapeFromController(ev.value);
      return true;
    default:
      break;
  }
  return false;
}

void KorvaneFilter::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  const double rate = GetSampleRate();

  // ---- block start ----
  if (mLimiterIndicator > 0.0) {
    mLimiterIndicator -= nFrames / rate;
    if (mLimiterIndicator < 0.0) mLimiterIndicator = 0.0;
  }
  // The shape, and so the gain, hold for the whole block even if a controller changes it.
  const int blockShape = mShape;
  const bool bandPass = blockShape == kBandPassWide || blockShape == kBandPassNarrow;
  const double gain = blockShape == kBandPassWide ? 4.0 : blockShape == kBandPassNarrow ? 8.0 : 1.0;
  size_t pending = 0;
  const size_t queued = mControllerQueue.size();
  bool cutoffMoving = mCutoffGlide.Tick();
  bool resonanceMoving = mResonanceGlide.Tick();

  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  Filters f = LoadFilters();
  EnvelopeFollower envelope = mOutputEnvelope;

  // ---- sample loop ----
  int i = 0;
  while (i < nFrames) {
    // Every event due at or before this sample, in queue order.
    while (pending < queued && mControllerQueue[pending].offset <= i) {
      if (ApplyControllerEvent(mControllerQueue[pending], cutoffMoving, resonanceMoving)) {
        ApplyHighPassFrequency(f, mShape, mCutoffGlide.Current());
      }
      ++pending;
    }
    // Run up to the next event: without per-sample checks while nothing changes, recomputing
    // coefficients on the way while a glide moves.
    int end = nFrames;
    if (pending < queued && mControllerQueue[pending].offset < end) {
      end = mControllerQueue[pending].offset;
    }
    const bool gliding = cutoffMoving || resonanceMoving;
    if (bandPass) {
      if (gliding) {
        Run<true, true>(f, envelope, inL, inR, outL, outR, i, end, gain, cutoffMoving,
                        resonanceMoving);
      } else {
        Run<true, false>(f, envelope, inL, inR, outL, outR, i, end, gain, cutoffMoving,
                         resonanceMoving);
      }
    } else if (gliding) {
      Run<false, true>(f, envelope, inL, inR, outL, outR, i, end, gain, cutoffMoving,
                       resonanceMoving);
    } else {
      Run<false, false>(f, envelope, inL, inR, outL, outR, i, end, gain, cutoffMoving,
                        resonanceMoving);
    }
    i = end;
  }
  StoreFilters(f);
  mOutputEnvelope = envelope;

  // ---- block end ----
  mControllerQueue.clear();  // events at or past nFrames are dropped
  if (mBrickwallOn && nFrames > 0) {
    const double overL = LimitBuffer(outL, nFrames);
    const double overR = LimitBuffer(outR, nFrames);
    mLimiterIndicator = std::max(mLimiterIndicator, std::max(overL, overR));
  }
  // ---- last guard: nothing the host cannot hold ----
  const bool resetL = OutputGuard::Apply(outL, nFrames, mLeftLadder, mLeftHP);
  const bool resetR = OutputGuard::Apply(outR, nFrames, mRightLadder, mRightHP);
  if (resetL || resetR) {
    mNonFiniteResets += resetL + resetR;
    if (!std::isfinite(mOutputEnvelope.Envelope())) mOutputEnvelope.SetSampleRate(rate);
  }
  if (--mMeterCountdown > 0) return;
  mMeterCountdown = TruncToInt(rate / GetBlockSize() * kDisplayRate);
  if (IGraphics* gui = GetGUI()) {
    gui->SetControlFromPlugin(mIndicatorControl, mLimiterIndicator);
    gui->SetControlFromPlugin(mMeterControl, mOutputEnvelope.Envelope());
  }
}
