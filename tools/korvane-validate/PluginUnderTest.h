#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/VstModule.h"
#include "tools/korvane-validate/AudioBuffers.h"
#include "tools/korvane-validate/ChildReport.h"
#include "tools/korvane-validate/RecordingHost.h"

/// One instance of the module under test, driven through its record as a host drives it.
/// Every fault it meets on the way fails the running check (CheckFailure).
///
/// Lifecycle: construct (load, entry point, record checked) → Open (effOpen) → Start (sample
/// rate, block size, effMainsChanged on, effStartProcess) → Process ... → Stop → Close
/// (effClose; also on destruction) → the module unloads with the last instance's object.
class PluginUnderTest {
 public:
  enum class Callback { Replacing, DoubleReplacing, Accumulating };

  /// [host thread] Loads the module (or shares the one given) and creates an instance.
  PluginUnderTest(const std::string& path, ChildReport& report,
                  std::shared_ptr<VstModule> module = nullptr);
  ~PluginUnderTest();
  PluginUnderTest(const PluginUnderTest&) = delete;
  PluginUnderTest& operator=(const PluginUnderTest&) = delete;

  AEffect* Effect() const { return mEffect; }
  RecordingHost& Host() { return *mHost; }
  std::shared_ptr<VstModule> Module() const { return mModule; }
  /// How long loading the library took, when this object loaded it.
  double LoadMilliseconds() const { return mLoadMilliseconds; }
  bool HasFlag(int flag) const { return (mEffect->flags & flag) != 0; }
  int Params() const { return mEffect->numParams; }
  int Programs() const { return mEffect->numPrograms; }

  // ---- lifecycle (host thread) ----
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  void Open();
  void Start(double sampleRate, int blockSize);
  void Stop();
  void Close();
  double SampleRate() const { return mSampleRate; }
  int BlockSize() const { return mBlockSize; }

  // ---- strings ----
  /// [host thread] The text a string opcode writes into a 256-byte buffer (what hosts pass);
  /// fails unless it is terminated within the buffer and nothing beyond it was written.
  std::string Text(VstInt32 opcode, VstInt32 index, const std::string& what);

  // ---- parameters ----
  float GetParameter(VstInt32 index) { return mEffect->getParameter(mEffect, index); }
  void SetParameter(VstInt32 index, float value) { mEffect->setParameter(mEffect, index, value); }
  /// Fails unless every parameter reads within 0..1.
  void ExpectParametersInRange(const std::string& when);

  // ---- processing (audio thread) ----
  /// The callbacks the flags announce: processReplacing and processDoubleReplacing.
  std::vector<Callback> AnnouncedCallbacks() const;
  /// Runs one block of frames through the callback and fails unless every output is a
  /// normal number or zero.
  void Process(Callback callback, AudioBuffers& buffers, int frames);
  /// Buffers for this instance's channel counts.
  AudioBuffers Buffers(int frames) const {
    return AudioBuffers(mEffect->numInputs, mEffect->numOutputs, frames);
  }

  // ---- state ----
  /// [host thread] effGetChunk (bank, or program when program is set) copied out.
  std::vector<unsigned char> GetChunk(bool program);
  VstIntPtr SetChunk(bool program, const std::vector<unsigned char>& chunk);

  /// "at 48000 Hz, blocks of 512" and the like, for failure lines.
  std::string Where() const;
  static const char* Name(Callback callback);

 private:
  ChildReport& mReport;
  std::shared_ptr<VstModule> mModule;
  std::unique_ptr<RecordingHost> mHost;
  AEffect* mEffect = nullptr;
  double mLoadMilliseconds = 0.0;
  bool mOpen = false;
  bool mStarted = false;
  double mSampleRate = 44100.0;
  int mBlockSize = 512;
  double mSamplePosition = 0.0;
};
