#include "tests/vst/PassThroughPlug.h"

#include "vst/VSTEntry.h"

AEffect* VSTCALLBACK PassThroughMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new PassThroughPlug(h); },
                           host);
}

AEffect* VSTCALLBACK PassThroughNoMidiMain(audioMasterCallback host) {
  return VSTCreateInstance(
      [](audioMasterCallback h) -> BraxVST* { return new PassThroughPlug(h, "1-1 2-2", false); },
      host);
}

AEffect* VSTCALLBACK PassThroughWideMain(audioMasterCallback host) {
  return VSTCreateInstance(
      [](audioMasterCallback h) -> BraxVST* { return new PassThroughPlug(h, "2-2 4-4"); }, host);
}
