#pragma once

#include "core/BraxBase.h"
#include "vst/VstAbi.h"

/// The VST 2 adapter: the AEffect record the host sees, the dispatcher, the audio and parameter
/// callbacks, and the host services of the plug-in base implemented through the host callback.
///
/// Lifecycle: created by the module entry point (VSTCreateInstance) with the host callback;
/// destroyed by effClose, which releases the plug-in lock first (the destructor deletes it).
/// Every host-facing callback checks its effect pointer, indices, null pointers and buffer
/// sizes, and answers 0 for what it cannot do; the plug-in base then trusts its input.
class BraxVST : public BraxBase {
 public:
  BraxVST(audioMasterCallback hostCallback, int nParams, const char* channelIOStr, int nPresets,
          const char* effectName, const char* productName, const char* vendorName, int version,
          int uniqueID, int mfrID, int latency, bool doesMidi, bool usesChunks, bool isInstrument);
  ~BraxVST() override;

  AEffect* GetAEffect() { return &mAEffect; }

  // ---- host services [any thread; the plug-in lock as the caller holds it] ----
  void HostBeginEdit(int index) override;
  void HostAutomate(int index, double normalized) override;
  void HostEndEdit(int index) override;
  int GetSamplePos() override;
  double GetTempo() override;
  void GetTimeSig(int* numerator, int* denominator) override;
  // [host thread, plug-in lock held] Asks the host for its product string once.
  int GetHost() override;
  void OnEditorResize(int width, int height) override;
  // [host thread, plug-in lock held] Runs once, at the first effOpen.
  void InitForHost() override;
  // [constructor only]
  void AttachEditor(IEditor* graphics) override;
  void SetLatency(int samples) override;
  // [audio or host thread, plug-in lock held] Sends through audioMasterProcessEvents.
  bool SendMidiMessage(const IMidiMessage& msg) override;
  bool SendMidiMessages(const IMidiMessage* msgs, int count) override;

  /// The effCanDo answer for a capability string: 1, 0xBEEF0000 or 0.
  VstIntPtr VSTCanDo(const char* query) const;

  // ---- the AEffect's callbacks ----
  // [host thread] Every opcode but the two idle ones runs under the plug-in lock.
  static VstIntPtr VSTCALLBACK VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                             VstIntPtr value, void* ptr, float opt);
  // [audio thread, takes the plug-in lock]
  static void VSTCALLBACK VSTProcess(AEffect* effect, float** inputs, float** outputs,
                                     VstInt32 sampleFrames);
  static void VSTCALLBACK VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
  static void VSTCALLBACK VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                    double** outputs, VstInt32 sampleFrames);
  // [any host thread, takes the plug-in lock]
  static float VSTCALLBACK VSTGetParameter(AEffect* effect, VstInt32 index);
  static void VSTCALLBACK VSTSetParameter(AEffect* effect, VstInt32 index, float value);

 private:
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr HandleGetChunk(VstInt32 index, void* ptr);
  VstIntPtr HandleSetChunk(VstInt32 index, VstIntPtr size, const void* ptr);
  VstIntPtr HandlePinProperties(bool input, VstInt32 index, void* ptr);
  void HandleProcessEvents(const VstEvents* events);
  void SetEditorRectFromGraphics();
  void BeginBlock();
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  ERect mEditRect = {0, 0, 0, 0};
  audioMasterCallback mHostCallback;
  VstSpeakerArrangement mInputSpkArr;
  VstSpeakerArrangement mOutputSpkArr;
  bool mHostInitDone = false;
  StateChunk mProgramChunk;
  StateChunk mBankChunk;
  AEffect mAEffect;
};
