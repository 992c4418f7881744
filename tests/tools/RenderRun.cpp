#include "tests/tools/RenderRun.h"

#include <sndfile.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

std::string RenderTool() {
  return KORVANE_RENDER_PATH;
}

std::string FilterModule() {
  return KORVANE_MODULE_PATH;
}

RenderRun::RenderRun() {
  std::string pattern = (fs::temp_directory_path() / "korvane-render-test-XXXXXX").string();
  mDir = mkdtemp(pattern.data()) ? pattern : std::string();
}

RenderRun::~RenderRun() {
  std::error_code error;
  if (!mDir.empty()) fs::remove_all(mDir, error);
}

int RenderRun::Run(const std::vector<std::string>& args) {
  // The captured output lives beside the folder so that it never shows among the outputs.
  const std::string out = mDir + ".stdout", err = mDir + ".stderr";
  std::string command = "cd " + Quote(mDir) + " && " + Quote(RenderTool());
  for (const std::string& a : args) command += " " + Quote(a);
  command += " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
  const int status = std::system(command.c_str());
  mOut = Slurp(out);
  mErr = Slurp(err);
  fs::remove(out);
  fs::remove(err);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> RenderRun::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(mDir)) {
    names.push_back(fs::relative(entry.path(), mDir).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

double Audio::Peak(double from, double to) const {
  double peak = 0.0;
  const long long first = std::max(0LL, std::llround(from * sampleRate));
  const long long last = std::min(Frames(), std::llround(to * sampleRate));
  for (long long i = first * channels; i < last * channels; ++i) {
    peak = std::max(peak, std::fabs(samples[static_cast<size_t>(i)]));
  }
  return peak;
}

double Audio::Tone(int channel, double hz, double from, double to) const {
  const long long first = std::max(0LL, std::llround(from * sampleRate));
  const long long last = std::min(Frames(), std::llround(to * sampleRate));
  const long long n = last - first;
  if (n < 2) return 0.0;
  // Correlation with a complex exponential under a Hann window, scaled to a sine's amplitude.
  double re = 0.0, im = 0.0, windowSum = 0.0;
  for (long long i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * i / (n - 1));
    const double phase = 2.0 * kPi * hz * i / sampleRate;
    const double x = At(first + i, channel) * w;
    re += x * std::cos(phase);
    im += x * std::sin(phase);
    windowSum += w;
  }
  return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

Audio ReadAudio(const std::string& path) {
  Audio audio;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return audio;
  audio.channels = info.channels;
  audio.sampleRate = info.samplerate;
  audio.format = info.format;
  audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_double(file, audio.samples.data(), info.frames);
  sf_close(file);
  return audio;
}

void WriteSines(const std::string& path, int channels, double seconds, int format,
                const std::vector<std::pair<double, double>>& tones, int sampleRate) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return;
  const long long frames = std::llround(seconds * sampleRate);
  std::vector<double> samples(static_cast<size_t>(frames * channels));
  for (long long i = 0; i < frames; ++i) {
    double s = 0.0;
    for (const auto& [hz, amplitude] : tones)
      s += amplitude * std::sin(2.0 * kPi * hz * i / sampleRate);
    for (int c = 0; c < channels; ++c) samples[static_cast<size_t>(i * channels + c)] = s;
  }
  sf_writef_double(file, samples.data(), frames);
  sf_close(file);
}
