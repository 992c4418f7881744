#include "platform/ModulePath.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
// Paths are read into 256 characters plus the terminator; a longer one counts as unknown.
constexpr DWORD kMaxPath = 257;

std::string FileNameOf(HMODULE module) {
  char buffer[kMaxPath] = {};
  const DWORD n = GetModuleFileNameA(module, buffer, kMaxPath);
  if (n == 0 || n >= kMaxPath) return std::string();
  return std::string(buffer, n);
}
#else
constexpr char kSeparator = '/';

// Any address inside this module will do for dladdr.
void Anchor() {}
#endif

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const size_t at = path.rfind(kSeparator);
  if (path.empty() || at == std::string::npos || at + 1 == path.size()) return std::string();
  return path.substr(0, at + 1);
}

#ifdef _WIN32

void* ThisModuleHandle() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ThisModuleHandle), &module)) {
    return nullptr;
  }
  return module;
}

std::string ThisModulePath() {
  HMODULE module = static_cast<HMODULE>(ThisModuleHandle());
  return module ? FileNameOf(module) : std::string();
}

std::string HostExecutablePath() {
  return FileNameOf(nullptr);
}

#else

void* ThisModuleHandle() {
  return nullptr;
}

std::string ThisModulePath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&Anchor), &info) || !info.dli_fname || !info.dli_fname[0]) {
    return HostExecutablePath();  // linked into the executable, which the loader leaves unnamed
  }
  // The executable itself may be named as it was started (relative); resolve it.
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

std::string HostExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

#endif
