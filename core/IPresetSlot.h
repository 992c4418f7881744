#pragma once

#include "core/StateChunk.h"

/// One program: a name and a stored copy of the parameter state.
struct IPresetSlot {
  static constexpr int kNameSize = 256;  // 255 characters and the terminator

  bool used = false;  // false until the preset first receives values
  char name[kNameSize] = {};
  StateChunk state;  // parameter state, empty while unused
};
