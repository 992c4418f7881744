// effSetChunk of a program or a bank, with or without the header, from arbitrary bytes; then
// both chunks read back and set again. Every parameter stays within 0..1, the program chunk
// written back reads to the same values, and every program name ends within its bound.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzPlugin.h"

namespace {

FuzzPlugin& Plugin() {
  static FuzzPlugin plugin;
  return plugin;
}

std::vector<uint8_t> GetChunk(FuzzPlugin& p, VstInt32 index) {
  void* data = nullptr;
  const VstIntPtr size = p.Dispatch(effGetChunk, index, 0, &data);
  if (size < 0 || (size > 0 && !data)) FuzzPlugin::Fail("a chunk without bytes", index, size);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  FuzzPlugin& p = Plugin();
  const VstInt32 index = data[0] & 1;  // 0: bank, 1: program
  std::vector<uint8_t> chunk;
  if (data[0] & 2) {  // with the header the plug-in writes
    const uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    chunk.assign(header, header + sizeof header);
  }
  chunk.insert(chunk.end(), data + 1, data + size);
  p.Dispatch(effSetChunk, index, static_cast<VstIntPtr>(chunk.size()), chunk.data());
  p.CheckParameters();

  for (VstInt32 kind : {0, 1}) {
    std::vector<uint8_t> back = GetChunk(p, kind);
    p.Dispatch(effSetChunk, kind, static_cast<VstIntPtr>(back.size()), back.data());
    p.CheckParameters();
  }
  // The program chunk reads back to the values it was written from.
  std::vector<float> before(static_cast<size_t>(p.effect->numParams));
  for (int i = 0; i < p.effect->numParams; ++i) before[i] = p.effect->getParameter(p.effect, i);
  std::vector<uint8_t> program = GetChunk(p, 1);
  p.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(program.size()), program.data());
  for (int i = 0; i < p.effect->numParams; ++i) {
    if (p.effect->getParameter(p.effect, i) != before[i]) {
      FuzzPlugin::Fail("a program chunk that does not read back", i, before[i]);
    }
  }
  // Every program name ends within the 24 bytes hosts are promised.
  for (int i = 0; i < p.effect->numPrograms; ++i) {
    char name[256];
    std::memset(name, 0x55, sizeof name);
    p.Dispatch(effGetProgramNameIndexed, i, 0, name);
    if (!std::memchr(name, '\0', 24)) FuzzPlugin::Fail("a program name past its bound", i);
  }
  return 0;
}
