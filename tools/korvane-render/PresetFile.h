#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// A VST 2 program (.fxp) or bank (.fxb) file: the one reader and the one writer of its bytes.
///
/// Every integer and float is big-endian; four-character codes are their ASCII bytes.
///
///   offset  size  program (.fxp)                      bank (.fxb)
///   0       4     'CcnK'                              'CcnK'
///   4       4     byteSize = file size - 8            byteSize
///   8       4     'FxCk' (floats) | 'FPCh' (chunk)    'FxBk' (programs) | 'FBCh' (chunk)
///   12      4     version 1                           version 1 or 2
///   16      4     fxID (the module's unique ID)       fxID
///   20      4     fxVersion (the module's version)    fxVersion
///   24      4     numParams                           numPrograms
///   28      28    prgName, zero-padded                version 2: currentProgram, then 124
///                                                     zero bytes; version 1: 128 zero bytes
///   56      ...   FxCk: numParams floats
///                 FPCh: chunkSize, chunk bytes
///   156     ...                                       FxBk: numPrograms whole 'FxCk' records
///                                                     FBCh: chunkSize, chunk bytes
///
/// Readers ignore byteSize (some writers leave it 0) and bytes after the last record; anything
/// else that does not fit the layout refuses the file. Chunks are the module's own bytes.
class PresetFile {
 public:
  enum class Kind { kProgram, kProgramChunk, kBank, kBankChunk };

  /// One 'FxCk' record: a named list of normalised parameter values.
  struct Program {
    std::string name;  // at most 27 characters
    std::vector<float> params;
  };

  static constexpr int32_t kChunkMagic = 0x43636E4B;         // 'CcnK'
  static constexpr int32_t kProgramMagic = 0x4678436B;       // 'FxCk'
  static constexpr int32_t kProgramChunkMagic = 0x46504368;  // 'FPCh'
  static constexpr int32_t kBankMagic = 0x4678426B;          // 'FxBk'
  static constexpr int32_t kBankChunkMagic = 0x46424368;     // 'FBCh'
  static constexpr size_t kProgramHeader = 56;               // up to the floats or the chunk size
  static constexpr size_t kBankHeader = 156;                 // up to the programs or the chunk size
  static constexpr size_t kNameBytes = 28;

  Kind kind = Kind::kProgram;
  int32_t version = 1;  // programs 1; banks 1 or 2
  int32_t fxId = 0;
  int32_t fxVersion = 0;
  int32_t currentProgram = 0;     // banks of version 2
  Program program;                // kProgram; kProgramChunk uses its name only
  std::vector<Program> programs;  // kBank
  std::vector<uint8_t> chunk;     // kProgramChunk, kBankChunk
  int32_t chunkCount = 0;         // kProgramChunk: numParams; kBankChunk: numPrograms
  /// The count the file gives: numParams (programs) or numPrograms (banks).
  int32_t Count() const;

  bool IsBank() const { return kind == Kind::kBank || kind == Kind::kBankChunk; }
  bool IsChunk() const { return kind == Kind::kProgramChunk || kind == Kind::kBankChunk; }

  /// Reads a whole file's bytes. `what` names the file in messages. Throws RenderError
  /// saying what is wrong and where.
  static PresetFile Parse(const std::vector<uint8_t>& bytes, const std::string& what);
  /// The file's bytes. Throws RenderError when a count or size does not fit the format.
  std::vector<uint8_t> Serialize() const;

  /// "'KrvF' (0x4B727646)"
  static std::string DescribeId(int32_t id);
};
