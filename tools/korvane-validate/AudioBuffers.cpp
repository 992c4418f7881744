#include "tools/korvane-validate/AudioBuffers.h"

#include <algorithm>
#include <cmath>

namespace {

template <typename T>
const char* Classify(T sample) {
  switch (std::fpclassify(sample)) {
    case FP_NAN:
      return "a NaN";
    case FP_INFINITE:
      return "an infinite";
    case FP_SUBNORMAL:
      return "a denormal";
    default:
      return nullptr;
  }
}

template <typename T>
std::string FirstBad(const std::vector<std::vector<T>>& channels, int count, int frames) {
  for (size_t c = 0; c < static_cast<size_t>(count); ++c) {
    for (int i = 0; i < frames; ++i) {
      const T sample = channels[c][static_cast<size_t>(i)];
      if (const char* kind = Classify(sample))
        return std::string(kind) + " output (channel " + std::to_string(c) + ", frame " +
               std::to_string(i) + ")";
    }
  }
  return {};
}

}  // namespace

AudioBuffers::AudioBuffers(int inputs, int outputs, int frames)
    : mInputs(inputs), mOutputs(outputs), mFrames(frames) {
  const size_t in = static_cast<size_t>(std::max(inputs, 1));
  const size_t out = static_cast<size_t>(std::max(outputs, 1));
  const size_t n = static_cast<size_t>(std::max(frames, 1));
  mIn.assign(in, std::vector<float>(n, 0.0f));
  mOut.assign(out, std::vector<float>(n, 0.0f));
  mInDouble.assign(in, std::vector<double>(n, 0.0));
  mOutDouble.assign(out, std::vector<double>(n, 0.0));
  for (size_t c = 0; c < in; ++c) {
    mInPtrs.push_back(mIn[c].data());
    mInDoublePtrs.push_back(mInDouble[c].data());
  }
  for (size_t c = 0; c < out; ++c) {
    mOutPtrs.push_back(mOut[c].data());
    mOutDoublePtrs.push_back(mOutDouble[c].data());
  }
}

void AudioBuffers::FillInputs(Random& random, float peak) {
  for (size_t c = 0; c < mIn.size(); ++c) {
    for (size_t i = 0; i < mIn[c].size(); ++i) {
      const float sample = peak == 0.0f ? 0.0f : static_cast<float>(random.Between(-peak, peak));
      mIn[c][i] = sample;
      mInDouble[c][i] = sample;
    }
  }
}

void AudioBuffers::FillOutputs(float value) {
  for (auto& channel : mOut) std::fill(channel.begin(), channel.end(), value);
  for (auto& channel : mOutDouble) std::fill(channel.begin(), channel.end(), value);
}

std::string AudioBuffers::FirstBadOutput(int frames, bool doubles) const {
  // Only the channels the module announced: padding pointers are not its outputs.
  const int n = std::min(frames, mFrames);
  return doubles ? FirstBad(mOutDouble, mOutputs, n) : FirstBad(mOut, mOutputs, n);
}

float AudioBuffers::OutputPeak(int frames) const {
  float peak = 0.0f;
  const int n = std::min(frames, mFrames);
  for (int c = 0; c < mOutputs; ++c)
    for (int i = 0; i < n; ++i)
      peak = std::max(peak, std::fabs(mOut[static_cast<size_t>(c)][static_cast<size_t>(i)]));
  return peak;
}
