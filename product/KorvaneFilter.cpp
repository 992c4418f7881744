#include "product/KorvaneFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/IGraphics.h"
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
}

KorvaneFilter::~KorvaneFilter() = default;

void KorvaneFilter::ApplyHighPassFrequency(double hz) {
  if (mShape == kBandPassWide) {
    mLeftHP.SetFrequency(hz * 0.25);
    mRightHP.SetFrequency(hz * 0.25);
  } else if (mShape == kBandPassNarrow) {
    mLeftHP.SetFrequency(hz * 0.75);
    mRightHP.SetFrequency(hz * 0.75);
  }
}

void KorvaneFilter::ApplyCutoff(double hz) {
  mLeftLadder.SetCutoff(hz);
  mRightLadder.SetCutoff(hz);
  ApplyHighPassFrequency(hz);
}

void KorvaneFilter::OnParamChange(int index) {
  switch (index) {
    case kShape:
      mShape = TruncToInt(GetParam(kShape)->Value());
      ApplyHighPassFrequency(mCutoffGlide.Current());
      break;
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
  ApplyCutoff(mCutoffGlide.Current());
  mLeftLadder.SetResonance(mResonanceGlide.Current());
  mRightLadder.SetResonance(mResonanceGlide.Current());
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

void KorvaneFilter::ApplyControllerEvent(const ControllerEvent& ev, bool& cutoffMoving,
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
      ApplyHighPassFrequency(mCutoffGlide.Current());
      break;
    default:
      break;
  }
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

  // ---- sample loop ----
  for (int i = 0; i < nFrames; ++i) {
    // Every event due at or before this sample, in queue order.
    while (pending < queued && mControllerQueue[pending].offset <= i) {
      ApplyControllerEvent(mControllerQueue[pending], cutoffMoving, resonanceMoving);
      ++pending;
    }
    if (cutoffMoving) {
      ApplyCutoff(mCutoffGlide.Current());
      cutoffMoving = mCutoffGlide.Tick();
    }
    if (resonanceMoving) {
      mLeftLadder.SetResonance(mResonanceGlide.Current());
      mRightLadder.SetResonance(mResonanceGlide.Current());
      resonanceMoving = mResonanceGlide.Tick();
    }
    // A NaN or infinite input would leave the ladder's state NaN for good: take it as silence.
    const double xl = std::isfinite(inL[i]) ? inL[i] : 0.0;
    const double xr = std::isfinite(inR[i]) ? inR[i] : 0.0;
    double yl = mLeftLadder.Process(xl);
    double yr = mRightLadder.Process(xr);
    if (bandPass) {
      yl = mLeftHP.Process(yl) * gain;
      yr = mRightHP.Process(yr) * gain;
    }
    mOutputEnvelope.Process(yl + yr);
    outL[i] = yl;
    outR[i] = yr;
  }

  // ---- block end ----
  mControllerQueue.clear();  // events at or past nFrames are dropped
  if (mBrickwallOn && nFrames > 0) {
    const double overL = LimitBuffer(outL, nFrames);
    const double overR = LimitBuffer(outR, nFrames);
    mLimiterIndicator = std::max(mLimiterIndicator, std::max(overL, overR));
  }
  if (--mMeterCountdown > 0) return;
  mMeterCountdown = TruncToInt(rate / GetBlockSize() * kDisplayRate);
  if (IGraphics* gui = GetGUI()) {
    gui->SetControlFromPlugin(mIndicatorControl, mLimiterIndicator);
    gui->SetControlFromPlugin(mMeterControl, mOutputEnvelope.Envelope());
  }
}
