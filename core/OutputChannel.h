#pragma once

#include "core/StateChunk.h"

/// One declared output channel.
///
/// slot is this channel's entry in the plug-in's output slots: what the processing writes.
/// For float processing the result is computed into scratch and then delivered to hostFloat.
struct OutputChannel {
  bool connected = false;
  double** slot = nullptr;
  float* hostFloat = nullptr;  // the host's buffer of the current float block
  StateChunk scratch;          // block-size doubles

  double* Scratch() { return reinterpret_cast<double*>(scratch.Data()); }
};
