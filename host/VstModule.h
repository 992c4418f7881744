#pragma once

#include <string>

#include "platform/DynamicLibrary.h"
#include "vst/VstAbi.h"

/// A VST 2 module loaded into this process, and its entry point: VSTPluginMain, or the older
/// main that some modules export instead.
///
/// Lifecycle: Open → Entry creates instances (VstInstance) → every instance closed → the
/// module unloads with this object.
class VstModule {
 public:
  VstModule() = default;
  VstModule(const VstModule&) = delete;
  VstModule& operator=(const VstModule&) = delete;

  /// [host thread] Loads the module at path and finds its entry point; false with Error()
  /// saying why (Loaded() tells whether the library itself loaded).
  bool Open(const std::string& path);
  bool Loaded() const { return mLoaded; }
  /// The entry point, or null when the module is not open or exports neither name.
  VstEntryProc Entry() const { return mEntry; }
  const std::string& Error() const { return mError; }

 private:
  DynamicLibrary mLibrary;
  VstEntryProc mEntry = nullptr;
  bool mLoaded = false;
  std::string mError;
};
