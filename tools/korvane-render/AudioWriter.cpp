#include "tools/korvane-render/AudioWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/korvane-render/RenderError.h"

namespace {

std::string SystemError() {
  return std::strerror(errno);
}

}  // namespace

AudioWriter::AudioWriter(const std::string& path, int format, int channels, int sampleRate)
    : mPath(path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(path, error)) throw RenderError("output " + path + " is a directory");
  const fs::path directory = fs::path(path).parent_path();
  if (!directory.empty() && !fs::is_directory(directory, error)) {
    throw RenderError("cannot write " + path + ": folder " + directory.string() +
                      " does not exist");
  }
  // Beside the target, so that the final rename stays on one file system. O_EXCL: never
  // reuse a name some other process holds; the mode lets the umask decide as for any file.
  for (int attempt = 0; attempt < 100 && mDescriptor < 0; ++attempt) {
    mTempPath = path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
    mDescriptor = open(mTempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mDescriptor < 0 && errno != EEXIST) break;
  }
  if (mDescriptor < 0) throw RenderError("cannot write " + path + ": " + SystemError());
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = format;
  mFile = sf_open_fd(mDescriptor, SFM_WRITE, &info, SF_FALSE);
  if (!mFile) {
    const std::string why = sf_strerror(nullptr);
    Discard();
    throw RenderError("cannot write " + path + ": " + why);
  }
  sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter() {
  Discard();
}

void AudioWriter::Write(const double* interleaved, int64_t frames) {
  if (sf_writef_double(mFile, interleaved, frames) != frames) {
    throw RenderError("cannot write " + mPath + ": " + sf_strerror(mFile));
  }
}

void AudioWriter::Commit() {
  const int closed = sf_close(mFile);
  mFile = nullptr;
  if (closed != 0) {
    const std::string why = sf_error_number(closed);
    Discard();
    throw RenderError("cannot write " + mPath + ": " + why);
  }
  if (close(mDescriptor) != 0) {
    mDescriptor = -1;
    const std::string why = SystemError();
    Discard();
    throw RenderError("cannot write " + mPath + ": " + why);
  }
  mDescriptor = -1;
  if (std::rename(mTempPath.c_str(), mPath.c_str()) != 0) {
    const std::string why = SystemError();
    Discard();
    throw RenderError("cannot write " + mPath + ": " + why);
  }
  mTempPath.clear();
}

void AudioWriter::Discard() {
  if (mFile) sf_close(mFile);
  mFile = nullptr;
  if (mDescriptor >= 0) close(mDescriptor);
  mDescriptor = -1;
  if (!mTempPath.empty()) unlink(mTempPath.c_str());
  mTempPath.clear();
}
