#pragma once

#include "platform/Lock.h"

/// Holds a Lock for the lifetime of the guard.
class LockGuard {
 public:
  explicit LockGuard(Lock& lock) : mLock(lock) { mLock.Acquire(); }
  ~LockGuard() { mLock.Release(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& mLock;
};
