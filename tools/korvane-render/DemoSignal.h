#pragma once

#include <vector>

class MidiSchedule;

/// The built-in demo: eight seconds of stereo at 44.1 kHz that show what the filter does.
///
///   0 – 3 s  a sawtooth chord through the low pass; controller 74 sweeps the cutoff down to
///            about 300 Hz and back up while controller 71 raises the resonance
///   3 – 6 s  the band-pass shapes chosen with controller 111, wide then narrow, the cutoff
///            swept up and down again
///   6 – 8 s  a passage twice as loud through the wide band pass, whose make-up gain drives
///            the peaks past full scale, where the brickwall limit catches them
class DemoSignal {
 public:
  static constexpr double kSampleRate = 44100.0;
  static constexpr int kChannels = 2;
  static constexpr double kSeconds = 8.0;

  /// The dry signal, interleaved stereo, peaking just below full scale.
  static std::vector<double> Generate();
  /// The controller changes that play the filter.
  static void AddControllers(MidiSchedule& midi);
};
