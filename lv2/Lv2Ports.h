#pragma once

#include <cstdint>

/// The LV2 plug-in's port indices, as the bundle's description lists them. The DSP and the
/// editor modules share them; the .ttl must list the same numbers.
namespace Lv2Ports {

enum : uint32_t {
  kAudioInL = 0,
  kAudioInR = 1,
  kAudioOutL = 2,
  kAudioOutR = 3,
  kMidiIn = 4,   // atom sequence of MIDI events
  kMidiOut = 5,  // every incoming MIDI event, passed through
  // Control inputs: the plug-in's parameters 0..4 in their own units.
  kFirstParam = 6,
  kCaptioning = kFirstParam,  // parameter 0: 0 or 1, the editor's background captioning
  kShape = 7,                 // 0 low pass, 1 band pass wide, 2 band pass narrow
  kCutoff = 8,                // Hz, 10..18000
  kResonance = 9,             // 0..1
  kBrickwall = 10,            // 0 off, 1 on
  // Control outputs.
  kLimiter = 11,       // limiter indicator, 0..1, the editor's lamp
  kLevel = 12,         // output envelope, the editor's meter
  kShapeNow = 13,      // the shape the filter runs, set by the port or controller 111
  kCutoffNow = 14,     // Hz, the cutoff the filter runs at now (gliding), controller 74 included
  kResonanceNow = 15,  // the resonance it runs at now, controller 71 included
  kCount = 16
};

constexpr int kNumParams = 5;

/// The parameter a control input sets, or -1.
constexpr int ParamOfPort(uint32_t port) {
  return port >= kFirstParam && port < kFirstParam + kNumParams
             ? static_cast<int>(port - kFirstParam)
             : -1;
}

}  // namespace Lv2Ports
