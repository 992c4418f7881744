#include "host/VstInstance.h"

namespace {

// The answers of the instance under construction on this thread: the entry point may call
// back before the record exists or before its user field names them.
thread_local VstHostAnswers* gCreating = nullptr;

}  // namespace

AEffect* VstInstance::Create(VstEntryProc entry, VstHostAnswers* answers) {
  if (!entry) return nullptr;
  gCreating = answers;
  AEffect* effect = entry(Callback);
  gCreating = nullptr;
  if (effect && effect->magic == kEffectMagic) effect->user = answers;
  return effect;
}

VstIntPtr VSTCALLBACK VstInstance::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                            VstIntPtr value, void* ptr, float opt) {
  VstHostAnswers* answers =
      effect && effect->user ? static_cast<VstHostAnswers*>(effect->user) : gCreating;
  if (!answers) return opcode == audioMasterVersion ? kVstVersion : 0;
  return answers->Answer(opcode, index, value, ptr, opt);
}
