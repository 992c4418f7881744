// A small VST 2 module whose state and faults the tests control: two channels, output = input
// times twice "gain"; two programs kept in chunks; with "fault" on, NaN and infinite samples at
// fixed frames counted from effMainsChanged(1): NaN in channel 2 (index 1) at frames
// kNanFrom..kNanFrom+kNanCount-1, +inf in channel 1 (index 0) at frame kInfAt.
//
// Program chunk: 'STB1', gain, fault (floats, little-endian): 12 bytes.
// Bank chunk: 'STBB', current program (int32), then per program its 24-byte name and its two
// floats: 8 + 2 x 32 bytes. Any other chunk is refused (effSetChunk answers 0, nothing changes).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "vst/VstAbi.h"

namespace {

constexpr int kParams = 2;
constexpr int kPrograms = 2;
constexpr int kNameBytes = 24;
constexpr int64_t kNanFrom = 1000;
constexpr int64_t kNanCount = 10;
constexpr int64_t kInfAt = 5000;
constexpr uint32_t kProgramChunkMagic = 0x31425453;  // "STB1" in file order
constexpr uint32_t kBankChunkMagic = 0x42425453;     // "STBB"
constexpr size_t kProgramChunkBytes = 4 + 4 * kParams;
constexpr size_t kBankChunkBytes = 8 + kPrograms * (kNameBytes + 4 * kParams);

struct Program {
  char name[kNameBytes];
  float params[kParams];
};

struct Stub {
  AEffect effect{};
  Program programs[kPrograms]{};
  int current = 0;
  int64_t frame = 0;
  unsigned char chunk[kBankChunkBytes]{};
};

Stub* Of(AEffect* e) {
  return static_cast<Stub*>(e->object);
}

void CopyText(void* ptr, const char* text, size_t bound) {
  std::snprintf(static_cast<char*>(ptr), bound, "%s", text);
}

VstIntPtr GetChunk(Stub* s, bool bank, void* ptr) {
  unsigned char* c = s->chunk;
  if (bank) {
    std::memcpy(c, &kBankChunkMagic, 4);
    std::memcpy(c + 4, &s->current, 4);
    for (int p = 0; p < kPrograms; ++p) {
      std::memcpy(c + 8 + p * (kNameBytes + 4 * kParams), &s->programs[p], sizeof(Program));
    }
  } else {
    std::memcpy(c, &kProgramChunkMagic, 4);
    std::memcpy(c + 4, s->programs[s->current].params, 4 * kParams);
  }
  *static_cast<void**>(ptr) = c;
  return static_cast<VstIntPtr>(bank ? kBankChunkBytes : kProgramChunkBytes);
}

VstIntPtr SetChunk(Stub* s, bool bank, VstIntPtr size, const void* ptr) {
  const unsigned char* c = static_cast<const unsigned char*>(ptr);
  uint32_t magic = 0;
  if (!c || size != static_cast<VstIntPtr>(bank ? kBankChunkBytes : kProgramChunkBytes)) return 0;
  std::memcpy(&magic, c, 4);
  if (magic != (bank ? kBankChunkMagic : kProgramChunkMagic)) return 0;
  if (!bank) {
    std::memcpy(s->programs[s->current].params, c + 4, 4 * kParams);
    return 1;
  }
  int current = 0;
  std::memcpy(&current, c + 4, 4);
  if (current < 0 || current >= kPrograms) return 0;
  s->current = current;
  for (int p = 0; p < kPrograms; ++p) {
    std::memcpy(&s->programs[p], c + 8 + p * (kNameBytes + 4 * kParams), sizeof(Program));
    s->programs[p].name[kNameBytes - 1] = '\0';
  }
  return 1;
}

VstIntPtr VSTCALLBACK Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                               void* ptr, float) {
  Stub* s = Of(e);
  switch (opcode) {
    case effClose:
      delete s;
      return 1;
    case effMainsChanged:
      if (value) s->frame = 0;
      return 0;
    case effSetProgram:
      if (value >= 0 && value < kPrograms) s->current = static_cast<int>(value);
      return 0;
    case effGetProgram:
      return s->current;
    case effSetProgramName:
      if (ptr) CopyText(s->programs[s->current].name, static_cast<const char*>(ptr), kNameBytes);
      return 0;
    case effGetProgramName:
      if (ptr) CopyText(ptr, s->programs[s->current].name, kNameBytes);
      return 0;
    case effGetProgramNameIndexed:
      if (!ptr || index < 0 || index >= kPrograms) return 0;
      CopyText(ptr, s->programs[index].name, kNameBytes);
      return 1;
    case effGetParamName:
      if (ptr && index >= 0 && index < kParams) CopyText(ptr, index == 0 ? "gain" : "fault", 32);
      return 0;
    case effGetParamDisplay:
      if (ptr && index >= 0 && index < kParams) {
        char text[32];
        const float v = s->programs[s->current].params[index];
        if (index == 0) {
          std::snprintf(text, sizeof text, "%.6f", static_cast<double>(v));
        } else {
          std::snprintf(text, sizeof text, "%s", v >= 0.5f ? "on" : "off");
        }
        CopyText(ptr, text, 32);
      }
      return 0;
    case effGetEffectName:
      if (ptr) CopyText(ptr, "Stub", 32);
      return 1;
    case effGetChunk:
      return ptr ? GetChunk(s, index == 0, ptr) : 0;
    case effSetChunk:
      return SetChunk(s, index == 0, value, ptr);
    case effGetVstVersion:
      return kVstVersion;
    default:
      return 0;
  }
}

void VSTCALLBACK SetParameter(AEffect* e, VstInt32 index, float value) {
  Stub* s = Of(e);
  if (index >= 0 && index < kParams) s->programs[s->current].params[index] = value;
}

float VSTCALLBACK GetParameter(AEffect* e, VstInt32 index) {
  Stub* s = Of(e);
  return index >= 0 && index < kParams ? s->programs[s->current].params[index] : 0.0f;
}

void VSTCALLBACK ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames) {
  Stub* s = Of(e);
  const Program& p = s->programs[s->current];
  for (VstInt32 i = 0; i < frames; ++i) {
    const int64_t at = s->frame + i;
    for (int c = 0; c < 2; ++c) out[c][i] = in[c][i] * 2.0f * p.params[0];
    if (p.params[1] >= 0.5f) {
      if (at >= kNanFrom && at < kNanFrom + kNanCount) {
        out[1][i] = std::numeric_limits<float>::quiet_NaN();
      }
      if (at == kInfAt) out[0][i] = std::numeric_limits<float>::infinity();
    }
  }
  s->frame += frames;
}

void VSTCALLBACK Process(AEffect* e, float** in, float** out, VstInt32 frames) {
  ProcessReplacing(e, in, out, frames);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
  Stub* s = new Stub;
  AEffect& e = s->effect;
  e.magic = kEffectMagic;
  e.dispatcher = Dispatch;
  e.process = Process;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.numPrograms = kPrograms;
  e.numParams = kParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
  e.ioRatio = 1.0f;
  e.object = s;
  e.uniqueID = 0x4B537462;  // 'KStb'
  e.version = 3;
  e.processReplacing = ProcessReplacing;
  for (int p = 0; p < kPrograms; ++p) {
    std::snprintf(s->programs[p].name, kNameBytes, "stub %d", p);
    s->programs[p].params[0] = 0.5f;  // unity gain
  }
  return &e;
}
