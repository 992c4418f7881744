#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include "lv2/Lv2Ports.h"
#include "vst/VstAbi.h"

class KorvaneFilter;

/// The filter's editor as an LV2 X11 UI: an instance of the plug-in made only for its editor,
/// opened through effEditOpen inside the host's ui:parent window and idled through
/// effEditIdle from the host's ui:idleInterface calls.
///
/// Lifecycle: Create (the instance, effOpen, effEditOpen in the parent; null without a parent
/// or a display) → PortEvent and Idle on the host's UI thread → destroy (effEditClose,
/// effClose).
///
/// Port events set the control inputs' parameters through setParameter, as a VST 2 host's
/// automation moves the controls, and the limiter and level outputs feed the lamp and the
/// meter. The editor's changes come back through audioMasterAutomate: each goes to the
/// write function in the parameter's units, once the parameter holds it; audioMasterBeginEdit
/// and audioMasterEndEdit become ui:touch grabs and releases where the host offers the feature.
///
/// Threads: every call on the host's UI thread.
class Lv2FilterUi {
 public:
  // [UI thread]
  static Lv2FilterUi* Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                             LV2UI_Widget* widget, const LV2_Feature* const* features);
  ~Lv2FilterUi();
  Lv2FilterUi(const Lv2FilterUi&) = delete;
  Lv2FilterUi& operator=(const Lv2FilterUi&) = delete;

  // [UI thread] A float (format 0) for a control port; anything else is ignored.
  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
  // [UI thread] One tick of the editor; non-zero once its window is gone.
  int Idle();

 private:
  Lv2FilterUi(LV2UI_Write_Function write, LV2UI_Controller controller);
  bool Open(void* parent, const LV2_Feature* const* features);

  // [UI thread] The editor's calls: automation, gestures, its size.
  static VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                            VstIntPtr value, void* ptr, float opt);
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  void Touch(int param, bool grabbed);
  // Writes every parameter the editor changed since the last flush, in its units.
  void FlushWrites();

  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  const LV2UI_Touch* mTouch = nullptr;
  AEffect* mEffect = nullptr;
  KorvaneFilter* mPlugin = nullptr;
  bool mOpen = false;
  bool mPending[Lv2Ports::kNumParams] = {};   // changed by the editor, not yet written
  float mWritten[Lv2Ports::kNumParams] = {};  // the last value written, per parameter
  bool mHasWritten[Lv2Ports::kNumParams] = {};
};
