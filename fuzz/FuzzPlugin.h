#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/VstInstance.h"
#include "product/KorvaneFilter.h"
#include "vst/VSTEntry.h"

/// The filter plug-in in process for a fuzz target, with a host that checks what the plug-in
/// asks of it: only the calls the plug-in is meant to make, automation values within 0..1 and
/// for valid indices. A broken promise stops the run with a sentence, which the fuzzer reports
/// as a crash with its input.
class FuzzPlugin : public VstHostAnswers {
 public:
  FuzzPlugin() { Create(); }
  ~FuzzPlugin() override { Close(); }
  FuzzPlugin(const FuzzPlugin&) = delete;
  FuzzPlugin& operator=(const FuzzPlugin&) = delete;

  static AEffect* VSTCALLBACK Entry(audioMasterCallback host) {
    return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                             host);
  }

  void Create() {
    effect = VstInstance::Create(Entry, this);
    if (!effect) Fail("the entry point made no instance");
  }
  void Close() {
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
  }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  KorvaneFilter* Plug() const { return static_cast<KorvaneFilter*>(effect->object); }

  /// Every parameter within 0..1 as the host reads it.
  void CheckParameters() const {
    for (int i = 0; i < effect->numParams; ++i) {
      const float v = effect->getParameter(effect, i);
      if (!(v >= 0.0f && v <= 1.0f)) Fail("a parameter outside 0..1", i, v);
    }
  }

  [[noreturn]] static void Fail(const char* what, int index = -1, double value = 0.0) {
    std::fprintf(stderr, "broken promise: %s (index %d, value %g)\n", what, index, value);
    std::abort();
  }

  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float opt) override {
    switch (opcode) {
      case audioMasterAutomate:
        if (!effect || index < 0 || index >= effect->numParams) {
          Fail("automation for an index that is no parameter", index, opt);
        }
        if (!(opt >= 0.0f && opt <= 1.0f)) Fail("automation outside 0..1", index, opt);
        return 0;
      case audioMasterVersion:
        return kVstVersion;
      case audioMasterWantMidi:
      case audioMasterBeginEdit:
      case audioMasterEndEdit:
        return 1;
      case audioMasterGetTime:
        return 0;
      case audioMasterProcessEvents:
        if (!ptr) Fail("events handed back without a list");
        return 1;
      case audioMasterGetProductString:
        if (ptr) static_cast<char*>(ptr)[0] = '\0';
        return 0;
      case audioMasterGetVendorVersion:
        return 2400;
      default:
        Fail("a host call the plug-in is not meant to make", opcode);
    }
  }

  AEffect* effect = nullptr;
};
