#pragma once

#include <cstdint>

/// The byte layout of the state a host stores for the plug-in: the program chunk (the current
/// parameter values) and the bank chunk (every preset). Written by BraxBase::WriteChunk and
/// read by BraxBase::ReadChunk, nowhere else. Every number is little-endian.
///
///   header        int32 kChunkMagic, int32 kChunkVersion (format 1.0)
///   program       header, then the parameter state
///   bank          header, then per preset slot, in order:
///                   int32 name length L (0..), L name bytes (no terminator),
///                   uint8 used (1 or 0), and only when used: the parameter state
///   parameter     per parameter in index order: its value in its own units, as a double
///   state
///
/// Reading is bounded and its failure sticky (position -1): a chunk cut short sets what it
/// holds and leaves the rest at 0 (parameters) or empty (presets). A chunk without the header
/// is read as a parameter state from its first byte; a bank with a version below 1.0 is read as
/// a program.
struct StateFormat {
  /// The header's first word: the bytes 't' 'f' 'f' 'p' in the chunk.
  static constexpr int32_t kChunkMagic = 0x70666674;
  static constexpr int32_t kChunkVersion = 0x00010000;
  /// Which of the two chunks.
  enum Kind { kBank = 0, kProgram = 1 };
};
