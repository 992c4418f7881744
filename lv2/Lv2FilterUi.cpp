#include "lv2/Lv2FilterUi.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "core/IParam.h"
#include "graphics/IGraphics.h"
#include "platform/LockGuard.h"
#include "product/KorvaneFilter.h"
#include "vst/VSTEntry.h"

namespace {

// The editor's lamp and meter: the controls the plug-in's own processing feeds, by the
// editor's attach order (the panel, three knobs, the lever, then these two).
constexpr int kLampControl = 5;
constexpr int kMeterControl = 6;

BraxVST* CreateKorvaneFilter(audioMasterCallback host) {
  return new KorvaneFilter(host);
}

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; ++i) {
    if (!std::strcmp(features[i]->URI, uri)) return features[i]->data;
  }
  return nullptr;
}

}  // namespace

Lv2FilterUi* Lv2FilterUi::Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                                 LV2UI_Widget* widget, const LV2_Feature* const* features) {
  void* parent = const_cast<void*>(FindFeature(features, LV2_UI__parent));
  if (!parent || !widget) return nullptr;
  Lv2FilterUi* self = new (std::nothrow) Lv2FilterUi(write, controller);
  if (!self) return nullptr;
  bool ok = false;
  try {
    ok = self->Open(parent, features);
  } catch (...) {  // nothing may cross into the host
    ok = false;
  }
  if (!ok) {
    delete self;
    return nullptr;
  }
  *widget = self->mPlugin->GetGUI()->GetWindow();
  return self;
}

Lv2FilterUi::Lv2FilterUi(LV2UI_Write_Function write, LV2UI_Controller controller)
    : mWrite(write), mController(controller) {}

bool Lv2FilterUi::Open(void* parent, const LV2_Feature* const* features) {
  mTouch = static_cast<const LV2UI_Touch*>(FindFeature(features, LV2_UI__touch));
  mEffect = VSTCreateInstance(CreateKorvaneFilter, HostCallback);
  if (!mEffect) return false;
  mEffect->user = this;
  mPlugin = static_cast<KorvaneFilter*>(static_cast<BraxVST*>(mEffect->object));
  Dispatch(effOpen);
  // The window's XID is the parent's pointer value, as effEditOpen takes it on X11.
  mOpen = Dispatch(effEditOpen, 0, 0, parent) != 0 && mPlugin->GetGUI() &&
          mPlugin->GetGUI()->GetWindow();
  if (!mOpen) return false;
  if (const auto* resize =
          static_cast<const LV2UI_Resize*>(FindFeature(features, LV2_UI__resize))) {
    ERect* rect = nullptr;
    if (Dispatch(effEditGetRect, 0, 0, &rect) && rect) {
      resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
    }
  }
  return true;
}

Lv2FilterUi::~Lv2FilterUi() {
  if (!mEffect) return;
  if (mOpen) Dispatch(effEditClose);
  Dispatch(effClose);
}

VstIntPtr Lv2FilterUi::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

VstIntPtr VSTCALLBACK Lv2FilterUi::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                VstIntPtr, void*, float) {
  Lv2FilterUi* self = effect ? static_cast<Lv2FilterUi*>(effect->user) : nullptr;
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterAutomate:
      // Called before the parameter takes the value: written at the next flush, which the next
      // step of a drag makes too, so that every step reaches the host.
      if (self && index >= 0 && index < Lv2Ports::kNumParams) {
        self->FlushWrites();
        self->mPending[index] = true;
      }
      return 0;
    case audioMasterBeginEdit:
      if (self) self->Touch(index, true);
      return 1;
    case audioMasterEndEdit:
      if (self) self->Touch(index, false);
      return 1;
    default:
      return 0;
  }
}

void Lv2FilterUi::Touch(int param, bool grabbed) {
  if (param < 0 || param >= Lv2Ports::kNumParams) return;
  FlushWrites();  // the values of the gesture so far come before its end
  if (mTouch) mTouch->touch(mTouch->handle, Lv2Ports::kFirstParam + param, grabbed);
}

void Lv2FilterUi::FlushWrites() {
  LockGuard lock(mPlugin->PluginLock());  // held already when the editor calls back
  for (int i = 0; i < Lv2Ports::kNumParams; ++i) {
    if (!mPending[i]) continue;
    mPending[i] = false;
    const IParam* param = mPlugin->GetParam(i);
    if (!param) continue;
    const float value = static_cast<float>(param->Value());
    mWritten[i] = value;
    mHasWritten[i] = true;
    mWrite(mController, Lv2Ports::kFirstParam + static_cast<uint32_t>(i), sizeof value, 0, &value);
  }
}

void Lv2FilterUi::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (format != 0 || size != sizeof(float) || !buffer) return;
  float value;
  std::memcpy(&value, buffer, sizeof value);
  if (value != value) return;
  const int param = Lv2Ports::ParamOfPort(port);
  if (param >= 0) {
    // The host's echo of our own write would only move the control by a rounding step.
    if (mHasWritten[param] && value == mWritten[param]) return;
    const IParam* p = mPlugin->GetParam(param);
    if (p) mEffect->setParameter(mEffect, param, static_cast<float>(p->GetNormalized(value)));
    return;
  }
  if (port != Lv2Ports::kLimiter && port != Lv2Ports::kLevel) return;
  LockGuard lock(mPlugin->PluginLock());
  if (IGraphics* gui = mPlugin->GetGUI()) {
    gui->SetControlFromPlugin(port == Lv2Ports::kLimiter ? kLampControl : kMeterControl, value);
  }
}

int Lv2FilterUi::Idle() {
  if (!mOpen) return 1;
  Dispatch(effEditIdle);
  FlushWrites();
  IGraphics* gui = mPlugin->GetGUI();
  return gui && gui->GetWindow() ? 0 : 1;
}
