#pragma once

#include <string>
#include <vector>

#include "tools/korvane-validate/Random.h"

/// Host-owned audio buffers for one block of float and double processing: one buffer per
/// channel and the pointer arrays the callbacks take. Sized once; processing reuses them.
class AudioBuffers {
 public:
  /// [host thread] inputs/outputs as the record announces them (at least one pointer each,
  /// so that a module reading channel 0 of a side it has none of reads valid memory).
  AudioBuffers(int inputs, int outputs, int frames);

  int Inputs() const { return mInputs; }
  int Outputs() const { return mOutputs; }
  int Frames() const { return mFrames; }
  float** In() { return mInPtrs.data(); }
  float** Out() { return mOutPtrs.data(); }
  double** InDouble() { return mInDoublePtrs.data(); }
  double** OutDouble() { return mOutDoublePtrs.data(); }

  /// Inputs to noise of this peak (both precisions), or to silence with peak 0.
  void FillInputs(Random& random, float peak);
  /// Outputs to a constant (both precisions).
  void FillOutputs(float value);
  /// The first non-finite or subnormal output sample among the first frames, described, or
  /// empty when all are normal numbers or zero.
  std::string FirstBadOutput(int frames, bool doubles) const;
  /// The largest magnitude among the first frames of the float outputs.
  float OutputPeak(int frames) const;

 private:
  int mInputs, mOutputs, mFrames;
  std::vector<std::vector<float>> mIn, mOut;
  std::vector<std::vector<double>> mInDouble, mOutDouble;
  std::vector<float*> mInPtrs, mOutPtrs;
  std::vector<double*> mInDoublePtrs, mOutDoublePtrs;
};
