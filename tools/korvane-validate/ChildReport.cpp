#include "tools/korvane-validate/ChildReport.h"

bool ChildReport::Open(const std::string& path) {
  mFile = std::fopen(path.c_str(), "wb");
  return mFile != nullptr;
}

ChildReport::~ChildReport() {
  if (mFile) std::fclose(mFile);
}

void ChildReport::Step(const std::string& text) {
  Line("step", text);
}

void ChildReport::Line(const char* kind, const std::string& text) {
  std::lock_guard<std::mutex> hold(mLock);
  if (!mFile) return;
  std::string line = kind;
  if (!text.empty()) line += " " + text;
  // One line per record: a module's text with line breaks must not split it.
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), mFile);
  std::fflush(mFile);
}
