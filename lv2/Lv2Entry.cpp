// The LV2 module's entry point: lv2_descriptor, the one exported symbol.
#include <lv2/core/lv2.h>

#include "lv2/Lv2FilterPlugin.h"

namespace {

Lv2FilterPlugin* Self(LV2_Handle handle) {
  return static_cast<Lv2FilterPlugin*>(handle);
}

// [host thread]
LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
  return Lv2FilterPlugin::Create(rate, features);
}

// [host thread, or audio thread between runs]
void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
  Self(handle)->ConnectPort(port, data);
}

// [host thread]
void Activate(LV2_Handle handle) {
  Self(handle)->Activate();
}

// [audio thread]
void Run(LV2_Handle handle, uint32_t frames) {
  Self(handle)->Run(frames);
}

// [host thread]
void Deactivate(LV2_Handle handle) {
  Self(handle)->Deactivate();
}

// [host thread]
void Cleanup(LV2_Handle handle) {
  delete Self(handle);
}

const void* ExtensionData(const char*) {
  return nullptr;
}

const LV2_Descriptor kDescriptor = {
    "urn:korvane:filter", Instantiate, ConnectPort,   Activate, Run,
    Deactivate,           Cleanup,     ExtensionData,
};

}  // namespace

// [host thread] The plug-in's description for index 0; nothing beyond.
extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(
    uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}
