#include "tools/korvane-render/PresetTransfer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/korvane-render/PresetFile.h"
#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/VstHost.h"

namespace {

// No program or bank of a real plug-in comes near this; a larger file is not read into memory.
constexpr std::uintmax_t kMaxPresetBytes = std::uintmax_t{256} << 20;

std::vector<uint8_t> ReadFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw RenderError("preset " + path + " does not exist");
  if (!fs::is_regular_file(status)) throw RenderError("preset " + path + " is not a file");
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) throw RenderError("cannot read preset " + path + ": " + error.message());
  if (size > kMaxPresetBytes) {
    throw RenderError("preset " + path + " is " + std::to_string(size) +
                      " bytes long, more than any program or bank (256 MiB)");
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
    throw RenderError("cannot read preset " + path);
  }
  return bytes;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(path, error)) throw RenderError("preset " + path + " is a directory");
  const std::string temp = path + ".part-" + std::to_string(getpid());
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw RenderError("cannot write " + path + ": " + std::strerror(errno));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = done == bytes.size();
  std::string reason = ok ? "" : std::strerror(errno);
  if (close(fd) != 0 && ok) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = std::strerror(errno);
  }
  if (!ok) {
    unlink(temp.c_str());
    throw RenderError("cannot write " + path + ": " + reason);
  }
}

std::string Value(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
  return text;
}

// A program's values must be one per parameter, each a normalised value.
void CheckProgram(const PresetFile::Program& program, int numParams, const std::string& what) {
  if (static_cast<int64_t>(program.params.size()) != numParams) {
    throw RenderError(what + " holds " + std::to_string(program.params.size()) +
                      " parameter values, but the plug-in has " + std::to_string(numParams) +
                      " parameters");
  }
  for (size_t i = 0; i < program.params.size(); ++i) {
    const float v = program.params[i];
    if (!(v >= 0.0f && v <= 1.0f)) {
      throw RenderError(what + " holds " + Value(v) + " for parameter " + std::to_string(i) +
                        ", not a normalised value 0..1");
    }
  }
}

void ApplyProgram(VstHost& host, const PresetFile::Program& program) {
  host.BeginSetProgram();
  host.SetProgramName(program.name);
  for (size_t i = 0; i < program.params.size(); ++i) {
    host.SetParameter(static_cast<int>(i), program.params[i]);
  }
  host.EndSetProgram();
}

PresetFile::Program ReadProgram(VstHost& host) {
  PresetFile::Program program;
  program.name = host.CurrentProgramName();
  for (int i = 0; i < host.NumParams(); ++i) program.params.push_back(host.GetParameter(i));
  return program;
}

}  // namespace

void PresetTransfer::Load(const std::string& path, bool force) {
  const std::string what = "preset " + path;
  const PresetFile file = PresetFile::Parse(ReadFile(path), what);
  if (file.fxId != mHost.UniqueId() && !force) {
    throw RenderError(what + " was written for the plug-in " + PresetFile::DescribeId(file.fxId) +
                      ", not for " + mHost.EffectName() + " " +
                      PresetFile::DescribeId(mHost.UniqueId()) +
                      "; --force-preset loads it all the same");
  }
  if (file.IsChunk() && !mHost.UsesChunks() && !force) {
    throw RenderError(what +
                      " holds a chunk, but the plug-in keeps its state in parameters, "
                      "not chunks; --force-preset hands it the chunk all the same");
  }
  // A module that declares no programs still has its one current state.
  const int programs = std::max(1, mHost.NumPrograms());
  if (file.IsBank() && file.Count() > programs) {
    throw RenderError(what + " holds " + std::to_string(file.Count()) +
                      " programs, but the plug-in has " + std::to_string(programs));
  }
  if (file.IsBank() && file.version == 2 &&
      (file.currentProgram < 0 || file.currentProgram >= std::max(1, file.Count()))) {
    throw RenderError(what + " names program " + std::to_string(file.currentProgram) +
                      " as the current one, but holds " + std::to_string(file.Count()));
  }

  switch (file.kind) {
    case PresetFile::Kind::kProgram:
      CheckProgram(file.program, mHost.NumParams(), what);
      ApplyProgram(mHost, file.program);
      break;
    case PresetFile::Kind::kProgramChunk:
      mHost.SetChunk(false, file.chunk);
      if (!file.program.name.empty()) mHost.SetProgramName(file.program.name);
      break;
    case PresetFile::Kind::kBank: {
      for (size_t i = 0; i < file.programs.size(); ++i) {
        CheckProgram(file.programs[i], mHost.NumParams(), what + ": program " + std::to_string(i));
      }
      if (mHost.NumPrograms() == 0) {
        if (!file.programs.empty()) ApplyProgram(mHost, file.programs.front());
        break;
      }
      for (size_t i = 0; i < file.programs.size(); ++i) {
        mHost.SetProgram(static_cast<int>(i));
        ApplyProgram(mHost, file.programs[i]);
      }
      if (!file.programs.empty()) mHost.SetProgram(file.version == 2 ? file.currentProgram : 0);
      break;
    }
    case PresetFile::Kind::kBankChunk:
      mHost.SetChunk(true, file.chunk);
      break;
  }
}

void PresetTransfer::SaveProgram(const std::string& path) {
  PresetFile file;
  file.fxId = mHost.UniqueId();
  file.fxVersion = mHost.Version();
  file.program.name = mHost.CurrentProgramName();
  if (mHost.UsesChunks()) {
    file.kind = PresetFile::Kind::kProgramChunk;
    file.chunk = mHost.GetChunk(false);
    file.chunkCount = mHost.NumParams();
  } else {
    file.kind = PresetFile::Kind::kProgram;
    file.program = ReadProgram(mHost);
  }
  WriteFile(path, file.Serialize());
}

void PresetTransfer::SaveBank(const std::string& path) {
  PresetFile file;
  file.version = 2;
  file.fxId = mHost.UniqueId();
  file.fxVersion = mHost.Version();
  const int count = mHost.NumPrograms();
  const int current = count > 0 ? std::clamp(mHost.CurrentProgram(), 0, count - 1) : 0;
  file.currentProgram = current;
  if (mHost.UsesChunks()) {
    file.kind = PresetFile::Kind::kBankChunk;
    file.chunk = mHost.GetChunk(true);
    file.chunkCount = count;
  } else {
    file.kind = PresetFile::Kind::kBank;
    if (count == 0) {
      file.programs.push_back(ReadProgram(mHost));
    } else {
      for (int i = 0; i < count; ++i) {
        mHost.SetProgram(i);
        file.programs.push_back(ReadProgram(mHost));
      }
      mHost.SetProgram(current);
    }
  }
  WriteFile(path, file.Serialize());
}
