#pragma once

#include "graphics/IColor.h"

/// Style of drawn text.
struct IText {
  enum EStyle { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };

  char font[32] = "Arial";
  int size = 14;  // character height in pixels
  IColor color;   // alpha unused
  int style = kStyleNormal;
  int align = kAlignNear;
  int orientation = 0;  // degrees
};
