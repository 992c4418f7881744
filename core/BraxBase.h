#pragma once

#include <vector>

#include "core/ChannelConfig.h"
#include "core/IEditor.h"
#include "core/IMidiMessage.h"
#include "core/IParam.h"
#include "core/IPresetSlot.h"
#include "core/InputChannel.h"
#include "core/OutputChannel.h"
#include "core/PtrList.h"
#include "core/StateChunk.h"
#include "core/StateFormat.h"
#include "platform/Lock.h"

class IGraphics;

/// The host-independent plug-in base.
///
/// Lifecycle: a concrete plug-in's constructor (through a host adapter) builds the base, defines
/// its parameters and attaches its editor → the host opens it (OnParamChange for every
/// parameter, then Reset) → sets sample rate and block size (each followed by Reset) →
/// processes blocks, changes parameters, programs and state, in any order → closes it, which
/// destroys the object.
///
/// Allocation: at construction, in SetBlockSize and in the preset and state operations (host
/// thread, between blocks). Never while processing a block, unless the host sends a block
/// longer than the block size it announced.
///
/// Locking: one recursive plug-in lock serialises every dispatcher call, every audio block,
/// parameter get/set and editor-originated changes; so Reset, OnParamChange,
/// ProcessDoubleReplacing and OnMidiMessage never overlap.
class BraxBase {
 public:
  BraxBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
           const char* productName, const char* vendorName, int version, int uniqueID, int mfrID,
           int latency, bool doesMidi, bool usesChunks, bool isInstrument);
  // [host thread, plug-in lock released] Destroys the editor first, then parameters, presets
  // and channels.
  virtual ~BraxBase();
  BraxBase(const BraxBase&) = delete;
  BraxBase& operator=(const BraxBase&) = delete;

  // ===================================== hooks for the plug-in ===============================
  // [host thread, plug-in lock held] Clears signal state; called after open, sample-rate and
  // block-size changes and when processing is switched off.
  virtual void Reset();
  // [any thread, plug-in lock held] Parameter index changed its value.
  virtual void OnParamChange(int index);
  // [audio thread, plug-in lock held] One double buffer per declared channel. The default
  // copies each input to the output of the same number and zero-fills further outputs.
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  // [host thread, plug-in lock held]
  virtual void OnEditorOpen() {}
  virtual void OnEditorClose() {}
  // Kept in its slot, unused by this framework: it holds the place of the framework's former
  // hooks, so that every later virtual keeps its position.
  virtual void UnusedHook() {}
  // [host thread, plug-in lock held]
  virtual void OnActivate(bool active);
  // [host thread, plug-in lock held] Default: pass the message through to the host.
  virtual void OnMidiMessage(const IMidiMessage& msg);
  // [host thread, plug-in lock held] Writes an empty name (64 bytes) and returns false.
  virtual bool GetMidiKeyName(int key, char* name);
  // [any thread, plug-in lock held] The plug-in's state; by default the parameter values.
  virtual bool SerializeState(StateChunk& chunk);
  virtual int UnserializeState(const StateChunk& chunk, int startPos);

  // ===================================== host services =======================================
  // [any thread] Implemented by the host adapter.
  virtual void HostBeginEdit(int index) = 0;
  virtual void HostAutomate(int index, double normalized) = 0;
  virtual void HostEndEdit(int index) = 0;
  virtual int GetSamplePos() = 0;
  virtual double GetTempo() = 0;
  virtual void GetTimeSig(int* numerator, int* denominator) = 0;
  // [host thread, plug-in lock held] The stored host code (kHostNotQueried until SetHost).
  virtual int GetHost();
  virtual void OnEditorResize(int width, int height) = 0;
  // Kept in its slot for the same reason as UnusedHook.
  virtual void UnusedHookWithArg(int) {}
  virtual void InitForHost() = 0;
  // [constructor only] Takes ownership of the editor (the graphics object, held through the
  // plug-in layer's own interface); null does nothing.
  virtual void AttachEditor(IEditor* graphics);
  // [host thread, plug-in lock held] Resizes and zero-fills the scratch buffers.
  virtual void SetBlockSize(int blockSize);
  virtual void SetLatency(int samples);
  // [audio or host thread, plug-in lock held]
  virtual bool SendMidiMessage(const IMidiMessage& msg) = 0;
  virtual bool SendMidiMessages(const IMidiMessage* msgs, int count) = 0;

  // ===================================== identity ============================================
  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetVendorName() const { return mVendorName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  /// The plug-in's version: packed 0xMMMMmmbb, or decimal major*10000 + minor*100 + bugfix.
  int GetVersion(bool decimal) const;
  int GetLatency() const { return mLatency; }
  bool UsesChunks() const { return mUsesChunks; }
  bool IsInstrument() const { return mIsInstrument; }
  void SetHost(const char* productName, int version);
  int GetHostVersion() const { return mHostVersion; }

  // ===================================== parameters ==========================================
  IParam* GetParam(int index) const { return mParams.Get(index); }
  int ParamCount() const { return mParams.Count(); }
  // [editor thread] A control changed a parameter: tells the host, sets the value, then
  // OnParamChange, under the plug-in lock.
  void SetParameterFromGUI(int index, double normalized);

  // ===================================== presets and state ===================================
  // [host thread, plug-in lock held] The host's chunks, laid out as StateFormat describes:
  // WriteChunk replaces the chunk's bytes (false when it could not grow); ReadChunk sets the
  // parameters or the presets from them and answers the read position (-1: cut short).
  bool WriteChunk(StateChunk& chunk, StateFormat::Kind kind);
  int ReadChunk(const StateChunk& chunk, StateFormat::Kind kind);
  bool SerializeParams(StateChunk& chunk);
  int UnserializeParams(const StateChunk& chunk, int startPos);
  bool SerializePresets(StateChunk& chunk);
  int UnserializePresets(const StateChunk& chunk, int startPos);
  void EnsureOnePreset();
  void FillUnusedPresets(const char* name, int count);
  bool SelectPreset(int index);
  void StoreCurrentPreset(const char* name);
  const char* GetPresetName(int index) const;
  int PresetCount() const { return mPresets.Count(); }
  int GetCurrentPresetIdx() const { return mCurrentPreset; }

  // ===================================== processing ==========================================
  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double rate) { mSampleRate = rate; }
  int GetBlockSize() const { return mBlockSize; }
  int NInChannels() const { return mInChannels.Count(); }
  int NOutChannels() const { return mOutChannels.Count(); }
  bool IsInChannelConnected(int i) const;
  bool IsOutChannelConnected(int i) const;
  /// True when some declared pair matches; a negative count matches any.
  bool LegalIO(int nIn, int nOut) const;
  int ChannelConfigCount() const { return mChannelIO.Count(); }
  void ConnectInputs(int start, int count, bool connected);
  void ConnectOutputs(int start, int count, bool connected);
  // [audio thread] Bind host buffers to the connected channels (the k-th buffer to the k-th
  // connected channel), process, deliver. Float blocks convert through the scratch buffers;
  // accumulate adds to what the host's outputs hold. Call with the plug-in lock held.
  void ProcessFloatBlock(float** inputs, float** outputs, int nFrames, bool accumulate);
  void ProcessDoubleBlock(double** inputs, double** outputs, int nFrames);

  // ===================================== editor ==============================================
  // The graphics object, or null without an editor.
  IGraphics* GetGUI() const { return mGraphics ? mGraphics->Graphics() : nullptr; }
  IEditor* GetEditor() const { return mGraphics; }
  void PushParamsToEditor();

  Lock& PluginLock() { return mLock; }

 protected:
  bool DoesMidi() const { return mDoesMidi; }
  int StoredHostCode() const { return mHostCode; }

 private:
  // Frames the scratch buffers are made ready for at most when a block size is announced.
  static constexpr int kMostPreparedFrames = 1 << 20;
  bool SizeScratch(int frames, bool clear);
  bool EnsureScratch(int nFrames);
  template <typename T, typename In, typename Out>
  void BindConnected(T** inputs, T** outputs, In in, Out out);
  void PointUnconnectedAtScratch();

  Lock mLock;  // declared first so that it is destroyed last
  PtrList<ChannelConfig> mChannelIO;
  char mEffectName[128] = {};
  char mProductName[128] = {};
  char mVendorName[128] = {};
  int mUniqueID;
  int mMfrID;
  int mVersion;        // packed 0xMMMMmmbb
  int mHostCode = -1;  // kHostNotQueried until SetHost
  int mHostVersion = 0;
  bool mDoesMidi;
  bool mUsesChunks;
  bool mIsInstrument;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mScratchFrames = 0;  // doubles each scratch buffer holds
  int mLatency;
  PtrList<IParam> mParams;
  IEditor* mGraphics = nullptr;  // the graphics object, owned
  PtrList<IPresetSlot> mPresets;
  int mCurrentPreset = 0;
  std::vector<double*> mInputSlots;
  std::vector<double*> mOutputSlots;
  PtrList<InputChannel> mInChannels;
  PtrList<OutputChannel> mOutChannels;
};
