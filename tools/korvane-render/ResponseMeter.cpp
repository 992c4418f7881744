#include "tools/korvane-render/ResponseMeter.h"

#include <algorithm>
#include <cmath>

#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/VstHost.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTopFraction = 0.995;  // of Nyquist: the highest frequency measured
constexpr double kSettleSeconds = 0.1;
constexpr double kSettlePeriods = 10.0;
constexpr int64_t kMeasureFrames = 4096;
constexpr double kMeasurePeriods = 16.0;
constexpr double kSilenceDb = -300.0;

// Amplitude of the component at `cycles` per frame in x[0..n) under a Hann window.
double Amplitude(const std::vector<double>& x, double cycles) {
  const size_t n = x.size();
  double re = 0.0, im = 0.0, windowSum = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / (n - 1));
    const double phase = 2.0 * kPi * cycles * static_cast<double>(i);
    re += x[i] * w * std::cos(phase);
    im += x[i] * w * std::sin(phase);
    windowSum += w;
  }
  return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

}  // namespace

ResponseMeter::ResponseMeter(VstHost& host, double sampleRate, int blockSize)
    : mHost(host), mSampleRate(sampleRate), mBlockSize(blockSize) {}

std::vector<ResponseMeter::Point> ResponseMeter::Measure() {
  if (mHost.NumInputs() < 1 || mHost.NumOutputs() < 1) {
    throw RenderError("plug-in " + mHost.Path() + " has " + std::to_string(mHost.NumInputs()) +
                      " inputs and " + std::to_string(mHost.NumOutputs()) +
                      " outputs: no response to measure");
  }
  const int channels = std::min(mHost.NumInputs(), mHost.NumOutputs());
  mHost.Start(mSampleRate, mBlockSize, channels, false);

  const size_t planes = static_cast<size_t>(std::max(mHost.NumInputs(), mHost.NumOutputs()));
  std::vector<std::vector<float>> in(planes, std::vector<float>(static_cast<size_t>(mBlockSize)));
  std::vector<std::vector<float>> out = in;
  std::vector<float*> inPointers, outPointers;
  for (size_t c = 0; c < planes; ++c) {
    inPointers.push_back(in[c].data());
    outPointers.push_back(out[c].data());
  }

  const double top = kTopFraction * mSampleRate / 2.0;
  const int steps =
      std::max(1, static_cast<int>(std::ceil(kStepsPerOctave * std::log2(top / kLowestHz))));
  std::vector<Point> points;
  double phase = 0.0;  // of the sine, in cycles, carried from step to step
  int64_t frame = 0;
  std::vector<double> sent, received;
  for (int k = 0; k <= steps; ++k) {
    const double hz = kLowestHz * std::pow(top / kLowestHz, static_cast<double>(k) / steps);
    const double cycles = hz / mSampleRate;  // per frame
    const double period = mSampleRate / hz;
    const int64_t settle = static_cast<int64_t>(
        std::ceil(std::max(kSettleSeconds * mSampleRate, kSettlePeriods * period)));
    const int64_t measure =
        std::max(kMeasureFrames, static_cast<int64_t>(std::ceil(kMeasurePeriods * period)));
    sent.clear();
    received.clear();
    for (int64_t done = 0; done < settle + measure;) {
      const int n = static_cast<int>(std::min<int64_t>(mBlockSize, settle + measure - done));
      for (int i = 0; i < n; ++i) {
        const float s = static_cast<float>(kLevel * std::sin(2.0 * kPi * phase));
        for (int c = 0; c < mHost.NumInputs(); ++c)
          in[static_cast<size_t>(c)][static_cast<size_t>(i)] = s;
        phase += cycles;
        phase -= std::floor(phase);
      }
      mHost.SetPosition(frame);
      mHost.Process(inPointers.data(), outPointers.data(), n);
      for (int i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) {
          if (!std::isfinite(out[static_cast<size_t>(c)][static_cast<size_t>(i)]) &&
              mNonFinite++ == 0) {
            mFirstNonFinite = frame + i;
          }
        }
        double y = static_cast<double>(out[0][static_cast<size_t>(i)]);
        if (!std::isfinite(y)) y = 0.0;
        if (done + i >= settle) {
          sent.push_back(static_cast<double>(in[0][static_cast<size_t>(i)]));
          received.push_back(y);
        }
      }
      done += n;
      frame += n;
    }
    const double ratio = Amplitude(received, cycles) / Amplitude(sent, cycles);
    points.push_back(
        {hz, ratio > 0.0 ? std::max(kSilenceDb, 20.0 * std::log10(ratio)) : kSilenceDb});
  }
  mHost.Stop();
  return points;
}
