#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tools/korvane-render/AudioSource.h"

/// Interleaved samples held in memory as a source.
class MemorySource : public AudioSource {
 public:
  MemorySource(const std::vector<double>& samples, int channels, double sampleRate)
      : mSamples(samples), mChannels(channels), mSampleRate(sampleRate) {}

  int Channels() const override { return mChannels; }
  double SampleRate() const override { return mSampleRate; }
  int64_t Frames() const override { return static_cast<int64_t>(mSamples.size()) / mChannels; }
  int64_t Read(double* interleaved, int64_t frames) override {
    const int64_t n = std::min(frames, Frames() - mFrame);
    std::copy_n(mSamples.begin() + mFrame * mChannels, n * mChannels, interleaved);
    mFrame += n;
    return n;
  }
  void Rewind() { mFrame = 0; }

 private:
  const std::vector<double>& mSamples;
  int mChannels;
  double mSampleRate;
  int64_t mFrame = 0;
};
