// Broken VST 2 modules for the loader's error paths. FAKE_MODULE_KIND selects the fault:
// 1 an entry point that creates nothing, 2 a record with the wrong magic, 3 no entry point.
#include "vst/VstAbi.h"

#if FAKE_MODULE_KIND == 3
extern "C" __attribute__((visibility("default"))) int NotAPlugin() {
  return 0;
}
#elif FAKE_MODULE_KIND == 1
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
  return nullptr;
}
#else
namespace {
AEffect gRecord{};
}

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
  gRecord.magic = 0x12345678;
  return &gRecord;
}
#endif
