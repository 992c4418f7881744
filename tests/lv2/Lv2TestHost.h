#pragma once

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

/// A small LV2 host for tests, on Debian's lilv: finds the bundle built with the tests through
/// its LV2 path, instantiates the plug-in with a URID map and the largest block as an option,
/// connects every port to buffers of its own and runs it with MIDI events.
///
/// Lifecycle: construct (instantiate) → Activate → Run … → Deactivate → destroy (cleanup).
class Lv2TestHost {
 public:
  struct Midi {
    int64_t frame;
    std::vector<uint8_t> bytes;
    bool operator==(const Midi& o) const { return frame == o.frame && bytes == o.bytes; }
  };

  /// The directory that holds the bundle built with the tests (what LV2_PATH names).
  static std::string BundleParent();
  static constexpr const char* kUri = "urn:korvane:filter";

  /// Instantiates at this rate; Ok() is false when the plug-in was not found or refused.
  /// withMap false gives the plug-in no features at all, as a plain file renderer does.
  explicit Lv2TestHost(double rate = 48000.0, int maxBlock = 4096, bool withMap = true);
  ~Lv2TestHost();
  Lv2TestHost(const Lv2TestHost&) = delete;
  Lv2TestHost& operator=(const Lv2TestHost&) = delete;

  bool Ok() const { return mInstance != nullptr; }
  const LilvPlugin* Plugin() const { return mPlugin; }
  LilvWorld* World() const { return mWorld; }
  uint32_t PortIndex(const char* symbol) const;

  void Activate();
  void Deactivate();

  /// Control ports by symbol: inputs as the host sets them, outputs as the plug-in left them.
  void Set(const char* symbol, float value);
  float Get(const char* symbol) const;

  /// Leaves a port unconnected (null) from the next run on, as a mono host does.
  void Disconnect(const char* symbol);

  /// Runs n frames of in (one vector per input, each at least n long; missing ones silent)
  /// with these MIDI events; the outputs and the MIDI output are kept.
  void Run(uint32_t n, const std::vector<std::vector<float>>& in = {},
           const std::vector<Midi>& midi = {});
  const std::vector<float>& Out(int channel) const { return mOut[channel]; }
  const std::vector<Midi>& MidiOut() const { return mMidiOut; }
  /// Each audio input shares its buffer with the output of the same channel, as hosts that
  /// process in place do (the plug-in does not declare lv2:inPlaceBroken).
  bool inPlace = false;
  /// The MIDI output sequence's capacity in bytes (the body the plug-in may fill).
  uint32_t midiOutCapacity = 8192;

  LV2_URID Map(const char* uri);

 private:
  static LV2_URID MapUri(LV2_URID_Map_Handle handle, const char* uri);
  void Connect();

  LilvWorld* mWorld = nullptr;
  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  std::map<std::string, LV2_URID> mUrids;
  LV2_URID_Map mMap;
  int32_t mMaxBlock;
  LV2_Options_Option mOptions[2];
  LV2_Feature mMapFeature;
  LV2_Feature mOptionsFeature;
  const LV2_Feature* mFeatures[3];

  std::vector<float> mControls;  // one per port; audio and atom entries unused
  std::vector<bool> mConnected;  // per port
  std::vector<float> mIn[2];
  std::vector<float> mOut[2];
  std::vector<uint64_t> mMidiInBuf;  // 8-byte aligned atom sequences
  std::vector<uint64_t> mMidiOutBuf;
  std::vector<Midi> mMidiOut;
};
