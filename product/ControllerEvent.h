#pragma once

/// One queued MIDI controller change for the current block.
struct ControllerEvent {
  int controller = 0;  // 71, 74 or 111
  int offset = 0;      // sample offset in the block, never negative
  double value = 0.0;  // the data byte / 127, 0..1
};
