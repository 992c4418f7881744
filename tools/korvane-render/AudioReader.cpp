#include "tools/korvane-render/AudioReader.h"

#include <filesystem>

#include "tools/korvane-render/RenderError.h"

AudioReader::AudioReader(const std::string& path) : mPath(path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw RenderError("input " + path + " does not exist");
  if (fs::is_directory(status)) throw RenderError("input " + path + " is a directory");
  mFile = sf_open(path.c_str(), SFM_READ, &mInfo);
  if (!mFile) throw RenderError("cannot read input " + path + ": " + sf_strerror(nullptr));
  if (mInfo.channels < 1 || mInfo.samplerate < 1 || mInfo.frames < 0) {
    throw RenderError("input " + path + " has no channels, no sample rate or no length");
  }
}

AudioReader::~AudioReader() {
  if (mFile) sf_close(mFile);
}

int64_t AudioReader::Read(double* interleaved, int64_t frames) {
  const sf_count_t n = sf_readf_double(mFile, interleaved, frames);
  if (n < frames && sf_error(mFile) != SF_ERR_NO_ERROR) {
    throw RenderError("cannot read input " + mPath + ": " + sf_strerror(mFile));
  }
  return n;
}
