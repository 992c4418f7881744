#include "tools/korvane-render/DemoSignal.h"

#include <algorithm>
#include <cmath>

#include "tools/korvane-render/MidiSchedule.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kCutoff = 74, kResonance = 71, kShape = 111;
constexpr double kLoudFrom = 6.0;  // seconds
constexpr double kLoudGain = 2.0;  // the loud passage against the rest
constexpr double kPeak = 0.95;     // the dry signal's peak, in the loud passage

// Four chords of two seconds, root position sevenths (Hz).
constexpr double kChords[4][4] = {
    {110.00, 164.81, 196.00, 261.63},  // A minor 7
    {87.31, 130.81, 164.81, 220.00},   // F major 7
    {130.81, 196.00, 246.94, 329.63},  // C major 7
    {110.00, 164.81, 196.00, 261.63},  // A minor 7
};

// Band-limited sawtooth: the naive ramp with a polynomial step correction (polyBLEP) at the
// wrap, so that the sweep is not drowned in aliases.
class Saw {
 public:
  void SetFrequency(double hz, double rate) { mIncrement = hz / rate; }
  double Next() {
    double y = 2.0 * mPhase - 1.0;
    y -= Blep(mPhase, mIncrement);
    mPhase += mIncrement;
    if (mPhase >= 1.0) mPhase -= 1.0;
    return y;
  }
  void SetPhase(double phase) { mPhase = phase; }

 private:
  static double Blep(double t, double dt) {
    if (t < dt) {
      t /= dt;
      return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
      t = (t - 1.0) / dt;
      return t * t + t + t + 1.0;
    }
    return 0.0;
  }
  double mPhase = 0.0;
  double mIncrement = 0.0;
};

// The controller value whose linear mapping 10 + 17990 × value / 127 comes nearest to hz.
int CutoffValue(double hz) {
  return std::clamp(static_cast<int>(std::lround((hz - 10.0) / 17990.0 * 127.0)), 0, 127);
}

// A sweep between two frequencies on a logarithmic scale, one controller change per 10 ms.
void Sweep(MidiSchedule& midi, double from, double to, double fromHz, double toHz) {
  const int steps = static_cast<int>(std::lround((to - from) * 100.0));
  for (int i = 0; i <= steps; ++i) {
    const double x = static_cast<double>(i) / steps;
    midi.AddControlChange(from + (to - from) * x, kCutoff,
                          CutoffValue(fromHz * std::pow(toHz / fromHz, x)));
  }
}

}  // namespace

std::vector<double> DemoSignal::Generate() {
  const int frames = static_cast<int>(kSeconds * kSampleRate);
  std::vector<double> out(static_cast<size_t>(frames) * kChannels);
  // Each note has a voice per side, a few cents apart, for width.
  Saw voices[4][kChannels];
  for (int n = 0; n < 4; ++n) {
    voices[n][0].SetPhase(0.13 * n);
    voices[n][1].SetPhase(0.29 * n + 0.5);
  }
  const double detune = std::pow(2.0, 4.0 / 1200.0);
  int chord = -1;
  for (int i = 0; i < frames; ++i) {
    const double t = i / kSampleRate;
    const int c = std::min(3, static_cast<int>(t / 2.0));
    if (c != chord) {
      chord = c;
      for (int n = 0; n < 4; ++n) {
        voices[n][0].SetFrequency(kChords[c][n] / detune, kSampleRate);
        voices[n][1].SetFrequency(kChords[c][n] * detune, kSampleRate);
      }
    }
    // Short fades at the ends; the loud passage comes in over 50 ms.
    double gain = std::min({1.0, t / 0.02, (kSeconds - t) / 0.05});
    gain *= 1.0 + (kLoudGain - 1.0) * std::clamp((t - kLoudFrom) / 0.05, 0.0, 1.0);
    // A slow tremolo keeps the pad alive.
    gain *= 0.85 + 0.15 * std::cos(2.0 * kPi * 2.0 * t);
    for (int ch = 0; ch < kChannels; ++ch) {
      double s = 0.0;
      for (int n = 0; n < 4; ++n) s += voices[n][ch].Next();
      out[static_cast<size_t>(i) * kChannels + ch] = s * gain;
    }
  }
  double peak = 0.0;
  for (double s : out) peak = std::max(peak, std::fabs(s));
  if (peak > 0.0) {
    for (double& s : out) s *= kPeak / peak;
  }
  return out;
}

void DemoSignal::AddControllers(MidiSchedule& midi) {
  // Low pass, cutoff swept down and up, resonance rising.
  midi.AddControlChange(0.0, kShape, 0);
  Sweep(midi, 0.0, 1.5, 18000.0, 300.0);
  Sweep(midi, 1.5, 3.0, 300.0, 18000.0);
  for (int i = 0; i <= 30; ++i) {
    midi.AddControlChange(i * 0.1, kResonance, 13 + (i * 102) / 30);  // 0.1 to 0.9
  }
  // Band pass wide, then narrow, over an up-and-down sweep.
  midi.AddControlChange(3.0, kResonance, 50);
  midi.AddControlChange(3.0, kShape, 64);
  Sweep(midi, 3.0, 4.5, 500.0, 6000.0);
  midi.AddControlChange(4.5, kShape, 127);
  Sweep(midi, 4.5, 6.0, 6000.0, 500.0);
  // The loud passage: band pass wide around 1.1 kHz, whose make-up gain drives the peaks well
  // past full scale, where the brickwall limit bends them back.
  midi.AddControlChange(kLoudFrom, kShape, 64);
  midi.AddControlChange(kLoudFrom, kCutoff, CutoffValue(1100.0));
  midi.AddControlChange(kLoudFrom, kResonance, 30);
}
