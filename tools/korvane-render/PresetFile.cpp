#include "tools/korvane-render/PresetFile.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "tools/korvane-render/RenderError.h"

namespace {

constexpr size_t kBankReserved = 128;  // from offset 28: currentProgram (version 2) and future
constexpr size_t kMaxFileBytes = static_cast<size_t>(std::numeric_limits<int32_t>::max());

std::string FourCC(int32_t id) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

// Bounded big-endian reads over a file's bytes; a read past the end refuses the file, naming
// the field it was in.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& bytes, const std::string& what) : mBytes(bytes), mWhat(what) {}

  size_t Left() const { return mBytes.size() - mPos; }

  void Need(size_t count, const std::string& field) const {
    if (count > Left()) {
      throw RenderError(mWhat + " is cut short: it ends inside the " + field + " (byte " +
                        std::to_string(mBytes.size()) + ", " + std::to_string(count) +
                        " bytes needed from byte " + std::to_string(mPos) + ")");
    }
  }

  int32_t Int(const std::string& field) {
    Need(4, field);
    const uint32_t u = (static_cast<uint32_t>(mBytes[mPos]) << 24) |
                       (static_cast<uint32_t>(mBytes[mPos + 1]) << 16) |
                       (static_cast<uint32_t>(mBytes[mPos + 2]) << 8) |
                       static_cast<uint32_t>(mBytes[mPos + 3]);
    mPos += 4;
    int32_t value;
    std::memcpy(&value, &u, sizeof value);
    return value;
  }

  float Float(const std::string& field) {
    const int32_t bits = Int(field);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  void Bytes(size_t count, const std::string& field, uint8_t* out) {
    Need(count, field);
    if (count) std::memcpy(out, mBytes.data() + mPos, count);
    mPos += count;
  }

  void Skip(size_t count, const std::string& field) {
    Need(count, field);
    mPos += count;
  }

  [[noreturn]] void Refuse(const std::string& why) const { throw RenderError(mWhat + ": " + why); }

 private:
  const std::vector<uint8_t>& mBytes;
  const std::string& mWhat;
  size_t mPos = 0;
};

class Writer {
 public:
  void Int(int32_t value) {
    uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    for (int shift = 24; shift >= 0; shift -= 8) mBytes.push_back(static_cast<uint8_t>(u >> shift));
  }
  void Float(float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Int(bits);
  }
  void Bytes(const uint8_t* data, size_t count) { mBytes.insert(mBytes.end(), data, data + count); }
  void Zeros(size_t count) { mBytes.insert(mBytes.end(), count, 0); }
  void Name(const std::string& name) {
    const size_t n = std::min(name.size(), PresetFile::kNameBytes - 1);
    Bytes(reinterpret_cast<const uint8_t*>(name.data()), n);
    Zeros(PresetFile::kNameBytes - n);
  }
  std::vector<uint8_t>& Result() { return mBytes; }

 private:
  std::vector<uint8_t> mBytes;
};

// 'CcnK' and the byte size that open every record.
void ReadMagic(Reader& in, const std::string& record) {
  const int32_t magic = in.Int(record + "'s magic");
  if (magic != PresetFile::kChunkMagic) {
    in.Refuse(record + " does not start with 'CcnK' but '" + FourCC(magic) +
              "': not a VST preset file");
  }
  in.Int(record + "'s byte size");  // ignored: some writers leave it 0
}

std::string ReadName(Reader& in) {
  uint8_t name[PresetFile::kNameBytes];
  in.Bytes(sizeof name, "program name", name);
  size_t n = 0;
  while (n < sizeof name && name[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(name), n);
}

std::vector<uint8_t> ReadChunk(Reader& in) {
  const int32_t size = in.Int("chunk size");
  if (size < 0) in.Refuse("the chunk size " + std::to_string(size) + " is negative");
  in.Need(static_cast<size_t>(size), "chunk of " + std::to_string(size) + " bytes");
  std::vector<uint8_t> chunk(static_cast<size_t>(size));
  in.Bytes(chunk.size(), "chunk", chunk.data());
  return chunk;
}

std::vector<float> ReadParams(Reader& in, int32_t count) {
  if (count < 0) in.Refuse("the parameter count " + std::to_string(count) + " is negative");
  // Checked before anything is allocated: an absurd count meets the file's real length.
  in.Need(static_cast<size_t>(count) * 4, "values of " + std::to_string(count) + " parameters");
  std::vector<float> params(static_cast<size_t>(count));
  for (float& p : params) p = in.Float("parameter values");
  return params;
}

void CheckVersion(const Reader& in, int32_t version, bool bank) {
  if (version == 1 || (bank && version == 2)) return;
  in.Refuse("format version " + std::to_string(version) + " is not one of " +
            (bank ? "1 or 2 (banks)" : "1 (programs)"));
}

// One 'FxCk' record inside a bank: its own 'CcnK' header, the bank's plug-in.
PresetFile::Program ReadBankProgram(Reader& in, int index) {
  const std::string record = "program " + std::to_string(index) + " of the bank";
  ReadMagic(in, record);
  const int32_t magic = in.Int(record + "'s magic");
  if (magic != PresetFile::kProgramMagic) {
    in.Refuse(record + " is '" + FourCC(magic) + "', not an 'FxCk' program");
  }
  CheckVersion(in, in.Int(record + "'s version"), false);
  in.Skip(8, record + "'s fxID and fxVersion");
  const int32_t count = in.Int(record + "'s parameter count");
  PresetFile::Program program;
  program.name = ReadName(in);
  program.params = ReadParams(in, count);
  return program;
}

}  // namespace

int32_t PresetFile::Count() const {
  if (IsChunk()) return chunkCount;
  return static_cast<int32_t>(IsBank() ? programs.size() : program.params.size());
}

std::string PresetFile::DescribeId(int32_t id) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(id));
  return "'" + FourCC(id) + "' (" + hex + ")";
}

