#pragma once

#include <cstdint>

#include "raster/BlendMode.h"
#include "raster/Pixel32.h"
#include "raster/RasterBitmap.h"

/// Lines, arcs and circles, plain or anti-aliased.
///
/// Every pixel goes through the blend operator that the mode word and opacity select (once per
/// call; the filter bits play no part), with the colour's channels as the source. No pixel
/// outside the bitmap is ever written.

/// Clips the segment to 0 <= x < width, 0 <= y < height (outcode clipping; the end points move
/// onto the border in place). Returns whether anything is left.
bool clipLine(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2,
              std::int32_t width, std::int32_t height);

/// Line between the truncated end points, both included. The anti-aliased line draws pairs of
/// pixels across the minor axis and stops one step before the far end point.
void drawLine(RasterBitmap* bitmap, float x1, float y1, float x2, float y2, Pixel32 colour,
              float alpha, BlendMode mode, bool antialias);

/// Arc of radius r about (cx, cy) from angle1 clockwise to angle2. Angles are radians with 0
/// pointing up (toward smaller y) and pi/2 pointing right; an end before the start goes on
/// through 0, and equal angles give the whole circle.
void drawArc(RasterBitmap* bitmap, float cx, float cy, float r, float angle1, float angle2,
             Pixel32 colour, float alpha, BlendMode mode, bool antialias);

/// The angle brought into 0..2 pi as drawArc does first: 2 pi (6.2831855) is added in single
/// precision while it is below 0 and taken off while it is above 2 pi, with every rounding of
/// those steps. Where stepping would never end (beyond 2^27 in magnitude) the remainder of
/// dividing by 2 pi is wrapped instead, and an infinity becomes 0; NaN stays NaN.
float wrapAngle(float angle);

/// The whole circle: drawArc from 0 to 2 pi.
void drawCircle(RasterBitmap* bitmap, float cx, float cy, float r, Pixel32 colour, float alpha,
                BlendMode mode, bool antialias);
