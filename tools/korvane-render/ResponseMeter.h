#pragma once

#include <cstdint>
#include <vector>

class VstHost;

/// Measures the small-signal magnitude response of a plug-in at its current settings: a sine
/// of -40 dBFS into every input, stepped in frequency from 10 Hz to just below Nyquist (24
/// steps an octave, the last at 0.995 of Nyquist), and the first output's level at that
/// frequency against the input's.
///
/// Each step keeps the sine's phase running, lets the plug-in settle for the longer of 0.1 s
/// and ten periods, then correlates the output with the step's frequency under a Hann window
/// over the longer of 4096 frames and sixteen periods (the input through the same window is
/// the reference). The plug-in runs through its single-precision callback at the given block
/// size, without MIDI; it is started and stopped by the measurement.
class ResponseMeter {
 public:
  struct Point {
    double hz;
    double db;  // output over input; silence is reported as -300 dB
  };

  static constexpr double kLowestHz = 10.0;
  static constexpr double kLevel = 0.01;  // -40 dBFS
  static constexpr int kStepsPerOctave = 24;

  /// `host` is loaded and not started.
  ResponseMeter(VstHost& host, double sampleRate, int blockSize);

  /// [render thread] Throws RenderError when the plug-in has no input or output.
  std::vector<Point> Measure();

  /// NaN or infinite samples the plug-in returned in the outputs it was connected to (the
  /// first output's are taken as 0), and the first frame of the measurement that held one, or
  /// -1.
  int64_t NonFinite() const { return mNonFinite; }
  int64_t FirstNonFiniteFrame() const { return mFirstNonFinite; }

 private:
  VstHost& mHost;
  double mSampleRate;
  int mBlockSize;
  int64_t mNonFinite = 0;
  int64_t mFirstNonFinite = -1;
};
