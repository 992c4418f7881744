#pragma once

#include <cstdint>

/// Where a render's input comes from: a file or samples made in memory.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual int Channels() const = 0;
  virtual double SampleRate() const = 0;
  /// Frames in the whole source.
  virtual int64_t Frames() const = 0;
  /// Reads up to `frames` interleaved frames; returns how many, 0 at the end. Throws
  /// RenderError on a read error.
  virtual int64_t Read(double* interleaved, int64_t frames) = 0;
};

/// Where a render's output goes.
class AudioSink {
 public:
  virtual ~AudioSink() = default;
  /// Writes interleaved frames. Throws RenderError on a write error.
  virtual void Write(const double* interleaved, int64_t frames) = 0;
};
