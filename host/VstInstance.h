#pragma once

#include "vst/VstAbi.h"

/// What answers an instance's calls to its host: one object per instance.
class VstHostAnswers {
 public:
  virtual ~VstHostAnswers() = default;
  /// [any thread the plug-in calls from] One call of the plug-in to the host callback.
  virtual VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) = 0;
};

/// Creates instances through an entry point with a host callback that routes every call of an
/// instance to its answers: also the calls a plug-in makes from inside its entry point, before
/// the host holds the effect record (the record is null then, or not yet marked as ours).
struct VstInstance {
  /// [host thread] The record the entry point returns, or null. When it carries the effect
  /// magic, its user field names answers from now on; a record without it is the caller's to
  /// refuse (it must not be called into).
  static AEffect* Create(VstEntryProc entry, VstHostAnswers* answers);
  /// The host callback every instance made by Create gets.
  static VstIntPtr VSTCALLBACK Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                        VstIntPtr value, void* ptr, float opt);
};
