#pragma once

#include "vst/BraxVST.h"

/// Korvane Filter: a resonant filter for one or two channels.
///
/// Five parameters: 0 (unnamed) selects the editor's background captioning, 1 the filter shape,
/// 2 the cutoff frequency, 3 the resonance, 4 the brickwall limit. Eight programs handled by
/// the plug-in base.
class KorvaneFilter : public BraxVST {
 public:
  enum Param { kBackground = 0, kShape = 1, kCutoff = 2, kResonance = 3, kBrickwall = 4 };
  static constexpr int kNumParams = 5;
  static constexpr int kNumPresets = 8;

  explicit KorvaneFilter(audioMasterCallback hostCallback);
  ~KorvaneFilter() override;
};