PresetFile PresetFile::Parse(const std::vector<uint8_t>& bytes, const std::string& what) {
  Reader in(bytes, what);
  ReadMagic(in, "the file");
  PresetFile file;
  const int32_t magic = in.Int("preset kind");
  switch (magic) {
    case kProgramMagic:
      file.kind = Kind::kProgram;
      break;
    case kProgramChunkMagic:
      file.kind = Kind::kProgramChunk;
      break;
    case kBankMagic:
      file.kind = Kind::kBank;
      break;
    case kBankChunkMagic:
      file.kind = Kind::kBankChunk;
      break;
    default:
      in.Refuse("unknown preset kind '" + FourCC(magic) +
                "' (expected 'FxCk', 'FPCh', 'FxBk' or 'FBCh')");
  }
  file.version = in.Int("format version");
  CheckVersion(in, file.version, file.IsBank());
  file.fxId = in.Int("fxID");
  file.fxVersion = in.Int("fxVersion");
  const int32_t count = in.Int(file.IsBank() ? "program count" : "parameter count");

  if (!file.IsBank()) {
    file.program.name = ReadName(in);
    if (file.kind == Kind::kProgram) {
      file.program.params = ReadParams(in, count);
    } else {
      if (count < 0) in.Refuse("the parameter count " + std::to_string(count) + " is negative");
      file.chunk = ReadChunk(in);
      file.chunkCount = count;
    }
    return file;
  }

  if (count < 0) in.Refuse("the program count " + std::to_string(count) + " is negative");
  if (file.version == 2) {
    file.currentProgram = in.Int("current program");
    in.Skip(kBankReserved - 4, "reserved bytes");
  } else {
    in.Skip(kBankReserved, "reserved bytes");
  }
  if (file.kind == Kind::kBankChunk) {
    file.chunk = ReadChunk(in);
    file.chunkCount = count;
    return file;
  }
  // Every program record is at least its header long: an absurd count meets the file's length
  // before anything is allocated.
  in.Need(static_cast<size_t>(count) * kProgramHeader,
          "programs (" + std::to_string(count) + " announced)");
  file.programs.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) file.programs.push_back(ReadBankProgram(in, i));
  return file;
}

std::vector<uint8_t> PresetFile::Serialize() const {
  const auto tooLarge = [](size_t bytes) {
    if (bytes > kMaxFileBytes) throw RenderError("the preset would exceed 2 GiB");
  };
  Writer out;
  const auto header = [&](int32_t magic, int32_t count) {
    out.Int(kChunkMagic);
    out.Int(0);  // byteSize, filled in at the end
    out.Int(magic);
    out.Int(version);
    out.Int(fxId);
    out.Int(fxVersion);
    out.Int(count);
  };
  const auto params = [&](const Program& p) {
    tooLarge(p.params.size() * 4 + kProgramHeader);
    header(kProgramMagic, static_cast<int32_t>(p.params.size()));
    out.Name(p.name);
    for (float v : p.params) out.Float(v);
  };
  const auto chunkBytes = [&]() {
    tooLarge(chunk.size() + kBankHeader + 4);
    out.Int(static_cast<int32_t>(chunk.size()));
    out.Bytes(chunk.data(), chunk.size());
  };
  switch (kind) {
    case Kind::kProgram:
      params(program);
      break;
    case Kind::kProgramChunk:
      header(kProgramChunkMagic, chunkCount);
      out.Name(program.name);
      chunkBytes();
      break;
    case Kind::kBank:
    case Kind::kBankChunk: {
      const bool chunked = kind == Kind::kBankChunk;
      header(chunked ? kBankChunkMagic : kBankMagic,
             chunked ? chunkCount : static_cast<int32_t>(programs.size()));
      if (version == 2) {
        out.Int(currentProgram);
        out.Zeros(kBankReserved - 4);
      } else {
        out.Zeros(kBankReserved);
      }
      if (chunked) {
        chunkBytes();
        break;
      }
      for (const Program& p : programs) {
        tooLarge(out.Result().size() + kProgramHeader + p.params.size() * 4);
        // Each record carries the bank's identity and program version 1.
        PresetFile record;
        record.fxId = fxId;
        record.fxVersion = fxVersion;
        record.program = p;
        const std::vector<uint8_t> bytes = record.Serialize();
        out.Bytes(bytes.data(), bytes.size());
      }
      break;
    }
  }
  std::vector<uint8_t>& bytes = out.Result();
  const uint32_t size = static_cast<uint32_t>(bytes.size() - 8);
  for (int i = 0; i < 4; ++i)
    bytes[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
  return bytes;
}
