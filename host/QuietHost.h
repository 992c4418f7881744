#pragma once

#include "host/VstInstance.h"

/// A host that answers the interface version and nothing else: for programs that drive a
/// plug-in without caring what it asks of its host, such as the benchmarks.
class QuietHost : public VstHostAnswers {
 public:
  // [any thread]
  VstIntPtr Answer(VstInt32 opcode, VstInt32, VstIntPtr, void*, float) override {
    return opcode == audioMasterVersion ? kVstVersion : 0;
  }
};
