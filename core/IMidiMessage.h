#pragma once

#include <cstdint>

/// A short MIDI message with its sample offset in the current block.
struct IMidiMessage {
  int32_t offset = 0;  // samples from the start of the block
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;

  static constexpr int kControlChange = 11;

  /// The message kind (status >> 4) for channel messages, 0 for anything else.
  int Kind() const { return (status >= 0x80 && status <= 0xEF) ? status >> 4 : 0; }
  int ControllerNumber() const { return data1; }
  /// The 7-bit data byte / 127 (0..1) for a control change of this controller, else -1.
  /// Hosts pass device and file data through unchecked, so a data byte with its top bit set
  /// is taken as its low seven bits rather than as a value above 1.
  double ControlValue(int controller) const {
    return (Kind() == kControlChange && data1 == controller) ? (data2 & 0x7F) / 127.0 : -1.0;
  }
};
