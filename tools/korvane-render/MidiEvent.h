#pragma once

#include <cstdint>

/// A short MIDI message at an absolute frame of the render.
struct MidiEvent {
  int64_t frame;
  unsigned char status, data1, data2;
};
