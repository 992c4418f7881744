#pragma once

#include <cstdint>

/// The mode word of every compositing operation, beside a float opacity (1.0 = full).
///
///   bits 0-7   mode byte: BLEND_COPY (weighted mix), BLEND_ADD, BLEND_DODGE; in blit only,
///              0xF0-0xFF is a channel copy (destination byte (m >> 2) & 3 takes source byte
///              m & 3). Any other value draws nothing.
///   bits 8-15  filter: exactly 0x01 (BLEND_FILTER_BILINEAR) samples bilinearly in the scaled
///              and rotated blits; anything else samples the nearest pixel.
///   bit 16     BLEND_USE_SOURCE_ALPHA: scale each source pixel's weight by its own alpha.
using BlendMode = std::int32_t;

constexpr BlendMode BLEND_COPY = 0;
constexpr BlendMode BLEND_ADD = 1;
constexpr BlendMode BLEND_DODGE = 2;
constexpr BlendMode BLEND_CHANNEL_COPY = 0xF0;
constexpr BlendMode BLEND_FILTER_BILINEAR = 0x100;
constexpr BlendMode BLEND_USE_SOURCE_ALPHA = 0x10000;

constexpr BlendMode BLEND_MODE_MASK = 0xFF;
constexpr BlendMode BLEND_FILTER_MASK = 0xFF00;

/// Channel-copy mode byte: destination byte dstByte takes source byte srcByte (0 blue .. 3 alpha).
constexpr BlendMode blendChannelCopy(int dstByte, int srcByte) {
  return BLEND_CHANNEL_COPY | ((dstByte & 3) << 2) | (srcByte & 3);
}
