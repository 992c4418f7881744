#pragma once

#include "core/StateChunk.h"

/// One declared input channel.
///
/// slot is this channel's entry in the plug-in's input slots: what the processing reads.
/// A connected channel's slot is bound to the host's buffer (or to scratch after a float
/// conversion) on every block; an unconnected one points at its own scratch.
struct InputChannel {
  bool connected = false;
  double** slot = nullptr;
  StateChunk scratch;  // block-size doubles

  double* Scratch() { return reinterpret_cast<double*>(scratch.Data()); }
};
