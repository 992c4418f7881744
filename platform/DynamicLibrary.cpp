#include "platform/DynamicLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

DynamicLibrary::~DynamicLibrary() {
  Close();
}

#ifdef _WIN32

bool DynamicLibrary::Open(const std::string& path) {
  Close();
  mHandle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (!mHandle) mError = "LoadLibrary failed with error " + std::to_string(GetLastError());
  return mHandle != nullptr;
}

void DynamicLibrary::Close() {
  if (mHandle) FreeLibrary(reinterpret_cast<HMODULE>(mHandle));
  mHandle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (!mHandle) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(mHandle), name));
}

#else

bool DynamicLibrary::Open(const std::string& path) {
  Close();
  mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mHandle) {
    const char* why = dlerror();
    mError = why ? why : "dlopen failed";
  }
  return mHandle != nullptr;
}

void DynamicLibrary::Close() {
  if (mHandle) dlclose(mHandle);
  mHandle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return mHandle ? dlsym(mHandle, name) : nullptr;
}

#endif
