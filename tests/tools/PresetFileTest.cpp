// The .fxp/.fxb reader and writer on their own: files written by hand from the layout, round
// trips of every form, and damaged files (every prefix, wrong magics and versions, absurd
// counts, every byte spoilt) refused with a message and without reading out of bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/korvane-render/PresetFile.h"
#include "tools/korvane-render/RenderError.h"

namespace {

// Big-endian bytes written straight from the layout, independent of the writer under test.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& Int(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& Tag(const char* four) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(four[i]));
    return *this;
  }
  Bytes& Float(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return Int(u);
  }
  Bytes& Name(const char* name) {
    const size_t n = std::strlen(name);
    for (size_t i = 0; i < 28; ++i) b.push_back(i < n ? static_cast<uint8_t>(name[i]) : 0);
    return *this;
  }
  Bytes& Zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
  Bytes& Raw(const std::vector<uint8_t>& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
  // byteSize = size - 8 where the record starts at `from`
  Bytes& FixSize(size_t from = 0) {
    const uint32_t size = static_cast<uint32_t>(b.size() - from - 8);
    for (int i = 0; i < 4; ++i) b[from + 4 + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    return *this;
  }
};

std::vector<uint8_t> Program(const char* name, const std::vector<float>& values,
                             uint32_t id = 0x4B727646) {
  Bytes p;
  p.Tag("CcnK").Int(0).Tag("FxCk").Int(1).Int(id).Int(10000).Int(
      static_cast<uint32_t>(values.size()));
  p.Name(name);
  for (float v : values) p.Float(v);
  return p.FixSize().b;
}

std::vector<uint8_t> ParamBank(int version) {
  Bytes f;
  f.Tag("CcnK").Int(0).Tag("FxBk").Int(static_cast<uint32_t>(version)).Int(0x4B727646).Int(10000);
  f.Int(2);
  if (version == 2) {
    f.Int(1).Zeros(124);
  } else {
    f.Zeros(128);
  }
  f.Raw(Program("first", {0.0f, 0.5f})).Raw(Program("second", {1.0f, 0.25f}));
  return f.FixSize().b;
}

std::vector<uint8_t> ChunkProgram() {
  Bytes f;
  f.Tag("CcnK").Int(0).Tag("FPCh").Int(1).Tag("KStb").Int(3).Int(2).Name("chunky");
  f.Int(5).Raw({1, 2, 3, 4, 5});
  return f.FixSize().b;
}

std::vector<uint8_t> ChunkBank() {
  Bytes f;
  f.Tag("CcnK").Int(0).Tag("FBCh").Int(2).Tag("KStb").Int(3).Int(2).Int(1).Zeros(124);
  f.Int(3).Raw({9, 8, 7});
  return f.FixSize().b;
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
  try {
    PresetFile::Parse(bytes, "preset x.fxp");
  } catch (const RenderError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(PresetFile, ReadsHandWrittenProgramsAndBanksOfEveryForm) {
  PresetFile p = PresetFile::Parse(Program("warm", {0.25f, 1.0f, 0.0f}), "p");
  EXPECT_EQ(p.kind, PresetFile::Kind::kProgram);
  EXPECT_EQ(p.fxId, 0x4B727646);
  EXPECT_EQ(p.fxVersion, 10000);
  EXPECT_EQ(p.program.name, "warm");
  EXPECT_EQ(p.program.params, (std::vector<float>{0.25f, 1.0f, 0.0f}));
  EXPECT_EQ(p.Count(), 3);

  for (int version : {1, 2}) {
    const PresetFile b = PresetFile::Parse(ParamBank(version), "b");
    EXPECT_EQ(b.kind, PresetFile::Kind::kBank);
    EXPECT_EQ(b.version, version);
    EXPECT_EQ(b.currentProgram, version == 2 ? 1 : 0) << "version " << version;
    ASSERT_EQ(b.programs.size(), 2u);
    EXPECT_EQ(b.programs[1].name, "second");
    EXPECT_EQ(b.programs[1].params, (std::vector<float>{1.0f, 0.25f}));
  }

  const PresetFile c = PresetFile::Parse(ChunkProgram(), "c");
  EXPECT_EQ(c.kind, PresetFile::Kind::kProgramChunk);
  EXPECT_EQ(c.program.name, "chunky");
  EXPECT_EQ(c.chunk, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(c.Count(), 2);
  const PresetFile cb = PresetFile::Parse(ChunkBank(), "cb");
  EXPECT_EQ(cb.kind, PresetFile::Kind::kBankChunk);
  EXPECT_EQ(cb.currentProgram, 1);
  EXPECT_EQ(cb.chunk, (std::vector<uint8_t>{9, 8, 7}));

  // byteSize is ignored (some writers leave 0), and so are bytes after the last record.
  std::vector<uint8_t> loose = Program("x", {0.5f});
  loose[4] = loose[5] = loose[6] = loose[7] = 0;
  loose.push_back(0xAB);
  EXPECT_EQ(PresetFile::Parse(loose, "loose").program.params, std::vector<float>{0.5f});

  // A name of all 28 bytes without a terminator is read whole, never past it.
  std::vector<uint8_t> full = Program("", {0.5f});
  std::memset(full.data() + 28, 'n', 28);
  EXPECT_EQ(PresetFile::Parse(full, "full").program.name, std::string(28, 'n'));
}

TEST(PresetFile, WritesWhatItReadsByteForByte) {
  for (const std::vector<uint8_t>& bytes :
       {Program("warm", {0.25f, 1.0f, 0.0f}), ParamBank(2), ChunkProgram(), ChunkBank()}) {
    EXPECT_EQ(PresetFile::Parse(bytes, "f").Serialize(), bytes);
  }
  // A version 1 bank is written as version 1 with 128 reserved bytes.
  EXPECT_EQ(PresetFile::Parse(ParamBank(1), "v1").Serialize(), ParamBank(1));
  // Names longer than the field keep their first 27 characters and a terminator.
  PresetFile p;
  p.program.name = std::string(40, 'a');
  p.program.params = {0.5f};
  const std::vector<uint8_t> bytes = p.Serialize();
  ASSERT_EQ(bytes.size(), 60u);
  EXPECT_EQ(bytes[28 + 26], 'a');
  EXPECT_EQ(bytes[28 + 27], 0);
  EXPECT_EQ(PresetFile::Parse(bytes, "long").program.name, std::string(27, 'a'));
}

TEST(PresetFile, RefusesEveryPrefixOfEveryFormAsCutShort) {
  for (const std::vector<uint8_t>& bytes : {Program("warm", {0.25f, 1.0f, 0.0f}), ParamBank(1),
                                            ParamBank(2), ChunkProgram(), ChunkBank()}) {
    for (size_t n = 0; n < bytes.size(); ++n) {
      // A copy of exactly n bytes, so that a read past it is a read out of bounds under ASan.
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(n));
      const std::string why = Refusal(prefix);
      EXPECT_NE(why.find("preset x.fxp is cut short"), std::string::npos)
          << n << " of " << bytes.size() << " bytes: " << why;
    }
  }
}

TEST(PresetFile, RefusesWrongMagicsVersionsAndAbsurdCountsWithTheirReason) {
  struct Case {
    std::vector<uint8_t> bytes;
    size_t at;       // the 4 bytes at this offset are replaced
    uint32_t value;  // by this
    std::string message;
  };
  const std::vector<uint8_t> program = Program("warm", {0.25f, 1.0f, 0.0f});
  const std::vector<Case> cases = {
      {program, 0, 0x52494646, "does not start with 'CcnK' but 'RIFF'"},
      {program, 8, 0x46784368, "unknown preset kind 'FxCh'"},
      {program, 12, 2, "format version 2 is not one of 1 (programs)"},
      {ParamBank(2), 12, 3, "format version 3 is not one of 1 or 2 (banks)"},
      {program, 24, 0x7FFFFFFF, "cut short: it ends inside the values of 2147483647 parameters"},
      {program, 24, 0xFFFFFFFF, "the parameter count -1 is negative"},
      {ParamBank(2), 24, 0x7FFFFFFF, "ends inside the programs (2147483647 announced)"},
      {ParamBank(2), 24, 0x80000000, "the program count -2147483648 is negative"},
      {ParamBank(2), 156 + 8, 0x46504368, "program 0 of the bank is 'FPCh', not an 'FxCk'"},
      {ParamBank(2), 156, 0, "program 0 of the bank does not start with 'CcnK'"},
      {ChunkProgram(), 56, 0x7FFFFFFF, "ends inside the chunk of 2147483647 bytes"},
      {ChunkProgram(), 56, 0xFFFFFFF0, "the chunk size -16 is negative"},
      {ChunkBank(), 156, 0x40000000, "ends inside the chunk of 1073741824 bytes"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = c.bytes;
    for (int i = 0; i < 4; ++i) bytes[c.at + i] = static_cast<uint8_t>(c.value >> (24 - 8 * i));
    const std::string why = Refusal(bytes);
    EXPECT_NE(why.find(c.message), std::string::npos) << c.message << ": " << why;
    EXPECT_EQ(why.rfind("preset x.fxp", 0), 0u) << "names the file: " << why;
  }
}

TEST(PresetFile, SurvivesEveryByteSpoiltEitherReadingOrRefusing) {
  for (const std::vector<uint8_t>& bytes : {ParamBank(2), ChunkProgram(), ChunkBank()}) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      for (uint8_t spoilt : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
        std::vector<uint8_t> copy = bytes;
        copy[i] = spoilt;
        try {
          const PresetFile f = PresetFile::Parse(copy, "spoilt");
          EXPECT_LE(f.chunk.size() + f.programs.size() * 56, copy.size()) << "byte " << i;
        } catch (const RenderError&) {
        }
      }
    }
  }
}
