#include "platform/Lock.h"

#ifdef _WIN32
Lock::Lock() {
  InitializeCriticalSection(&mSection);
}
Lock::~Lock() {
  DeleteCriticalSection(&mSection);
}
void Lock::Acquire() {
  EnterCriticalSection(&mSection);
}
void Lock::Release() {
  LeaveCriticalSection(&mSection);
}
#else
Lock::Lock() = default;
Lock::~Lock() = default;
void Lock::Acquire() {
  mMutex.lock();
}
void Lock::Release() {
  mMutex.unlock();
}
#endif
