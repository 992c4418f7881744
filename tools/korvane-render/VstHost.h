#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/VstEventList.h"
#include "host/VstInstance.h"
#include "host/VstModule.h"
#include "tools/korvane-render/MidiEvent.h"
#include "vst/VstAbi.h"

/// One plug-in instance driven through nothing but the VST 2 binary interface, as a DAW does.
///
/// Lifecycle: Load (library, VSTPluginMain or main, effect checks, effOpen) → parameters may be
/// read and set → Start (sample rate, block size, channel arrangement, effMainsChanged(1),
/// effStartProcess) → per block SendMidi then Process or ProcessDouble → Stop (effStopProcess,
/// effMainsChanged(0)) → destruction (effClose, then the library is unloaded).
///
/// The host callback answers the version, the time info (transport playing at tempo 120, 4/4,
/// at the first frame of the block being processed), the product string and version, records
/// every automation the plug-in reports and counts the MIDI it sends back.
///
/// Threads: everything runs on the caller's thread; a plug-in that calls back from a thread of
/// its own only reaches the answers, never the recorders (see HostCallback).
class VstHost : public VstHostAnswers {
 public:
  /// The product string and version reported through audioMasterGetProductString and
  /// audioMasterGetVendorVersion.
  static constexpr const char* kProductString = "korvane-render";
  static constexpr VstIntPtr kVendorVersion = 10000;  // 1.0.0

  /// One audioMasterAutomate call. The host only knows the block, so frame is the first frame
  /// of the block during which (or before which) the plug-in reported the change.
  struct Automation {
    int64_t frame;
    int index;
    float value;  // normalised
  };

  VstHost() = default;
  ~VstHost() override;
  VstHost(const VstHost&) = delete;
  VstHost& operator=(const VstHost&) = delete;

  /// [render thread] Loads the module, creates the instance and opens it (effOpen). Throws
  /// RenderError.
  void Load(const std::string& path);

  // ---- identity ----
  AEffect* Effect() const { return mEffect; }
  const std::string& Path() const { return mPath; }
  std::string EffectName();
  std::string VendorName();
  std::string ProductName();
  int NumInputs() const { return mEffect->numInputs; }
  int NumOutputs() const { return mEffect->numOutputs; }
  bool CanProcessDouble() const;
  bool WantsMidi();

  // ---- parameters and programs ----
  int NumParams() const { return mEffect->numParams; }
  std::string ParamName(int index);
  std::string ParamLabel(int index);
  std::string ParamDisplay(int index);
  float GetParameter(int index);
  void SetParameter(int index, float normalized);
  /// The display for a normalised value without changing the parameter, through the
  /// effVendorSpecific parameter-display call; false when the plug-in does not answer it.
  bool DisplayForValue(int index, float normalized, std::string& text);
  int NumPrograms() const { return mEffect->numPrograms; }
  int CurrentProgram();
  std::string ProgramName(int index);

  // ---- presets ----
  int32_t UniqueId() const { return mEffect->uniqueID; }
  int32_t Version() const { return mEffect->version; }
  /// Whether the plug-in keeps its state in chunks (effFlagsProgramChunks).
  bool UsesChunks() const { return (mEffect->flags & effFlagsProgramChunks) != 0; }
  /// effSetProgram; programs beyond NumPrograms are not asked for.
  void SetProgram(int index);
  /// The current program's name (effGetProgramName) and effSetProgramName.
  std::string CurrentProgramName();
  void SetProgramName(const std::string& name);
  /// effBeginSetProgram and effEndSetProgram around a program's parameters.
  void BeginSetProgram();
  void EndSetProgram();
  /// A copy of the plug-in's chunk through effGetChunk: the bank's (index 0) or the current
  /// program's. Throws RenderError when the plug-in gives none.
  std::vector<uint8_t> GetChunk(bool bank);
  /// effSetChunk with the bank's or the program's chunk; the plug-in's answer.
  bool SetChunk(bool bank, std::vector<uint8_t> chunk);

  // ---- processing ---- [render thread: the host's audio thread as well]
  /// Prepares processing for `channels` input and output channels at the given rate and block
  /// size. Throws RenderError when the plug-in has too few inputs or outputs or cannot process
  /// in double precision when asked to.
  void Start(double sampleRate, int blockSize, int channels, bool useDouble);
  /// Sets the position the time info reports: the first frame of the next block.
  void SetPosition(int64_t frame) { mPosition = frame; }
  /// effProcessEvents with the given messages; frame offsets relative to the block start. The
  /// event storage stays valid until the next call, as the interface asks.
  void SendMidi(const MidiEvent* events, size_t count, int64_t blockStart);
  /// Buffers: at least max(NumInputs, NumOutputs) pointers each, every one `frames` long.
  void Process(float** inputs, float** outputs, int frames);
  void ProcessDouble(double** inputs, double** outputs, int frames);
  void Stop();

  // ---- what the plug-in told the host ----
  const std::vector<Automation>& AutomationLog() const { return mAutomation; }
  int64_t MidiEventsReturned() const { return mMidiReturned; }

 private:
  /// [any thread the plug-in calls from] The callback handed to the entry point.
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  std::string Text(VstInt32 opcode, VstInt32 index);
  void FillTimeInfo();

  VstModule mModule;  // unloads after the instance is closed
  std::string mPath;
  AEffect* mEffect = nullptr;
  bool mRunning = false;
  double mSampleRate = 44100.0;
  int mBlockSize = 512;
  int64_t mPosition = 0;
  VstTimeInfo mTimeInfo{};
  std::vector<Automation> mAutomation;
  int64_t mMidiReturned = 0;
  // Events handed to effProcessEvents, built here and listed (as copies) by mEventList.
  std::vector<VstMidiEvent> mMidiEvents;
  VstEventList mEventList;
  VstSpeakerArrangement mInputArrangement{};
  VstSpeakerArrangement mOutputArrangement{};
};
