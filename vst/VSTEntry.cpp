#include "vst/VSTEntry.h"

#include <new>

#include "platform/LockGuard.h"
#include "vst/BraxVST.h"

namespace {

// Created on first use (thread-safe static initialisation), destroyed at module unload.
Lock& EntryLock() {
  static Lock lock;
  return lock;
}

}  // namespace

AEffect* VSTCreateInstance(BraxVST* (*create)(audioMasterCallback), audioMasterCallback host) {
  LockGuard lock(EntryLock());
  BraxVST* plug = nullptr;
  try {
    plug = create(host);
  } catch (...) {  // nothing may cross into the host
    plug = nullptr;
  }
  if (!plug) return nullptr;
  plug->EnsureOnePreset();
  AEffect* effect = plug->GetAEffect();
  if (effect->numPrograms < 1) effect->numPrograms = 1;
  return effect;
}
