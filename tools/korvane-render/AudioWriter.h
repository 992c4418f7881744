#pragma once

#include <sndfile.h>

#include <string>

#include "tools/korvane-render/AudioSource.h"

/// An audio file written through libsndfile into a temporary file beside the target, which
/// takes the target's name only in Commit: a render that fails or is interrupted never leaves
/// a half-written file, and an existing file of that name stays as it was until then.
///
/// Samples beyond full scale are clipped when the format is integer, never wrapped.
class AudioWriter : public AudioSink {
 public:
  /// Creates the temporary file. `format` is libsndfile's format word. Throws RenderError.
  AudioWriter(const std::string& path, int format, int channels, int sampleRate);
  /// Removes the temporary file unless Commit succeeded.
  ~AudioWriter() override;
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  void Write(const double* interleaved, int64_t frames) override;
  /// Finishes the file and renames it to the target. Throws RenderError.
  void Commit();

 private:
  void Discard();

  std::string mPath;
  std::string mTempPath;
  int mDescriptor = -1;
  SNDFILE* mFile = nullptr;
};
