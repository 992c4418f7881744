#pragma once

#include <string>
#include <vector>

/// Runs korvane-render as a user would, in a folder of its own, and reads what it wrote.
class RenderRun {
 public:
  /// Creates an empty working folder; removed again on destruction.
  RenderRun();
  ~RenderRun();
  RenderRun(const RenderRun&) = delete;
  RenderRun& operator=(const RenderRun&) = delete;

  /// Runs the tool with these arguments in the working folder; returns its exit status.
  int Run(const std::vector<std::string>& args);

  const std::string& Dir() const { return mDir; }
  std::string Path(const std::string& name) const { return mDir + "/" + name; }
  const std::string& Out() const { return mOut; }
  const std::string& Err() const { return mErr; }
  /// Names of the files in the working folder, sorted.
  std::vector<std::string> Files() const;

 private:
  std::string mDir;
  std::string mOut, mErr;
};

/// An audio file as the tests see it: interleaved samples, full scale 1.0.
struct Audio {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;  // libsndfile's format word
  std::vector<double> samples;

  long long Frames() const {
    return channels ? static_cast<long long>(samples.size()) / channels : 0;
  }
  double At(long long frame, int channel) const {
    return samples[static_cast<size_t>(frame * channels + channel)];
  }
  /// Peak magnitude over [from, to) seconds, all channels.
  double Peak(double from, double to) const;
  /// Amplitude of a sine at hz in one channel over [from, to) seconds (Goertzel, Hann window).
  double Tone(int channel, double hz, double from, double to) const;
};

/// Reads an audio file; channels 0 when it cannot be read.
Audio ReadAudio(const std::string& path);
/// Writes sines (frequency, amplitude pairs) into every channel of a WAV file.
void WriteSines(const std::string& path, int channels, double seconds, int format,
                const std::vector<std::pair<double, double>>& tones, int sampleRate = 44100);

/// The path of the tool and of the plug-in module built with it.
std::string RenderTool();
std::string FilterModule();
