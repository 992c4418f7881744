// The module's entry point: VSTPluginMain, exported also as main.
#include "platform/ModuleExport.h"
#include "product/KorvaneFilter.h"
#include "vst/VSTEntry.h"

namespace {

BraxVST* CreateKorvaneFilter(audioMasterCallback host) {
  return new KorvaneFilter(host);
}

}  // namespace

// [host thread] Returns a new instance's effect record, or null.
extern "C" __attribute__((visibility("default"))) AEffect* VSTCALLBACK
VSTPluginMain(audioMasterCallback host) {
  return VSTCreateInstance(CreateKorvaneFilter, host);
}

KORVANE_DECLARE_MAIN_ALIAS(AEffect*, VSTPluginMainAlias, (audioMasterCallback host))
KORVANE_DEFINE_MAIN_ALIAS(AEffect*, VSTPluginMainAlias, (audioMasterCallback host),
                          VSTPluginMain(host))
