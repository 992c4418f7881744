#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <vector>

#include "lv2/Lv2Ports.h"
#include "vst/VstAbi.h"

class KorvaneFilter;

/// The filter as an LV2 plug-in instance: one adapter over the VST 2 binary interface, so that
/// the LV2 build drives exactly the code the VST 2 module runs.
///
/// Lifecycle: instantiate (Create: the instance through the module's entry path, effOpen, the
/// host's sample rate and largest block) → connect_port at any time → activate (effMainsChanged
/// 1, effStartProcess) → run(n) … → deactivate (effStopProcess, effMainsChanged 0, which resets
/// the filters) → cleanup (effClose).
///
/// Per run: every control input that changed since the last run is one setParameter between
/// blocks (glides start in this run). In the first run after activate the control inputs are
/// where the filter starts: when one changed, the filters restart at the host's rate with the
/// new settings in place, as a VST 2 host's settings made before it starts processing do. Then
/// the MIDI input goes to effProcessEvents (controllers act at their frame; the plug-in sends
/// every event back, and that is the MIDI output), the audio to processReplacing with one
/// block of n frames, and the control outputs take the limiter indicator, the output envelope
/// and the shape, cutoff and resonance the filter runs at, controllers included. A controller
/// never changes the control inputs, as it never changes the stored parameters.
///
/// Mono hosts connect one audio input and one output: the second ones left unconnected (null)
/// give the plug-in a mono speaker arrangement, as a VST 2 host's does.
///
/// Allocation: Create only. run allocates nothing and takes no lock but the plug-in's own (the
/// VST 2 callbacks take it); a run longer than the host's announced largest block grows the
/// plug-in's scratch buffers once, as a VST 2 host's longer block does.
class Lv2FilterPlugin {
 public:
  /// At most this many MIDI events go to the plug-in in one effProcessEvents call: the
  /// plug-in's controller queue holds that many without growing. Longer sequences are sent
  /// in several calls before the block.
  static constexpr int kEventBatch = 512;
  /// The largest block announced when the host states none.
  static constexpr int kDefaultMaxBlock = 8192;

  /// [host thread] A new instance, or null (no usable sample rate, or the plug-in could not be
  /// made). Without a URID map among the features the MIDI ports are not used.
  static Lv2FilterPlugin* Create(double rate, const LV2_Feature* const* features);
  ~Lv2FilterPlugin();
  Lv2FilterPlugin(const Lv2FilterPlugin&) = delete;
  Lv2FilterPlugin& operator=(const Lv2FilterPlugin&) = delete;

  // [host thread, or audio thread between runs] Unknown ports are ignored.
  void ConnectPort(uint32_t port, void* data);
  // [host thread]
  void Activate();
  void Deactivate();
  // [audio thread]
  void Run(uint32_t frames);

 private:
  Lv2FilterPlugin(double rate, int maxBlock, LV2_URID_Map* map);
  bool Open();

  // [any thread] The plug-in's calls back: MIDI out, automation reports, the host's identity.
  static VstIntPtr VSTCALLBACK HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                            VstIntPtr value, void* ptr, float opt);
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  // ---- one run [audio thread] ----
  bool ApplyControlInputs();
  void ApplyConnections();
  void SendMidi(uint32_t frames);
  void FlushEvents(int count);
  void BeginMidiOut();
  void WriteMidiOut(const VstEvents* events);
  void AppendMidiOut(int64_t frame, const void* bytes, uint32_t size);
  void WriteControlOutputs();

  AEffect* mEffect = nullptr;
  KorvaneFilter* mPlugin = nullptr;  // mEffect's instance, for the readings of the outputs
  double mRate;
  int mMaxBlock;
  LV2_URID mMidiEvent;  // midi:MidiEvent, 0 without a URID map
  LV2_URID mSequence;   // atom:Sequence, 0 without a URID map

  const float* mIn[2] = {nullptr, nullptr};
  float* mOut[2] = {nullptr, nullptr};
  const LV2_Atom_Sequence* mMidiIn = nullptr;
  LV2_Atom_Sequence* mMidiOut = nullptr;
  const float* mControl[Lv2Ports::kNumParams] = {};
  float* mReading[Lv2Ports::kCount - Lv2Ports::kLimiter] = {};  // control outputs, in order

  float mLastControl[Lv2Ports::kNumParams] = {};  // the control inputs as last applied
  bool mStarting = true;                          // the next run is the first since activate
  int mInputsConnected = 2;
  int mOutputsConnected = 2;
  VstSpeakerArrangement mInArrangement;
  VstSpeakerArrangement mOutArrangement;

  // Storage for one batch of events handed to effProcessEvents.
  std::vector<VstMidiEvent> mMidiEvents;
  std::vector<VstMidiSysexEvent> mSysexEvents;
  std::vector<unsigned char> mEventList;  // a VstEvents record with kEventBatch entries
  int mSysexUsed = 0;
  uint32_t mMidiOutCapacity = 0;  // bytes of the output sequence's body the host provides
};
