#include "graphics/IGraphics.h"

#include "core/BraxBase.h"

IGraphics::IGraphics(BraxBase* plug, int width, int height, int fps)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 24) {}

IGraphics::~IGraphics() = default;

void IGraphics::SetParameterFromPlugin(int paramIdx, double value, bool normalized) {
  if (!normalized) {
    const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;
    value = param->GetNormalized(value);
  }
  OnParameterFromPlugin(paramIdx, value);
}

void IGraphics::SetControlFromPlugin(int controlIdx, double normalizedValue) {
  OnControlFromPlugin(controlIdx, normalizedValue);
}

void IGraphics::OnParameterFromPlugin(int, double) {}
void IGraphics::OnControlFromPlugin(int, double) {}
