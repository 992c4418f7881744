// A host session decoded from the input: parameters, MIDI and other events, the three audio
// callbacks with any block size and hostile samples, programs, sample rates, block sizes,
// processing on and off, speaker arrangements, the vendor display query. After every block:
// every output sample finite; with the brickwall limit on, |output| within the ceiling on the
// double path; the host sees only the calls it is meant to and automation within 0..1.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "fuzz/FuzzPlugin.h"

namespace {

constexpr double kCeiling = 0.98855309465694;
constexpr int kMaxFrames = 8192;

double Sample(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0:
      return std::numeric_limits<double>::quiet_NaN();
    case 1:
      return std::numeric_limits<double>::infinity();
    case 2:
      return -std::numeric_limits<double>::infinity();
    case 3:
      return 1e30;
    case 4:
      return 1e-310;  // denormal
    case 5:
      return -1e300;
    default:
      return in.ConsumeFloatingPointInRange(-2.0, 2.0);
  }
}

float Value(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return std::numeric_limits<float>::quiet_NaN();
    case 1:
      return std::numeric_limits<float>::infinity();
    case 2:
      return -std::numeric_limits<float>::infinity();
    case 3:
      return -1.0f;
    case 4:
      return 2.0f;
    default:
      return in.ConsumeProbability<float>();
  }
}

struct Session {
  FuzzPlugin plugin;
  int blockSize = 512;  // as last announced
  std::vector<double> inD[2], outD[2];
  std::vector<float> inF[2], outF[2];
  std::vector<VstMidiEvent> midi;
  std::vector<VstEvent> other;
  std::vector<VstEvent*> list;
  std::vector<unsigned char> listStorage;

  void Events(FuzzedDataProvider& in) {
    const size_t n = in.ConsumeIntegralInRange<size_t>(0, 300);
    midi.assign(n, VstMidiEvent{});
    other.assign(n, VstEvent{});
    list.assign(n, nullptr);
    for (size_t i = 0; i < n; ++i) {
      const int kind = in.ConsumeIntegralInRange(0, 5);
      if (kind == 0) continue;  // a null entry
      if (kind >= 3) {
        VstMidiEvent& e = midi[i];
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = in.ConsumeIntegral<VstInt32>();
        if (in.ConsumeBool()) e.deltaFrames = in.ConsumeIntegralInRange(-8, 600);
        for (int b = 0; b < 3; ++b)
          e.midiData[b] = static_cast<char>(in.ConsumeIntegral<uint8_t>());
        if (in.ConsumeBool()) e.midiData[0] = static_cast<char>(0xB0 | (e.midiData[0] & 15));
        list[i] = reinterpret_cast<VstEvent*>(&e);
      } else {
        VstEvent& e = other[i];
        e.type = kind == 1 ? kVstSysExType : in.ConsumeIntegral<VstInt32>();
        e.byteSize = sizeof e;
        e.deltaFrames = in.ConsumeIntegral<VstInt32>();
        list[i] = &e;
      }
    }
    // The record with its list written past the two declared entries.
    const size_t header = offsetof(VstEvents, events);
    listStorage.assign(header + (n + 2) * sizeof(VstEvent*) + sizeof(VstEvent*), 0);
    VstEvents head{};
    head.numEvents = static_cast<VstInt32>(n);
    std::memcpy(listStorage.data(), &head, header);
    if (n) std::memcpy(listStorage.data() + header, list.data(), n * sizeof(VstEvent*));
    plugin.Dispatch(effProcessEvents, 0, 0, listStorage.data());
  }

  void Audio(FuzzedDataProvider& in, int callback) {
    const int announced = blockSize > 0 ? blockSize : 0;
    int n = in.ConsumeIntegralInRange(-4, std::min(2 * announced + 1, kMaxFrames));
    const int frames = n > 0 ? n : 0;
    const bool constant = in.ConsumeBool();
    const double fill = Sample(in);
    for (int c = 0; c < 2; ++c) {
      inD[c].assign(static_cast<size_t>(frames) + 1, 0.0);
      for (double& x : inD[c]) x = constant ? fill : Sample(in);
      outD[c].assign(inD[c].size(), 0.0);
      inF[c].assign(inD[c].begin(), inD[c].end());
      outF[c].assign(inD[c].size(), 0.0f);
    }
    const bool limit = plugin.Plug()->GetParam(KorvaneFilter::kBrickwall)->Value() != 0.0;
    AEffect* e = plugin.effect;
    if (callback == 2) {
      double* i2[] = {inD[0].data(), inD[1].data()};
      double* o2[] = {outD[0].data(), outD[1].data()};
      e->processDoubleReplacing(e, i2, o2, n);
    } else {
      float* i2[] = {inF[0].data(), inF[1].data()};
      float* o2[] = {outF[0].data(), outF[1].data()};
      (callback == 0 ? e->process : e->processReplacing)(e, i2, o2, n);
    }
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < frames; ++i) {
        const double y = callback == 2 ? outD[c][i] : outF[c][i];
        if (!std::isfinite(y)) FuzzPlugin::Fail("a non-finite output sample", i, y);
        if (limit && callback == 2 && std::fabs(y) > kCeiling) {
          FuzzPlugin::Fail("a limited sample beyond the ceiling", i, y);
        }
      }
    }
  }

  void Step(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 10)) {
      case 0:
        plugin.effect->setParameter(plugin.effect, in.ConsumeIntegralInRange(-2, 7), Value(in));
        break;
      case 1:
        Events(in);
        break;
      case 2:
      case 3:
      case 4:
        Audio(in, in.ConsumeIntegralInRange(0, 2));
        break;
      case 5:
        plugin.Dispatch(effSetProgram, 0, in.ConsumeIntegral<int32_t>());
        break;
      case 6: {
        float rate = in.ConsumeBool() ? Value(in) * 800000.0f : in.ConsumeFloatingPoint<float>();
        plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        break;
      }
      case 7:
        blockSize = in.ConsumeIntegralInRange(-10, kMaxFrames / 2);
        plugin.Dispatch(effSetBlockSize, 0, blockSize);
        break;
      case 8:
        plugin.Dispatch(effMainsChanged, 0, in.ConsumeBool() ? 1 : 0);
        break;
      case 9: {
        VstSpeakerArrangement input{}, output{};
        input.numChannels = in.ConsumeIntegralInRange(0, 2);
        output.numChannels = in.ConsumeIntegralInRange(0, 2);
        input.type = input.numChannels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
        output.type = output.numChannels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
        plugin.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output);
        break;
      }
      default: {
        char text[256] = {};
        plugin.Dispatch(effVendorSpecific, effGetParamDisplay, in.ConsumeIntegralInRange(-2, 7),
                        text, Value(in));
        break;
      }
    }
    plugin.CheckParameters();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Session session;
  session.plugin.Dispatch(effOpen);
  session.plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  session.plugin.Dispatch(effSetBlockSize, 0, 512);
  session.plugin.Dispatch(effMainsChanged, 0, 1);
  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) session.Step(in);
  return 0;
}
