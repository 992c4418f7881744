#pragma once

#include <string>

/// A loaded shared library (dlopen, or LoadLibrary on Windows), unloaded on destruction.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  /// Loads the library; false with Error() describing why.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return mHandle != nullptr; }
  /// The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  const std::string& Error() const { return mError; }

 private:
  void* mHandle = nullptr;
  std::string mError;
};
