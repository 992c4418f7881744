#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "host/VstInstance.h"
#include "host/VstModule.h"
#include "vst/VstAbi.h"

/// A small in-process VST 2 host for tests: loads a module by path, creates an instance through
/// VSTPluginMain with a host callback that records every call, and drives it through the
/// effect record exactly as a host would.
class TestHost : public VstHostAnswers {
 public:
  struct Call {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
  };

  /// The plug-in module built with the tests.
  static std::string DefaultModulePath();

  /// Loads the module and creates an instance; Effect() is null when that failed.
  explicit TestHost(const std::string& modulePath = DefaultModulePath());
  /// Creates an instance through an entry point linked into the test program.
  explicit TestHost(VstEntryProc entry);
  /// Closes the instance (effClose) unless Close() was called, then unloads the module.
  ~TestHost() override;
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  AEffect* Effect() const { return mEffect; }
  const std::string& Error() const { return mError; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  /// effOpen, effSetSampleRate, effSetBlockSize, effMainsChanged(1): what a DAW does first.
  void Start(float sampleRate = 44100.0f, int blockSize = 512);
  void Close();

  float GetParameter(VstInt32 index);
  void SetParameter(VstInt32 index, float value);
  std::string ParamName(int index);
  std::string ParamLabel(int index);
  std::string ParamDisplay(int index);

  void Process(float** in, float** out, int n) { mEffect->process(mEffect, in, out, n); }
  void ProcessReplacing(float** in, float** out, int n) {
    mEffect->processReplacing(mEffect, in, out, n);
  }
  void ProcessDouble(double** in, double** out, int n) {
    mEffect->processDoubleReplacing(mEffect, in, out, n);
  }

  /// Sends short MIDI messages {offset, status, data1, data2} through effProcessEvents.
  struct Midi {
    int offset;
    unsigned char status, data1, data2;
  };
  VstIntPtr SendMidi(const std::vector<Midi>& messages);

  // ---- what the plug-in did to the host ----
  std::vector<Call> calls;
  std::vector<VstMidiEvent> midiReceived;  // MIDI events sent back through ProcessEvents
  std::vector<VstEvent> otherEventsReceived;
  int CountCalls(VstInt32 opcode) const;

  // ---- how the host answers ----
  std::string productString = "Test Host";
  VstIntPtr vendorVersion = 2400;
  bool provideTimeInfo = true;
  VstTimeInfo timeInfo{};
  VstIntPtr processEventsAnswer = 1;

 private:
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
  void Create(VstEntryProc entry);
  void InitTimeInfo();

  std::mutex mAnswerMutex;  // plug-ins may call back from several host threads
  VstModule mModule;
  AEffect* mEffect = nullptr;
  std::string mError;
};
