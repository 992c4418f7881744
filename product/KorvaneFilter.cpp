#include "product/KorvaneFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/IGraphics.h"
#include "platform/Numeric.h"
#include "product/OutputGuard.h"
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

constexpr double kDisplayRate = 0.05555555555555555;  // display updates per second / rate: 1/18

// Controller 74 maps its value linearly onto the cutoff's range (the parameter's power curve
// is not applied).
double CutoffFromController(double value) {
  return value * KorvaneFilter::kCutoffSpan + KorvaneFilter::kMinCutoff;
}

int ShapeFromController(double value) {
  const double s = 3.0 * value;  // value is data / 127, so 0..3
  return s >= 2.0 ? 2 : static_cast<int>(s);
}

}  // namespace

KorvaneFilter::KorvaneFilter(audioMasterCallback hostCallback)
    : BraxVST(hostCallback, kNumParams, "1-1 2-2", kNumPresets, "Korvane Filter (no SSE2)", "",
              "Quorl", kVersion, kUniqueID, kMfrID, 0, true, false, false) {
  mControllerQueue.reserve(kReservedEvents);

  GetParam(kShape)->DefineEnum("filter shape", 0, 3);
  GetParam(kShape)->SetValueText(kLowPass, "low pass");
  GetParam(kShape)->SetValueText(kBandPassWide, "band pass wide");
  GetParam(kShape)->SetValueText(kBandPassNarrow, "band pass narrow");

  GetParam(kCutoff)->DefineDouble("cutoff frequency", kMaxCutoff, kMinCutoff, kMaxCutoff, 1.0,
                                  "Hz");
  GetParam(kCutoff)->SetShape(2.5);
  mChain.SetCutoffImmediate(kMaxCutoff);

  GetParam(kResonance)->DefineDouble("resonance", 0.35, 0.0, 1.0, 0.01, "");
  GetParam(kResonance)->SetShape(2.0);
  mChain.SetResonanceImmediate(0.35);

  GetParam(kBrickwall)->DefineBool("brickwall limit", true);

  BuildEditor();
}

KorvaneFilter::~KorvaneFilter() = default;

void KorvaneFilter::OnParamChange(int index) {
  switch (index) {
    case kShape:
      mChain.SetShape(TruncToInt(GetParam(kShape)->Value()));
      break;
    case kCutoff:
      mChain.SetCutoffTarget(GetParam(kCutoff)->Value());
      break;
    case kResonance:
      mChain.SetResonanceTarget(GetParam(kResonance)->Value());
      break;
    case kBrickwall:
      mBrickwallOn = GetParam(kBrickwall)->Value() != 0.0;
      break;
    default:
      break;
  }
}

void KorvaneFilter::Reset() {
  mChain.Reset(GetSampleRate());
  mControllerQueue.clear();
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

void KorvaneFilter::ApplyControllerEvent(const ControllerEvent& ev) {
  IGraphics* gui = GetGUI();
  switch (ev.controller) {
    case kCCCutoff:
      HostAutomate(kCutoff, ev.value);
      if (gui) gui->SetControlFromPlugin(kCutoff, ev.value);
      mChain.GlideCutoffTo(CutoffFromController(ev.value));
      break;
    case kCCResonance:
      HostAutomate(kResonance, ev.value);
      if (gui) gui->SetControlFromPlugin(kResonance, ev.value);
      mChain.GlideResonanceTo(ev.value);
      break;
    case kCCShape:
      HostAutomate(kShape, ev.value);
      if (gui) gui->SetControlFromPlugin(kShape, ev.value);
      mChain.SetShape(ShapeFromController(ev.value));
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
  mChain.BeginBlock();
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];

  // ---- sample loop: runs between the controller events ----
  size_t pending = 0;
  const size_t queued = mControllerQueue.size();
  int i = 0;
  while (i < nFrames) {
    // Every event due at or before this sample, in queue order.
    for (; pending < queued && mControllerQueue[pending].offset <= i; ++pending) {
      ApplyControllerEvent(mControllerQueue[pending]);
    }
    int end = nFrames;
    if (pending < queued && mControllerQueue[pending].offset < end) {
      end = mControllerQueue[pending].offset;
    }
    mChain.Process(inL, inR, outL, outR, i, end);
    i = end;
  }

  // ---- block end ----
  mControllerQueue.clear();  // events at or past nFrames are dropped
  if (mBrickwallOn && nFrames > 0) {
    const double overL = LimitBuffer(outL, nFrames);
    const double overR = LimitBuffer(outR, nFrames);
    mLimiterIndicator = std::max(mLimiterIndicator, std::max(overL, overR));
  }
  // The last guard: nothing reaches the host that a float cannot hold.
  for (int c = 0; c < 2; ++c) {
    if (OutputGuard::Apply(outputs[c], nFrames)) {
      mChain.ClearChannel(c);
      ++mNonFiniteResets;
    }
  }
  if (--mMeterCountdown > 0) return;
  mMeterCountdown = TruncToInt(rate / GetBlockSize() * kDisplayRate);
  if (IGraphics* gui = GetGUI()) {
    gui->SetControlFromPlugin(mIndicatorControl, mLimiterIndicator);
    gui->SetControlFromPlugin(mMeterControl, mChain.Envelope().Envelope());
  }
}
