// Writes the fuzz targets' seed corpora: the plug-in's own program and bank chunks (with and
// without their header), the editor's PNG images, and a few host sessions and dispatch runs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/FuzzPlugin.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  fs::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Chunk(FuzzPlugin& p, VstInt32 index) {
  void* data = nullptr;
  const VstIntPtr size = p.Dispatch(effGetChunk, index, 0, &data);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return size > 0 ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

std::vector<uint8_t> Pattern(size_t n, unsigned seed) {
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CORPUS-DIR RESOURCES-DIR\n", argv[0]);
    return 2;
  }
  const fs::path corpus = argv[1];
  FuzzPlugin p;
  p.Dispatch(effOpen);
  p.effect->setParameter(p.effect, KorvaneFilter::kCutoff, 0.3f);
  for (VstInt32 kind : {0, 1}) {
    const std::vector<uint8_t> chunk = Chunk(p, kind);
    if (chunk.size() < 8) continue;
    std::vector<uint8_t> whole = {static_cast<uint8_t>(kind)};  // the header among the data
    whole.insert(whole.end(), chunk.begin(), chunk.end());
    Write(corpus / "chunks", "whole-" + std::to_string(kind), whole);
    std::vector<uint8_t> body = {static_cast<uint8_t>(kind | 2)};  // the target adds the header
    body.insert(body.end(), chunk.begin() + 8, chunk.end());
    Write(corpus / "chunks", "body-" + std::to_string(kind), body);
  }
  for (const auto& entry : fs::directory_iterator(argv[2])) {
    if (entry.path().extension() != ".png") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    Write(corpus / "png", entry.path().filename().string(), bytes);
  }
  for (unsigned seed = 1; seed <= 4; ++seed) {
    Write(corpus / "session", "pattern-" + std::to_string(seed), Pattern(256 * seed, seed));
    Write(corpus / "dispatch", "pattern-" + std::to_string(seed), Pattern(128 * seed, seed + 10));
  }
  return 0;
}
