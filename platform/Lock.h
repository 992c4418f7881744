#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

/// A recursive lock: the thread that holds it may take it again.
///
/// Used for the plug-in lock, the entry-point lock and the bitmap-cache locks. A critical
/// section on Windows, a std::recursive_mutex elsewhere. Not copyable, not movable.
class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Acquire();
  void Release();

 private:
#ifdef _WIN32
  CRITICAL_SECTION mSection;
#else
  std::recursive_mutex mMutex;
#endif
};
