// korvane-probe: loads a VST 2 module the way a host does and prints what a host sees.
//   korvane-probe [MODULE]
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/DynamicLibrary.h"
#include "vst/VstAbi.h"

namespace {

VstIntPtr VSTCALLBACK ProbeHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetProductString:
      std::snprintf(static_cast<char*>(ptr), 64, "korvane-probe");
      return 1;
    case audioMasterGetVendorVersion:
      return 10000;
    default:
      return 0;
  }
}

std::string Text(AEffect* e, VstInt32 opcode, VstInt32 index = 0) {
  char text[256] = {};
  e->dispatcher(e, opcode, index, 0, text, 0.0f);
  return text;
}

std::string FourCC(VstInt32 id) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : KORVANE_DEFAULT_MODULE;
  DynamicLibrary lib;
  if (!lib.Open(path)) {
    std::fprintf(stderr, "korvane-probe: cannot load %s: %s\n", path.c_str(), lib.Error().c_str());
    return 1;
  }
  auto entry = reinterpret_cast<VstEntryProc>(lib.Symbol("VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<VstEntryProc>(lib.Symbol("main"));
  if (!entry) {
    std::fprintf(stderr, "korvane-probe: %s exports neither VSTPluginMain nor main\n",
                 path.c_str());
    return 1;
  }
  AEffect* e = entry(ProbeHost);
  if (!e || e->magic != kEffectMagic) {
    std::fprintf(stderr, "korvane-probe: %s gave no valid effect\n", path.c_str());
    return 1;
  }
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0.0f);

  std::printf("module       %s\n", path.c_str());
  std::printf("effect name  %s\n", Text(e, effGetEffectName).c_str());
  std::printf("vendor       %s\n", Text(e, effGetVendorString).c_str());
  std::printf("product      %s\n", Text(e, effGetProductString).c_str());
  std::printf("unique ID    '%s' (0x%08X)\n", FourCC(e->uniqueID).c_str(),
              static_cast<unsigned>(e->uniqueID));
  std::printf("version      %d\n", e->version);
  std::printf("VST version  %ld\n",
              static_cast<long>(e->dispatcher(e, effGetVstVersion, 0, 0, nullptr, 0.0f)));
  std::printf("category     %ld\n",
              static_cast<long>(e->dispatcher(e, effGetPlugCategory, 0, 0, nullptr, 0.0f)));
  std::printf("flags        0x%X\n", static_cast<unsigned>(e->flags));
  std::printf("channels     %d in, %d out\n", e->numInputs, e->numOutputs);
  std::printf("latency      %d samples\n", e->initialDelay);
  ERect* rect = nullptr;
  if (e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f) && rect) {
    std::printf("editor       %d x %d\n", rect->right - rect->left, rect->bottom - rect->top);
  } else {
    std::printf("editor       none\n");
  }
  std::printf("parameters   %d\n", e->numParams);
  for (int i = 0; i < e->numParams; ++i) {
    std::printf("  %d  %-18s %-18s %-4s (%.4f)\n", i,
                ("\"" + Text(e, effGetParamName, i) + "\"").c_str(),
                Text(e, effGetParamDisplay, i).c_str(), Text(e, effGetParamLabel, i).c_str(),
                static_cast<double>(e->getParameter(e, i)));
  }
  std::printf("programs     %d\n", e->numPrograms);
  for (int i = 0; i < e->numPrograms; ++i) {
    std::printf("  %d  %s\n", i, Text(e, effGetProgramNameIndexed, i).c_str());
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
