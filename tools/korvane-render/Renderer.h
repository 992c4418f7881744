#pragma once

#include <csignal>
#include <cstdint>

#include "tools/korvane-render/LevelStats.h"

class AudioSink;
class AudioSource;
class MidiSchedule;
class ProgressBar;
class VstHost;

/// What a render did.
struct RenderResult {
  int64_t frames = 0;              // written, tail included
  double seconds = 0.0;            // of audio
  double processingSeconds = 0.0;  // inside the plug-in's event and audio callbacks
  LevelStats input;                // what the plug-in was given, tail silence included
  LevelStats output;               // as written
  int64_t nonFinite = 0;           // NaN or infinite samples the plug-in returned, written as 0
  int64_t firstNonFiniteFrame = -1;
  int firstNonFiniteChannel = -1;  // 0-based
};

/// The block loop of a render: reads the source block by block, then `tail` frames of silence,
/// sends each block's MIDI through effProcessEvents before the block, runs the plug-in's
/// audio callback and writes the result. Every block is full except the last.
///
/// The plug-in gets a buffer for every channel it declares: those beyond the file's channels
/// are silent inputs and discarded outputs. A NaN or infinite sample the plug-in returns in a
/// written channel is counted and written as 0: no file ever holds one.
class Renderer {
 public:
  /// `host` must be started for the source's channel count, block size and precision.
  Renderer(VstHost& host, MidiSchedule& midi, int blockSize, bool useDouble);

  /// Throws RenderError on a read or write failure, or when `cancel` becomes non-zero.
  RenderResult Run(AudioSource& source, AudioSink& sink, int64_t tailFrames,
                   ProgressBar* progress = nullptr,
                   const volatile std::sig_atomic_t* cancel = nullptr);

 private:
  VstHost& mHost;
  MidiSchedule& mMidi;
  int mBlockSize;
  bool mUseDouble;
};
