#pragma once

#include <cstdint>

#include "raster/BlendMode.h"
#include "raster/RasterBitmap.h"

/// Scaled and rotated blits, nearest or bilinear (BLEND_FILTER_BILINEAR in the mode word).
///
/// Positions and steps are set up in floating point per operation (and per row), then walked
/// in 16.16 fixed point; the per-pixel work is integer only. Samples are taken at the top-left
/// corner of each destination pixel. Bilinear samples only interpolate toward pixels inside the
/// source window: the window's last column and row interpolate in one direction and its last
/// pixel is taken as it is.

/// Composites the source rectangle (srcx, srcy, srcw, srch) stretched onto the destination
/// rectangle (dstx, dsty, dstw, dsth). A negative dstw or dsth mirrors the image on that axis.
/// Equal sizes (within 0.001) and, when filtering, a whole-pixel source position (within 0.03)
/// become a 1:1 blit.
void scaledBlit(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
                std::int32_t dstw, std::int32_t dsth, float srcx, float srcy, float srcw,
                float srch, float alpha, BlendMode mode);

/// Composites the source rectangle scaled onto the destination rectangle and rotated by angle
/// (radians, clockwise on screen) about its centre; the destination centre falls on the source
/// rectangle's centre moved by (rotxcent, rotycent). With clipToSource only the source
/// rectangle is sampled, otherwise the whole source.
void rotatedBlit(RasterBitmap* dest, RasterBitmap* src, std::int32_t dstx, std::int32_t dsty,
                 std::int32_t dstw, std::int32_t dsth, float srcx, float srcy, float srcw,
                 float srch, float angle, bool clipToSource, float alpha, BlendMode mode,
                 float rotxcent, float rotycent);
