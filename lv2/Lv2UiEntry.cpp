// The LV2 editor module's entry point: lv2ui_descriptor, the one exported symbol.
#include <lv2/ui/ui.h>

#include <cstring>

#include "lv2/Lv2FilterUi.h"

namespace {

Lv2FilterUi* Self(LV2UI_Handle handle) {
  return static_cast<Lv2FilterUi*>(handle);
}

// [UI thread]
LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char*, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
  return Lv2FilterUi::Create(write, controller, widget, features);
}

// [UI thread]
void Cleanup(LV2UI_Handle handle) {
  delete Self(handle);
}

// [UI thread]
void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
  Self(handle)->PortEvent(port, size, format, buffer);
}

// [UI thread]
int Idle(LV2UI_Handle handle) {
  return Self(handle)->Idle();
}

const LV2UI_Idle_Interface kIdle = {Idle};

const void* ExtensionData(const char* uri) {
  return !std::strcmp(uri, LV2_UI__idleInterface) ? &kIdle : nullptr;
}

const LV2UI_Descriptor kDescriptor = {"urn:korvane:filter#ui", Instantiate, Cleanup, PortEvent,
                                      ExtensionData};

}  // namespace

// [UI thread] The editor's description for index 0; nothing beyond.
extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(
    uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}
