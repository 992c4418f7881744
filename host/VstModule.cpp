#include "host/VstModule.h"

bool VstModule::Open(const std::string& path) {
  mEntry = nullptr;
  mLoaded = mLibrary.Open(path);
  if (!mLoaded) {
    mError = mLibrary.Error();
    return false;
  }
  mEntry = reinterpret_cast<VstEntryProc>(mLibrary.Symbol("VSTPluginMain"));
  if (!mEntry) mEntry = reinterpret_cast<VstEntryProc>(mLibrary.Symbol("main"));
  if (!mEntry) {
    mError = "it exports neither VSTPluginMain nor main";
    return false;
  }
  mError.clear();
  return true;
}
