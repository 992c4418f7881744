#pragma once

/// How a control's drawing is composited: a kind and a weight (1.0 = full strength).
struct IBlend {
  enum EBlendType {
    kBlendDefault = 0,  // mix weighted by the source pixels' alpha
    kBlendOpaque = 1,   // copy, ignoring source alpha
    kBlendAdd = 2,      // add, weighted by source alpha
    kBlendDodge = 3,    // colour dodge, weighted by source alpha
  };

  int method = kBlendDefault;
  float weight = 1.0f;

  IBlend() = default;
  explicit IBlend(int kind, float w = 1.0f) : method(kind), weight(w) {}
};
