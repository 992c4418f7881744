#pragma once

#include <sndfile.h>

#include <string>

#include "tools/korvane-render/AudioSource.h"

/// An audio file read through libsndfile (WAV, FLAC, AIFF, Ogg and whatever else it reads),
/// as doubles normalised to full scale 1.0.
class AudioReader : public AudioSource {
 public:
  /// Opens the file. Throws RenderError when it is missing or not a readable audio file.
  explicit AudioReader(const std::string& path);
  ~AudioReader() override;
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  int Channels() const override { return mInfo.channels; }
  double SampleRate() const override { return mInfo.samplerate; }
  int64_t Frames() const override { return mInfo.frames; }
  int64_t Read(double* interleaved, int64_t frames) override;
  /// libsndfile's format word: container | sample format.
  int Format() const { return mInfo.format; }

 private:
  std::string mPath;
  SF_INFO mInfo{};
  SNDFILE* mFile = nullptr;
};
